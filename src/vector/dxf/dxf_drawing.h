#pragma once
// A DXF drawing painted with QPainter from the engine's flattened paths and texts: black lines
// on the page, y upwards in the drawing and downwards on the page.

#include <QByteArray>
#include <memory>

#include "vector/dxf/dxf_shapes.h"
#include "vector/vector_drawing.h"

namespace ximora::vector {

class DxfDrawing : public VectorDrawing {
  public:
    /// nullptr with the reason in `error` when the text is no DXF or has nothing of any size.
    static std::unique_ptr<DxfDrawing> load(const QByteArray& bytes, QString& error);

    /// One drawing unit is one pixel, unless that makes the drawing tiny or huge: then the
    /// longer side becomes 800 pixels.
    QSize naturalSize() const override { return size_; }
    void paint(QPainter& painter, const QRectF& target) const override;

  private:
    explicit DxfDrawing(DxfShapes shapes);
    DxfShapes shapes_;
    double width_ = 0, height_ = 0;  ///< the extent in drawing units, both above 0
    QSize size_;
};

}  // namespace ximora::vector
