#pragma once
// HATCH entities read from their own groups: dxflib passes on only part of a boundary (no
// polyline boundaries, no bulges), so the reader keeps each hatch's groups and reads them here.

#include <string>
#include <utility>
#include <vector>

#include "vector/scene/scene.h"

namespace ximora::vector {

/// The groups of one entity, in file order: code and value (without surrounding blanks).
using DxfGroups = std::vector<std::pair<int, std::string>>;

/// A hatch's area and how it is filled, in the coordinates of the block or model space that
/// holds it. The strokes of the hatch lines are left for the caller to colour.
struct DxfHatch {
    std::string pattern;  ///< group 2
    int loopCount = 0;    ///< group 91, as stated
    Fill fill;
};

/// Reads the boundary paths (polylines with bulges; line, arc, elliptic arc and spline edges)
/// and the pattern lines of a HATCH entity's groups. A solid hatch is filled; a pattern one gets
/// its pattern lines (their dashes left out), or lines at 45° when it states none. At most
/// `maxPoints` boundary points; false when the groups cannot be read.
bool readDxfHatch(const DxfGroups& groups, size_t maxPoints, DxfHatch& out);

}  // namespace ximora::vector
