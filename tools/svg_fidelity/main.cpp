// svg_fidelity SVG_DIR [REFERENCE_DIR]
// Renders every SVG file of SVG_DIR with Qt SVG and with librsvg at the size of its reference
// picture (REFERENCE_DIR/NAME.png, or NAME-ref.png beside the SVG file) and tells how far each
// is from it: the share of pixels whose colour differs by more than 64 in a channel (over
// white). A rendering within 2% counts as a match. One line per file, then the totals.
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <cstdio>
#include <cstdlib>

#include "rsvg_render.h"

namespace {

constexpr int kTolerance = 64;
constexpr double kMatch = 0.02;

QImage overWhite(const QImage& image) {
    QImage out(image.size(), QImage::Format_RGB32);
    out.fill(Qt::white);
    QPainter p(&out);
    p.drawImage(0, 0, image);
    return out;
}

/// The share of pixels that differ noticeably; 1 when there is no picture.
double offShare(const QImage& rendered, const QImage& reference) {
    if (rendered.isNull() || rendered.size() != reference.size()) return 1;
    const QImage a = overWhite(rendered), b = overWhite(reference);
    qint64 off = 0;
    for (int y = 0; y < a.height(); ++y) {
        const auto* ra = reinterpret_cast<const QRgb*>(a.constScanLine(y));
        const auto* rb = reinterpret_cast<const QRgb*>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x)
            if (std::abs(qRed(ra[x]) - qRed(rb[x])) > kTolerance ||
                std::abs(qGreen(ra[x]) - qGreen(rb[x])) > kTolerance ||
                std::abs(qBlue(ra[x]) - qBlue(rb[x])) > kTolerance)
                ++off;
    }
    return double(off) / (double(a.width()) * a.height());
}

QImage withQt(const QString& path, QSize size) {
    QSvgRenderer renderer(path);
    if (!renderer.isValid()) return {};
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    renderer.render(&p, QRectF(QPointF(0, 0), QSizeF(size)));
    return image;
}

QImage withRsvg(const QString& path, QSize size) {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    if (!renderWithRsvg(QFile::encodeName(path).toStdString(), image.bits(), image.width(),
                        image.height(), int(image.bytesPerLine())))
        return {};
    return image;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: svg_fidelity SVG_DIR [REFERENCE_DIR]\n");
        return 2;
    }
    const QDir svgs(QString::fromLocal8Bit(argv[1]));
    const QString references = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();
    int files = 0, qtMatches = 0, rsvgMatches = 0;
    double qtSum = 0, rsvgSum = 0;
    for (const QString& name : svgs.entryList({QStringLiteral("*.svg")}, QDir::Files, QDir::Name)) {
        const QString base = name.chopped(4);
        const QString refPath = references.isEmpty()
                                    ? svgs.filePath(base + QStringLiteral("-ref.png"))
                                    : QDir(references).filePath(base + QStringLiteral(".png"));
        const QImage reference(refPath);
        if (reference.isNull()) continue;
        const QString path = svgs.filePath(name);
        const double qt = offShare(withQt(path, reference.size()), reference);
        const double rsvg = offShare(withRsvg(path, reference.size()), reference);
        std::printf("%-40s qt %6.2f%%  rsvg %6.2f%%\n", qPrintable(base), qt * 100, rsvg * 100);
        ++files;
        qtSum += qt;
        rsvgSum += rsvg;
        qtMatches += qt <= kMatch;
        rsvgMatches += rsvg <= kMatch;
    }
    if (!files) return 1;
    std::printf(
        "files %d\nQt SVG:  %d match (%.0f%%), mean %.2f%% of pixels off\n"
        "librsvg: %d match (%.0f%%), mean %.2f%% of pixels off\n",
        files, qtMatches, 100.0 * qtMatches / files, 100 * qtSum / files, rsvgMatches,
        100.0 * rsvgMatches / files, 100 * rsvgSum / files);
    return 0;
}
