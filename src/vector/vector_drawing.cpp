#include "vector/vector_drawing.h"

#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "engine/core/error.h"
#include "vector/dxf/dxf_drawing.h"
#include "vector/metafile/metafile_drawings.h"
#include "vector/svg/svg_drawing.h"
#include "vector/sxf/sxf_drawing.h"
#include "vector/vector_messages.h"

namespace ximora::vector {

namespace {
// Larger files are no drawings this program could take over as a picture anyway.
constexpr qint64 kMaxFileBytes = 256LL * 1024 * 1024;
}  // namespace

std::unique_ptr<VectorDrawing> VectorDrawing::load(const QString& path, QString& error) {
    const QString name = QFileInfo(path).fileName();
    const QString ext = name.mid(name.lastIndexOf('.') + 1).toUpper();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        engine::fail(file.exists() ? engine::kErrCannotOpen : engine::kErrFileNotFound);
        error = QStringLiteral("ﾌｧｲﾙを開けません: %1").arg(path);
        return nullptr;
    }
    if (file.size() > kMaxFileBytes) {
        engine::fail(engine::kErrMemory);
        error = QStringLiteral("ﾌｧｲﾙが大きすぎます: %1").arg(path);
        return nullptr;
    }
    const QByteArray bytes = file.readAll();
    std::unique_ptr<VectorDrawing> drawing;
    QString reason;
    if (ext == QLatin1String("WMF"))
        drawing = loadWmf(bytes, reason);
    else if (ext == QLatin1String("EMF"))
        drawing = loadEmf(bytes, reason);
    else if (ext == QLatin1String("DXF"))
        drawing = loadDxf(bytes, reason);
    else if (ext == QLatin1String("SVG"))
        drawing = loadSvg(bytes, reason);
    else if (ext == QLatin1String("SFC") || ext == QLatin1String("P21"))
        drawing = loadSxf(bytes, reason);
    else
        reason = vectorReadError(engine::kErrBadFile, QStringLiteral("ﾍﾞｸﾀ"));
    if (!drawing) error = QStringLiteral("%1\n%2").arg(reason, path);
    return drawing;
}

QSize naturalSizeFor(double width, double height, double pixelsPerUnit) {
    constexpr double kMinSide = 64, kMaxSide = 4096, kScaledSide = 800;
    const double longer = std::max(width, height);
    width = std::max(width, longer / 100);
    height = std::max(height, longer / 100);
    double factor = pixelsPerUnit;
    if (longer * factor < kMinSide || longer * factor > kMaxSide) factor = kScaledSide / longer;
    return {std::max(1, int(std::lround(width * factor))),
            std::max(1, int(std::lround(height * factor)))};
}

QImage VectorDrawing::render(QSize size) const {
    if (size.width() < 1 || size.height() < 1) return {};
    QImage image(size, QImage::Format_RGB32);
    if (image.isNull()) return {};
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    paint(painter, QRectF(0, 0, size.width(), size.height()));
    painter.end();
    return image;
}

}  // namespace ximora::vector
