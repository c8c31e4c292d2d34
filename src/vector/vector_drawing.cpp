#include "vector/vector_drawing.h"

#include <QFile>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "engine/core/error.h"
#include "engine/sandbox/drawing_files.h"
#include "engine/sandbox/sandboxed_decoding.h"
#include "engine/thumbs/drawing_thumbnails.h"
#include "vector/confined_drawing.h"
#include "vector/drawing_raster.h"
#include "vector/dxf/dxf_drawing.h"
#include "vector/metafile/metafile_drawings.h"
#include "vector/svg/svg_drawing.h"
#include "vector/sxf/sxf_drawing.h"
#include "vector/vector_messages.h"

namespace ximora::vector {

std::unique_ptr<VectorDrawing> VectorDrawing::load(const QString& path, QString& error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        engine::fail(file.exists() ? engine::kErrCannotOpen : engine::kErrFileNotFound);
        error = QStringLiteral("ﾌｧｲﾙを開けません: %1").arg(path);
        return nullptr;
    }
    if (file.size() > kMaxDrawingFileBytes) {
        engine::fail(engine::kErrMemory);
        error = QStringLiteral("ﾌｧｲﾙが大きすぎます: %1").arg(path);
        return nullptr;
    }
    const QByteArray bytes = file.readAll();
    const QString kind = drawingKindOf(path);
    QString reason;
    std::unique_ptr<VectorDrawing> drawing =
        engine::drawsInWorkers() && engine::isDrawingFile(QFile::encodeName(path).toStdString())
            ? ConfinedDrawing::load(bytes, kind, reason)
            : fromBytes(bytes, kind, reason);
    if (!drawing) error = QStringLiteral("%1\n%2").arg(reason, path);
    return drawing;
}

std::unique_ptr<VectorDrawing> VectorDrawing::fromBytes(const QByteArray& bytes,
                                                        const QString& kind, QString& reason) {
    if (kind == QLatin1String("WMF")) return loadWmf(bytes, reason);
    if (kind == QLatin1String("EMF")) return loadEmf(bytes, reason);
    if (kind == QLatin1String("DXF")) return loadDxf(bytes, reason);
    if (kind == QLatin1String("SVG")) return loadSvg(bytes, reason);
    if (kind == QLatin1String("SFC") || kind == QLatin1String("P21")) return loadSxf(bytes, reason);
    reason = vectorReadError(engine::kErrBadFile, QStringLiteral("ﾍﾞｸﾀ"));
    return nullptr;
}

QString drawingKindOf(const QString& path) {
    return QString::fromStdString(engine::drawingKindOfPath(QFile::encodeName(path).toStdString()));
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

bool VectorDrawing::rasterise(QSize size, engine::Image& picture) const {
    return paintDrawing(*this, size, picture);
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
