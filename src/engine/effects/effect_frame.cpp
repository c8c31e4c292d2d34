#include "engine/effects/effect_frame.h"

#include "engine/effects/covered_spans.h"

namespace ximora::engine {

EffectFrame effectFrame(const Area& area, const AreaMask& mask) {
    CoveredBox box{0, 0, mask.width(), mask.height()};
    if (!area.isWhole() && area.areaCode == 1) {
        const CoveredBox covered = coveredBox(mask);
        if (!covered.empty()) box = covered;
    }
    EffectFrame frame;
    frame.cx = float(box.x0 + box.x1 - 1) / 2;
    frame.cy = float(box.y0 + box.y1 - 1) / 2;
    frame.rx = float(box.x1 - box.x0) / 2;
    frame.ry = float(box.y1 - box.y0) / 2;
    return frame;
}

}  // namespace ximora::engine
