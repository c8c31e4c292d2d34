#pragma once
// What the drawing toolbar draws over the picture before it is committed: strokes, lines,
// rectangles, ellipses, texts and stamps, kept as objects in image pixels so that they follow
// every zoom, and painted into the picture in one go when drawing ends.

#include <QColor>
#include <QImage>
#include <QPointF>
#include <QString>
#include <QVector>

#include "engine/core/image.h"

class QPainter;
class QTransform;

namespace ximora::editor {

/// The drawing tools; 0 is no tool, 1 points (draws nothing), the others draw.
enum class DrawTool {
    None = 0,
    Pointer = 1,
    Pen,
    Line,
    Rectangle,
    Ellipse,
    FilledRectangle,
    Text,
    Stamp
};

struct DrawnShape {
    DrawTool tool = DrawTool::Line;
    QVector<QPointF> points;  ///< image pixels: the stroke, or the two corners / ends
    QColor colour = Qt::red;
    int width = 3;      ///< line width in image pixels
    QString text;       ///< for Text
    QImage stamp;       ///< for Stamp, placed with its centre at the first point
    int fontSize = 24;  ///< for Text, image pixels
};

class Drawing {
  public:
    bool empty() const { return shapes_.isEmpty(); }
    const QVector<DrawnShape>& shapes() const { return shapes_; }
    void add(DrawnShape shape) { shapes_.push_back(std::move(shape)); }
    void clear() { shapes_.clear(); }

    /// Paints the shapes with `toView` mapping image pixels to the painter's coordinates.
    void paint(QPainter& painter, const QTransform& toView) const;
    /// Paints one shape (also a shape still being drawn).
    static void paint(QPainter& painter, const QTransform& toView, const DrawnShape& shape);

    /// Paints every shape into `image` and empties the drawing. Palette and 16-bit pictures
    /// become 24-bit first (the colours drawn need not be in a palette). False, with the image
    /// unchanged, when memory runs out.
    bool commitInto(engine::Image& image);

  private:
    QVector<DrawnShape> shapes_;
};

}  // namespace ximora::editor
