#include "vector/drawing_raster.h"

#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "vector/vector_drawing.h"

namespace ximora::vector {

QSize fittedInto(QSize natural, int size) {
    const double longer = std::max(natural.width(), natural.height());
    return {std::max(1, int(std::lround(size * natural.width() / longer))),
            std::max(1, int(std::lround(size * natural.height() / longer)))};
}

bool paintDrawing(const VectorDrawing& drawing, QSize size, engine::Image& picture) {
    if (!picture.allocate(size.width(), size.height(), 24)) return false;
    // Painted straight into the raster's rows (bytes R, G, B).
    QImage view(picture.data(), size.width(), size.height(), qsizetype(picture.stride()),
                QImage::Format_RGB888);
    view.fill(Qt::white);
    QPainter painter(&view);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    drawing.paint(painter, QRectF(0, 0, size.width(), size.height()));
    return true;
}

}  // namespace ximora::vector
