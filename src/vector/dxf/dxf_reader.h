#pragma once
// DXF drawings (text form) read into a Scene: every line, polyline (with its arc segments),
// circle, arc, ellipse, spline, solid, hatch and text of the model space with its colour, line
// type and line weight; inserted blocks are placed as copies (scaled, turned, in arrays).

#include <string>

#include "vector/scene/scene.h"

namespace ximora::vector {

/// Reads a DXF drawing into `out` (bound to everything drawn). False with kErrBadFile when the
/// text is no DXF or holds nothing drawable, kErrMemory when it holds more than the point limit.
bool readDxf(const std::string& text, Scene& out);

}  // namespace ximora::vector
