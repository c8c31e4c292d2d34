#pragma once
// What SXF draws from its predefined symbols: the terminators of dimension and leader lines
// (arrows, dots, boxes, slashes), point markers, the motifs of tiled hatchings, and texts placed
// by one of nine base points.

#include <string>
#include <string_view>
#include <vector>

#include "vector/scene/scene.h"

namespace ximora::vector {

enum class SxfArrow {
    Open,
    Filled,
    Blanked,
    FilledDot,
    BlankedDot,
    FilledBox,
    BlankedBox,
    Slash,
    Origin
};

/// The terminator of an SFC arrow code (1 to 11, SXF's terminators in the order of their names).
SxfArrow sxfArrowOfCode(int code);
/// The terminator of a P21 name ("filled arrow"); an open arrow for one SXF does not name.
SxfArrow sxfArrowOfName(const std::string& name);

/// Adds a terminator `size` long with its tip at `tip`, its body lying towards `tail` (any point
/// along the line behind the tip).
void addSxfArrow(SceneBuilder& out, SxfArrow arrow, Point tip, Point tail, double size,
                 const Stroke& stroke);

/// Adds point marker `code` (1 asterisk, 2 circle, 3 dot, 4 plus, 5 square, 6 triangle, 7 x)
/// `size` across around `at`, turned by `angle` radians.
void addSxfMarker(SceneBuilder& out, int code, Point at, double angle, double size,
                  const Stroke& stroke);

/// A text of SXF: base point 1 to 9 (bottom, middle, top rows of left, centre, right), the box
/// `height` high and `width` wide (0: as the font has it), angles in degrees, `direction` 2 for
/// vertical writing.
Label sxfLabel(std::string text, Point at, double height, double width, double angleDegrees,
               double slantDegrees, int basePoint, int direction, Rgb colour);

/// The SXF name of a marker or terminator ("filled dot") as a marker code, 0 when none.
int sxfMarkerOfName(const std::string& name);

/// The motif of the predefined tile symbol `name` ("sxf_hatch_style_7_symbol", in any case), in
/// the symbol's own units around its point; null when SXF predefines no such symbol.
const std::vector<TilePattern::Segment>* sxfTileMotif(std::string_view name);

}  // namespace ximora::vector
