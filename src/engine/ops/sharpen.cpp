#include <algorithm>

#include "engine/core/error.h"
#include "engine/core/parallel.h"
#include "engine/ops/corrections.h"
#include "engine/ops/filter_frame.h"
#include "engine/ops/gaussian.h"
#include "engine/ops/vector_clones.h"

namespace ximora::engine {
namespace {

// Moves each sample away from its blurred value by amount / 20 times their difference.
XIMORA_VECTOR_CLONES void unsharpRow(const uint8_t* s, const uint8_t* blurred, uint8_t* d,
                                     size_t len, int amount) {
    for (size_t i = 0; i < len; ++i) {
        const int diff = (s[i] - blurred[i]) * amount;
        // Rounded half away from zero: (diff ± 10) / 20.
        d[i] = uint8_t(std::clamp(s[i] + (diff + (diff >= 0 ? 10 : -10)) / 20, 0, 255));
    }
}

}  // namespace

bool sharpen(Image& image, const Area& area, const SharpenParams& params) {
    if (params.level < 0 || params.level > 100) return fail(kErrBadParameter);
    if (params.level == 0) return image.empty() ? fail(kErrNoImage) : true;
    const GaussianKernel kernel(1.0);
    const int amount = params.level;  // in twentieths
    return runFilter(image, area, [&](const Plane& src, const Plane& dst) {
        const size_t len = size_t(src.width) * size_t(src.channels);
        parallelRows(src.height, [&](int y0, int y1) {
            gaussianRows(src, kernel, y0, y1, [&](int y, const uint8_t* blurred) {
                unsharpRow(src.row(y), blurred, dst.row(y), len, amount);
            });
        });
    });
}

}  // namespace ximora::engine
