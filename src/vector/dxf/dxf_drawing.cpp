#include "vector/dxf/dxf_drawing.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <cmath>
#include <numbers>

#include "engine/core/error.h"
#include "vector/vector_messages.h"

namespace ximora::vector {

namespace {
constexpr double kMinNaturalSide = 64, kMaxNaturalSide = 4096, kScaledSide = 800;
constexpr int kTextPixels = 100;  // texts are laid out at this size, then scaled
}  // namespace

std::unique_ptr<DxfDrawing> DxfDrawing::load(const QByteArray& bytes, QString& error) {
    DxfShapes shapes;
    if (!readDxf(bytes.toStdString(), shapes)) {
        error = vectorReadError(engine::lastError(), QStringLiteral("DXF"));
        return nullptr;
    }
    const double w = shapes.max.x - shapes.min.x, h = shapes.max.y - shapes.min.y;
    if (!(w > 0) && !(h > 0)) {
        error = vectorNoSizeError();
        return nullptr;
    }
    return std::unique_ptr<DxfDrawing>(new DxfDrawing(std::move(shapes)));
}

DxfDrawing::DxfDrawing(DxfShapes shapes) : shapes_(std::move(shapes)) {
    width_ = shapes_.max.x - shapes_.min.x;
    height_ = shapes_.max.y - shapes_.min.y;
    // A drawing of one straight line across still gets a visible band.
    const double longer = std::max(width_, height_);
    width_ = std::max(width_, longer / 100);
    height_ = std::max(height_, longer / 100);
    double factor = 1;
    if (longer < kMinNaturalSide || longer > kMaxNaturalSide) factor = kScaledSide / longer;
    size_ = QSize(std::max(1, int(std::lround(width_ * factor))),
                  std::max(1, int(std::lround(height_ * factor))));
}

void DxfDrawing::paint(QPainter& painter, const QRectF& target) const {
    const double sx = target.width() / width_, sy = target.height() / height_;
    const auto map = [&](const DxfPoint& p) {
        return QPointF(target.left() + (p.x - shapes_.min.x) * sx,
                       target.top() + (shapes_.max.y - p.y) * sy);
    };
    painter.save();
    painter.setClipRect(target);
    QPen pen(Qt::black);
    pen.setCosmetic(true);
    pen.setWidthF(1);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    for (const auto& points : shapes_.paths) {
        QPainterPath path(map(points.front()));
        for (size_t i = 1; i < points.size(); ++i) path.lineTo(map(points[i]));
        painter.drawPath(path);
    }
    QFont font = painter.font();
    font.setPixelSize(kTextPixels);
    painter.setFont(font);
    for (const DxfText& text : shapes_.texts) {
        painter.save();
        painter.translate(map(text.at));
        painter.rotate(-text.angle * 180 / std::numbers::pi);
        painter.scale(sx * text.height / kTextPixels, sy * text.height / kTextPixels);
        painter.drawText(QPointF(0, 0), QString::fromStdString(text.text));
        painter.restore();
    }
    painter.restore();
}

}  // namespace ximora::vector
