#include "engine/effects/emboss.h"

#include <algorithm>

#include "engine/effects/covered_spans.h"
#include "engine/effects/plane.h"
#include "engine/effects/prepare.h"

namespace ximora::engine {
namespace {

constexpr int kLight[8][2] = {{-1, -1}, {0, -1}, {1, -1}, {1, 0}, {1, 1}, {0, 1}, {-1, 1}, {-1, 0}};

}  // namespace

bool emboss(Image& image, const Area& area, const EmbossParams& params) {
    const bool valid = params.direction >= 0 && params.direction <= 7 && params.emphasis >= 1 &&
                       params.emphasis <= 5 && params.background >= 0 && params.background <= 255;
    if (!prepareEffect(image, valid)) return false;
    PaddedPlane plane;
    if (!plane.build(image, PaddedPlane::kLuma)) return false;

    // A neighbour on the lit side of the pixel darkens it, one on the far side brightens it:
    // slopes facing the light come out bright.
    const int lx = kLight[params.direction][0], ly = kLight[params.direction][1];
    int weight[3][3];
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) {
            const int dot = dx * lx + dy * ly;
            weight[dy + 1][dx + 1] = (dot > 0 ? -1 : dot < 0 ? 1 : 0) * params.emphasis;
        }

    const int n = image.bytesPerPixel();
    const AreaMask mask(area, image.width(), image.height());
    forCoveredSpans(mask, [&](int y, int x0, int x1) {
        const uint8_t* rows[3] = {plane.row(y - 1), plane.row(y), plane.row(y + 1)};
        uint8_t* out = image.row(y);
        constexpr int kChunk = 512;
        uint8_t grey[kChunk];
        for (int c0 = x0; c0 < x1; c0 += kChunk) {
            const int c1 = std::min(x1, c0 + kChunk);
            for (int x = c0; x < c1; ++x) {
                int q = 0;
                for (int r = 0; r < 3; ++r)
                    q += weight[r][0] * rows[r][x - 1] + weight[r][1] * rows[r][x] +
                         weight[r][2] * rows[r][x + 1];
                // Three neighbours on each side: a step of D sums to 3·D·emphasis.
                const int shift = q >= 0 ? (q + 1) / 3 : -((1 - q) / 3);
                grey[x - c0] = uint8_t(std::clamp(params.background + shift, 0, 255));
            }
            for (int x = c0; x < c1; ++x) {
                uint8_t* p = out + x * n;
                p[0] = p[1] = p[2] = grey[x - c0];
            }
        }
    });
    return true;
}

}  // namespace ximora::engine
