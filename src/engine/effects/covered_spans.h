#pragma once
// The loop every effect runs: over the covered runs of its area, rows split into bands.

#include <functional>

#include "engine/core/area.h"

namespace ximora::engine {

/// Calls body(y, x0, x1) for every covered run [x0, x1) of row y, rows spread over the workers
/// in bands of at least `minRows` rows. Runs of one row are visited left to right by one thread.
void forCoveredSpans(const AreaMask& mask, const std::function<void(int y, int x0, int x1)>& body,
                     int minRows = 8);

/// Bounding box [x0, x1) × [y0, y1) of the covered pixels; empty (x0 >= x1) when none is covered.
struct CoveredBox {
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    bool empty() const { return x0 >= x1 || y0 >= y1; }
};
CoveredBox coveredBox(const AreaMask& mask);

}  // namespace ximora::engine
