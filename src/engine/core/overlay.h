#pragma once
// Marks drawn over a view's image, such as the rotation dialog's base line: plain data that the
// widget paints on top of the image and the view drops when it refreshes. The image itself never
// changes.

#include <vector>

#include "engine/core/area.h"
#include "engine/core/image.h"

namespace ximora::engine {

struct OverlayShape {
    enum class Kind { Line, Rectangle };
    Kind kind = Kind::Line;
    Point from, to;  ///< image pixels; a rectangle's opposite corners, both inclusive
    Colour colour{0, 0, 0, 255};
};

/// The shapes in drawing order. A view clears it when it refreshes.
struct Overlay {
    std::vector<OverlayShape> shapes;

    void addLine(Point from, Point to, Colour colour = {}) {
        shapes.push_back({OverlayShape::Kind::Line, from, to, colour});
    }
    void addRectangle(Point corner, Point opposite, Colour colour = {}) {
        shapes.push_back({OverlayShape::Kind::Rectangle, corner, opposite, colour});
    }
    void clear() { shapes.clear(); }
    bool empty() const { return shapes.empty(); }
};

}  // namespace ximora::engine
