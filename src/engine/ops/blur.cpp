#include <cstring>

#include "engine/core/error.h"
#include "engine/core/parallel.h"
#include "engine/ops/corrections.h"
#include "engine/ops/filter_frame.h"
#include "engine/ops/gaussian.h"

namespace ximora::engine {

bool blur(Image& image, const Area& area, const BlurParams& params) {
    if (params.level < 1 || params.level > 20) return fail(kErrBadParameter);
    const GaussianKernel kernel(params.level / 2.0);
    return runFilter(image, area, [&](const Plane& src, const Plane& dst) {
        const size_t len = size_t(src.width) * size_t(src.channels);
        parallelRows(src.height, [&](int y0, int y1) {
            gaussianRows(src, kernel, y0, y1, [&](int y, const uint8_t* blurred) {
                std::memcpy(dst.row(y), blurred, len);
            });
        });
    });
}

}  // namespace ximora::engine
