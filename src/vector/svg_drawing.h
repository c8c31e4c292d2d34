#pragma once
// A drawing held as SVG (what the metafile converters produce), painted with Qt's SVG renderer.

#include <QByteArray>
#include <QSvgRenderer>
#include <memory>

#include "vector/vector_drawing.h"

namespace ximora::vector {

class SvgDrawing : public VectorDrawing {
  public:
    /// nullptr when `svg` is not valid SVG or `size` is empty.
    static std::unique_ptr<SvgDrawing> create(const QByteArray& svg, QSize size);

    QSize naturalSize() const override { return size_; }
    void paint(QPainter& painter, const QRectF& target) const override;

  private:
    SvgDrawing(QSize size) : size_(size) {}
    QSize size_;
    std::unique_ptr<QSvgRenderer> renderer_;
};

}  // namespace ximora::vector
