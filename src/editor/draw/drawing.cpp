#include "editor/draw/drawing.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QTransform>

#include "engine/effects/prepare.h"

namespace ximora::editor {

void Drawing::paint(QPainter& painter, const QTransform& toView) const {
    for (const DrawnShape& shape : shapes_) paint(painter, toView, shape);
}

void Drawing::paint(QPainter& painter, const QTransform& toView, const DrawnShape& shape) {
    if (shape.points.isEmpty()) return;
    painter.save();
    painter.setTransform(toView, true);
    painter.setRenderHint(QPainter::Antialiasing);
    QPen pen(shape.colour, shape.width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    const QPointF first = shape.points.front(), last = shape.points.back();
    const QRectF box = QRectF(first, last).normalized();
    switch (shape.tool) {
        case DrawTool::Pen: {
            QPainterPath path(first);
            for (const QPointF& p : shape.points) path.lineTo(p);
            painter.drawPath(path);
            break;
        }
        case DrawTool::Line:
            painter.drawLine(first, last);
            break;
        case DrawTool::Rectangle:
            painter.drawRect(box);
            break;
        case DrawTool::FilledRectangle:
            painter.setPen(Qt::NoPen);
            painter.setBrush(shape.colour);
            painter.drawRect(box);
            break;
        case DrawTool::Ellipse:
            painter.drawEllipse(box);
            break;
        case DrawTool::Text: {
            QFont font = painter.font();
            font.setPixelSize(std::max(1, shape.fontSize));
            painter.setFont(font);
            painter.drawText(first, shape.text);
            break;
        }
        case DrawTool::Stamp:
            if (!shape.stamp.isNull())
                painter.drawImage(
                    first - QPointF(shape.stamp.width() / 2.0, shape.stamp.height() / 2.0),
                    shape.stamp);
            break;
        case DrawTool::None:
        case DrawTool::Pointer:
            break;
    }
    painter.restore();
}

bool Drawing::commitInto(engine::Image& image) {
    if (shapes_.isEmpty() || image.empty()) return true;
    engine::Image work = image;
    if (work.bitsPerPixel() != 24 && work.bitsPerPixel() != 32 && !engine::toTrueColour(work))
        return false;
    {
        // A QImage over the raster itself, so that painting writes into it.
        QImage canvas(work.data(), work.width(), work.height(), qsizetype(work.stride()),
                      work.bitsPerPixel() == 24 ? QImage::Format_RGB888 : QImage::Format_RGBA8888);
        QPainter painter(&canvas);
        paint(painter, QTransform());
    }
    image = std::move(work);
    shapes_.clear();
    return true;
}

}  // namespace ximora::editor
