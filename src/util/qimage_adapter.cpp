#include "util/qimage_adapter.h"

#include <algorithm>
#include <cstring>

namespace ximora::util {
namespace {

QImage::Format formatFor(const engine::Image& image) {
    switch (image.bitsPerPixel()) {
        case 16:
            return QImage::Format_RGB16;
        case 24:
            return QImage::Format_RGB888;
        case 32:
            return QImage::Format_RGBA8888;
        default:
            return QImage::Format_Indexed8;
    }
}

QList<QRgb> colourTable(const engine::Image& image) {
    QList<QRgb> table;
    table.reserve(qsizetype(image.palette.size()));
    for (const auto& c : image.palette) table.append(qRgba(c.r, c.g, c.b, c.a));
    // Indexes past a short palette paint black rather than reading past the table.
    while (table.size() < (1 << std::min(image.bitsPerPixel(), 8))) table.append(qRgb(0, 0, 0));
    return table;
}

}  // namespace

QImage wrapForPainting(const engine::Image& image) {
    if (image.empty()) return {};
    QImage wrapped(image.data(), image.width(), image.height(), qsizetype(image.stride()),
                   formatFor(image));
    if (image.hasPalette()) wrapped.setColorTable(colourTable(image));
    return wrapped;
}

QImage toQImage(const engine::Image& image) {
    QImage copy = wrapForPainting(image).copy();
    if (image.dpiX > 0) copy.setDotsPerMeterX(qRound(image.dpiX / 0.0254));
    if (image.dpiY > 0) copy.setDotsPerMeterY(qRound(image.dpiY / 0.0254));
    return copy;
}

engine::Image fromQImage(const QImage& source, bool keepAlpha) {
    engine::Image out;
    if (source.isNull()) return out;
    const bool alpha = keepAlpha && source.hasAlphaChannel();
    // Past the memory budget nothing is converted either (error 3 set).
    if (!engine::Image::fitsLimits(source.width(), source.height(), alpha ? 32 : 24)) return out;
    const QImage converted =
        source.convertToFormat(alpha ? QImage::Format_RGBA8888 : QImage::Format_RGB888);
    if (!out.allocate(converted.width(), converted.height(), alpha ? 32 : 24)) return out;
    const size_t rowBytes = size_t(converted.width()) * (alpha ? 4 : 3);
    for (int y = 0; y < converted.height(); ++y)
        std::memcpy(out.row(y), converted.constScanLine(y), rowBytes);
    if (source.dotsPerMeterX() > 0) out.dpiX = qRound(source.dotsPerMeterX() * 0.0254);
    if (source.dotsPerMeterY() > 0) out.dpiY = qRound(source.dotsPerMeterY() * 0.0254);
    return out;
}

}  // namespace ximora::util
