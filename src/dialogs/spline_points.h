#pragma once
// The five tone-curve points of the correction dialog's "ｽﾌﾟﾗｲﾝ補正" from its two sliders.

#include <array>

namespace ximora::dialogs {

struct SplinePoints {
    std::array<int, 5> inputs;
    std::array<int, 5> outputs;
};

/// Centre c and emphasis e, each -100 to 100. The centre slides the input levels towards the
/// dark (c < 0) or light (c > 0) end; a positive emphasis steepens the curve around the middle
/// (more contrast), a negative one flattens it. c = e = 0 gives the identity points 0, 64, 128,
/// 192, 255. Levels are rounded to the nearest integer, halves to even, and kept at most 255.
SplinePoints splinePoints(double centre, double emphasis);

}  // namespace ximora::dialogs
