#include "engine/effects/contour.h"

#include <algorithm>
#include <cstdlib>

#include "engine/effects/covered_spans.h"
#include "engine/effects/plane.h"
#include "engine/effects/prepare.h"

namespace ximora::engine {
namespace {

// Edge strength at x of the row `r[1]` between its neighbours r[0] and r[2] (0 to 510).
int strength(int matrix, const uint8_t* const r[3], int x) {
    switch (matrix) {
        case 0:
            return std::abs(r[1][x + 1] - r[1][x]) + std::abs(r[2][x] - r[1][x]);
        case 1:
            return std::abs(r[1][x] - r[2][x + 1]) + std::abs(r[1][x + 1] - r[2][x]);
        default: {
            const int gx = (r[0][x + 1] + 2 * r[1][x + 1] + r[2][x + 1]) -
                           (r[0][x - 1] + 2 * r[1][x - 1] + r[2][x - 1]);
            const int gy = (r[2][x - 1] + 2 * r[2][x] + r[2][x + 1]) -
                           (r[0][x - 1] + 2 * r[0][x] + r[0][x + 1]);
            return (std::abs(gx) + std::abs(gy) + 2) / 4;
        }
    }
}

}  // namespace

bool contour(Image& image, const Area& area, const ContourParams& params) {
    const bool valid = params.plane >= 0 && params.plane <= 3 && params.matrix >= 0 &&
                       params.matrix <= 2 && params.brightness >= 0 && params.brightness <= 100;
    if (!prepareEffect(image, valid)) return false;
    PaddedPlane plane;
    if (!plane.build(image, PaddedPlane::Source(params.plane))) return false;
    const int n = image.bytesPerPixel();
    const AreaMask mask(area, image.width(), image.height());
    forCoveredSpans(mask, [&](int y, int x0, int x1) {
        const uint8_t* const rows[3] = {plane.row(y - 1), plane.row(y), plane.row(y + 1)};
        uint8_t* out = image.row(y);
        for (int x = x0; x < x1; ++x) {
            const int m = strength(params.matrix, rows, x);
            const auto v = uint8_t(std::min(255, (m * params.brightness + 5) / 10));
            uint8_t* p = out + x * n;
            p[0] = p[1] = p[2] = v;
        }
    });
    return true;
}

}  // namespace ximora::engine
