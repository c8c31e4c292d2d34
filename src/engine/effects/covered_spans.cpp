#include "engine/effects/covered_spans.h"

#include <algorithm>
#include <climits>

#include "engine/core/parallel.h"

namespace ximora::engine {

void forCoveredSpans(const AreaMask& mask, const std::function<void(int, int, int)>& body,
                     int minRows) {
    parallelRows(
        mask.height(),
        [&](int y0, int y1) {
            for (int y = y0; y < y1; ++y)
                for (const Span& s : mask.spans(y))
                    if (s.x1 > s.x0) body(y, s.x0, s.x1);
        },
        minRows);
}

CoveredBox coveredBox(const AreaMask& mask) {
    CoveredBox box{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
    for (int y = 0; y < mask.height(); ++y)
        for (const Span& s : mask.spans(y)) {
            if (s.x1 <= s.x0) continue;
            box.x0 = std::min(box.x0, s.x0);
            box.x1 = std::max(box.x1, s.x1);
            box.y0 = std::min(box.y0, y);
            box.y1 = std::max(box.y1, y + 1);
        }
    if (box.x0 > box.x1) return {};
    return box;
}

}  // namespace ximora::engine
