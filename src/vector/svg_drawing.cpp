#include "vector/svg_drawing.h"

#include <QPainter>

namespace ximora::vector {

std::unique_ptr<SvgDrawing> SvgDrawing::create(const QByteArray& svg, QSize size) {
    if (size.width() < 1 || size.height() < 1) return nullptr;
    std::unique_ptr<SvgDrawing> drawing(new SvgDrawing(size));
    drawing->renderer_ = std::make_unique<QSvgRenderer>(svg);
    if (!drawing->renderer_->isValid()) return nullptr;
    // The converters state the drawing's own proportions; the user's size stretches them.
    drawing->renderer_->setAspectRatioMode(Qt::IgnoreAspectRatio);
    return drawing;
}

void SvgDrawing::paint(QPainter& painter, const QRectF& target) const {
    renderer_->render(&painter, target);
}

}  // namespace ximora::vector
