#pragma once
// SXF drawings (the Japanese CAD exchange format of the construction field) read into a
// Scene, in millimetres on the drawing sheet: the feature-comment form (".sfc") and the
// STEP Part 21 form (".p21", ISO 10303-21 with the AP202 draughting schema). No Qt.

#include <string_view>

#include "vector/scene/scene.h"

namespace ximora::vector {

/// The drawing sheet, lower left corner at the origin (millimetres); 0 × 0 when none is stated.
struct SxfSheet {
    double width = 0, height = 0;
};

/// Reads the feature comments of `text` (UTF-8). False with kErrBadFile when it has none,
/// kErrMemory when the drawing is larger than the point limit.
bool readSfc(std::string_view text, Scene& out, SxfSheet& sheet);

/// Reads the instances of `text` (UTF-8, a Part 21 exchange file). False with kErrBadFile when
/// it is none, kErrFileBroken when its data section is damaged, kErrMemory as readSfc.
bool readP21(std::string_view text, Scene& out, SxfSheet& sheet);

/// Reads an SXF file in either form (by its content; Shift-JIS or UTF-8) and bounds the scene
/// by its sheet, or by what it draws when that lies wholly outside the sheet or there is none
/// (the scene stays empty when there is neither). Errors as above.
bool readSxf(std::string_view bytes, Scene& out);

}  // namespace ximora::vector
