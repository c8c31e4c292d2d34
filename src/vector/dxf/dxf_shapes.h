#pragma once
// The drawable content of a DXF drawing, flattened for painting: every line, polyline (with
// its arc segments), circle, arc and ellipse of the model space becomes a path of points, texts
// keep their anchor; inserted blocks are placed as copies (scaled, turned, in arrays).

#include <string>
#include <vector>

namespace ximora::vector {

struct DxfPoint {
    double x = 0, y = 0;
};

struct DxfText {
    DxfPoint at;        ///< the insertion point (left end of the base line)
    double height = 0;  ///< drawing units
    double angle = 0;   ///< radians, counter-clockwise
    std::string text;   ///< UTF-8, formatting codes of multi-line texts removed
};

struct DxfShapes {
    std::vector<std::vector<DxfPoint>> paths;  ///< open paths; a closed one repeats its start
    std::vector<DxfText> texts;
    /// The bounding box of everything above (drawing units, y upwards); empty when min > max.
    DxfPoint min{1, 1}, max{0, 0};
    bool empty() const { return min.x > max.x || min.y > max.y; }
};

/// Reads a DXF drawing (text form) into `out`. False with kErrBadFile when the text is no DXF
/// or holds nothing drawable, kErrMemory when it holds more than the point limit.
bool readDxf(const std::string& text, DxfShapes& out);

}  // namespace ximora::vector
