#include "editor/document/zoom_steps.h"

#include <cmath>

namespace ximora::editor {

double nextZoomStep(double current, bool in) {
    constexpr double kSame = 1e-3;  // relative
    if (in) {
        for (double step : kFineZoomSteps)
            if (step > current * (1 + kSame)) return step;
        for (double step : kZoomSteps)
            if (step > current * (1 + kSame)) return step;
    } else {
        for (auto it = kZoomSteps.rbegin(); it != kZoomSteps.rend(); ++it)
            if (*it < current * (1 - kSame)) return *it;
        for (auto it = kFineZoomSteps.rbegin(); it != kFineZoomSteps.rend(); ++it)
            if (*it < current * (1 - kSame)) return *it;
    }
    return current;
}

QString zoomPercentText(double zoom) {
    const double percent = zoom * 100;
    if (percent < 9.95) return QString::number(std::round(percent * 10) / 10, 'f', 1) + '%';
    return QString::number(std::lround(percent)) + '%';
}

}  // namespace ximora::editor
