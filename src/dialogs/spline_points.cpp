#include "dialogs/spline_points.h"

#include <algorithm>
#include <cmath>

namespace ximora::dialogs {
namespace {

int level(double value) { return std::min(255, int(std::nearbyint(value))); }

}  // namespace

SplinePoints splinePoints(double centre, double emphasis) {
    SplinePoints p;
    for (int i = 0; i < 5; ++i) {
        const double x =
            centre > 0 ? 256 - (4 - i) * 64 * centre / 100 : i * 64 * (centre / 100 + 1);
        p.inputs[i] = level(x);
    }
    p.outputs = p.inputs;
    std::array<int, 5>& y = p.outputs;
    if (emphasis > 0) {
        y[1] = level(y[1] - emphasis / 100 * (y[1] - y[0]));
        y[3] = level(y[3] + emphasis / 100 * (y[4] - y[3]));
    } else {
        y[1] = level(y[1] + -emphasis / 100 * (y[2] - y[1]));
        y[3] = level(y[3] - -emphasis / 100 * (y[3] - y[2]));
    }
    return p;
}

}  // namespace ximora::dialogs
