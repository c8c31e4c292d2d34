#include <algorithm>
#include <cstdlib>
#include <vector>

#include "engine/core/parallel.h"
#include "engine/ops/corrections.h"
#include "engine/ops/filter_frame.h"

namespace ximora::engine {
namespace {

// Gradient strengths (|gx| + |gy| of the Sobel operator, 0 to 2040) between which the blend
// rises from none to full: soft shading stays crisp, hard steps are softened.
constexpr int kEdgeStart = 96;
constexpr int kEdgeFull = 352;

}  // namespace

bool smoothEdges(Image& image, const Area& area) {
    return runFilter(image, area, [](const Plane& src, const Plane& dst) {
        const int c = src.channels, w = src.width;
        parallelRows(src.height, [&](int y0, int y1) {
            std::vector<uint8_t> rows[3], grey[3];
            for (int k = 0; k < 3; ++k)
                rows[k].resize(size_t(w + 2) * size_t(c)), grey[k].resize(size_t(w + 2));
            for (int y = y0; y < y1; ++y) {
                for (int k = 0; k < 3; ++k) {
                    padRow(src, clampedRow(src, y - 1 + k), 1, rows[k].data());
                    for (int x = 0; x < w + 2; ++x) {
                        const uint8_t* p = rows[k].data() + size_t(x) * size_t(c);
                        grey[k][size_t(x)] = c >= 3 ? luma(p[0], p[1], p[2]) : p[0];
                    }
                }
                uint8_t* d = dst.row(y);
                for (int x = 0; x < w; ++x) {
                    const uint8_t *g0 = grey[0].data() + x, *g1 = grey[1].data() + x,
                                  *g2 = grey[2].data() + x;
                    const int gx = (g0[2] + 2 * g1[2] + g2[2]) - (g0[0] + 2 * g1[0] + g2[0]);
                    const int gy = (g2[0] + 2 * g2[1] + g2[2]) - (g0[0] + 2 * g0[1] + g0[2]);
                    const int strength = std::abs(gx) + std::abs(gy);
                    const int alpha = std::clamp(
                        (strength - kEdgeStart) * 256 / (kEdgeFull - kEdgeStart), 0, 256);
                    for (int ch = 0; ch < c; ++ch) {
                        auto at = [&](int k, int dx) {
                            return int(rows[k][size_t((x + 1 + dx) * c + ch)]);
                        };
                        const int s = at(1, 0);
                        const int mean =
                            (at(0, -1) + 2 * at(0, 0) + at(0, 1) + 2 * at(1, -1) + 4 * s +
                             2 * at(1, 1) + at(2, -1) + 2 * at(2, 0) + at(2, 1) + 8) >>
                            4;
                        d[x * c + ch] =
                            uint8_t(s + ((mean - s) * alpha + 128 * (mean >= s ? 1 : -1)) / 256);
                    }
                }
            }
        });
    });
}

}  // namespace ximora::engine
