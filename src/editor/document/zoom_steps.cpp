#include "editor/document/zoom_steps.h"

namespace ximora::editor {

double nextZoomStep(double current, bool in) {
    constexpr double kSame = 1e-3;  // relative
    if (in) {
        for (double step : kZoomSteps)
            if (step > current * (1 + kSame)) return step;
    } else {
        for (auto it = kZoomSteps.rbegin(); it != kZoomSteps.rend(); ++it)
            if (*it < current * (1 - kSame)) return *it;
    }
    return current;
}

}  // namespace ximora::editor
