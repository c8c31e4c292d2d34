#include "vector/svg/svg_drawing.h"

#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "engine/core/error.h"
#include "vector/svg/rsvg_document.h"
#include "vector/vector_messages.h"

namespace ximora::vector {

namespace {

std::unique_ptr<RsvgDocument> readDocument(const QByteArray& svg) {
    return RsvgDocument::read(reinterpret_cast<const uint8_t*>(svg.constData()),
                              size_t(svg.size()));
}

}  // namespace

SvgDrawing::SvgDrawing(std::unique_ptr<RsvgDocument> document, QSize size, double width,
                       double height)
    : document_(std::move(document)), size_(size), width_(width), height_(height) {}

SvgDrawing::~SvgDrawing() = default;

std::unique_ptr<SvgDrawing> SvgDrawing::create(const QByteArray& svg, QSize size) {
    if (size.width() < 1 || size.height() < 1) return nullptr;
    std::unique_ptr<RsvgDocument> document = readDocument(svg);
    if (!document) return nullptr;
    return std::unique_ptr<SvgDrawing>(
        new SvgDrawing(std::move(document), size, size.width(), size.height()));
}

void SvgDrawing::paint(QPainter& painter, const QRectF& target) const {
    // librsvg paints into pixels: as many as the target covers on the device.
    const QRectF device = painter.transform().mapRect(target);
    const QSize pixels(int(std::ceil(device.width())), int(std::ceil(device.height())));
    if (pixels.width() < 1 || pixels.height() < 1) return;
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) return;
    image.fill(Qt::transparent);
    if (!document_->render(image.bits(), image.width(), image.height(), int(image.bytesPerLine()),
                           width_, height_))
        return;
    painter.drawImage(target, image);
}

std::unique_ptr<VectorDrawing> loadSvg(const QByteArray& bytes, QString& error) {
    std::unique_ptr<RsvgDocument> document = readDocument(bytes);
    if (!document) {
        error = vectorReadError(engine::kErrBadFile, QStringLiteral("SVG"));
        return nullptr;
    }
    double width = 0, height = 0;
    if (!document->size(width, height) || !std::isfinite(width) || !std::isfinite(height)) {
        error = vectorNoSizeError();
        return nullptr;
    }
    // The stated size as it is, unless it is beyond any screen.
    constexpr double kMaxSide = 4096;
    const QSize natural =
        std::max(width, height) <= kMaxSide
            ? QSize(std::max(1, int(std::lround(width))), std::max(1, int(std::lround(height))))
            : naturalSizeFor(width, height, 1);
    return std::unique_ptr<SvgDrawing>(new SvgDrawing(std::move(document), natural, width, height));
}

}  // namespace ximora::vector
