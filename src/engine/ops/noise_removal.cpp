#include <algorithm>
#include <array>
#include <cstdlib>
#include <vector>

#include "engine/core/error.h"
#include "engine/core/parallel.h"
#include "engine/ops/corrections.h"
#include "engine/ops/filter_frame.h"
#include "engine/ops/vector_clones.h"

namespace ximora::engine {
namespace {

inline uint8_t med3(uint8_t a, uint8_t b, uint8_t c) {
    return std::max(std::min(a, b), std::min(std::max(a, b), c));
}

// One row of the 3 × 3 median: sort each column of three, then the median of nine is the median
// of (largest of the minima, median of the medians, smallest of the maxima). a, b, e are the rows
// above, at and below, padded by one pixel; lo, mid, hi are scratch rows of the same length.
XIMORA_VECTOR_CLONES void medianRow(const uint8_t* a, const uint8_t* b, const uint8_t* e,
                                    size_t padded, int c, const uint8_t* s, uint8_t* d,
                                    int threshold, uint8_t* lo, uint8_t* mid, uint8_t* hi) {
    for (size_t i = 0; i < padded; ++i) {
        const uint8_t mn = std::min(a[i], b[i]), mx = std::max(a[i], b[i]);
        lo[i] = std::min(mn, e[i]);
        hi[i] = std::max(mx, e[i]);
        mid[i] = std::max(mn, std::min(mx, e[i]));
    }
    // Output sample i has its left, own and right neighbours at i, i + c and i + 2c of the
    // padded rows.
    const size_t len = padded - size_t(2 * c), step = size_t(c);
    for (size_t i = 0; i < len; ++i) {
        const uint8_t maxLo = std::max(std::max(lo[i], lo[i + step]), lo[i + 2 * step]);
        const uint8_t minHi = std::min(std::min(hi[i], hi[i + step]), hi[i + 2 * step]);
        const uint8_t medMid = med3(mid[i], mid[i + step], mid[i + 2 * step]);
        const uint8_t median = med3(maxLo, medMid, minHi);
        d[i] = std::abs(s[i] - median) > threshold ? median : s[i];
    }
}

void medianPerChannel(const Plane& src, const Plane& dst, int threshold) {
    const int c = src.channels;
    const size_t padded = size_t(src.width + 2) * size_t(c);
    parallelRows(src.height, [&](int y0, int y1) {
        std::vector<uint8_t> rows[3], lo(padded), mid(padded), hi(padded);
        for (auto& r : rows) r.resize(padded);
        for (int y = y0; y < y1; ++y) {
            for (int k = 0; k < 3; ++k) padRow(src, clampedRow(src, y - 1 + k), 1, rows[k].data());
            medianRow(rows[0].data(), rows[1].data(), rows[2].data(), padded, c, src.row(y),
                      dst.row(y), threshold, lo.data(), mid.data(), hi.data());
        }
    });
}

// Each pixel becomes the neighbour whose grey level is the median of the nine (ties keep the
// earlier neighbour in reading order), so no new colours appear.
void medianByLuma(const Plane& src, const Plane& dst) {
    const int c = src.channels;
    parallelRows(src.height, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            const uint8_t* rows[3] = {clampedRow(src, y - 1), src.row(y), clampedRow(src, y + 1)};
            uint8_t* d = dst.row(y);
            for (int x = 0; x < src.width; ++x) {
                std::array<std::pair<int, const uint8_t*>, 9> n;
                for (int k = 0; k < 9; ++k) {
                    const int nx = std::clamp(x + k % 3 - 1, 0, src.width - 1);
                    const uint8_t* p = rows[k / 3] + size_t(nx) * size_t(c);
                    n[size_t(k)] = {c >= 3 ? luma(p[0], p[1], p[2]) : p[0], p};
                }
                std::stable_sort(n.begin(), n.end(),
                                 [](const auto& a, const auto& b) { return a.first < b.first; });
                std::copy(n[4].second, n[4].second + c, d + size_t(x) * size_t(c));
            }
        }
    });
}

}  // namespace

bool removeNoise(Image& image, const Area& area, const NoiseRemovalParams& params) {
    if (params.level < 0 || params.level > 255) return fail(kErrBadParameter);
    if (params.perChannel && params.level == 0) return image.empty() ? fail(kErrNoImage) : true;
    return runFilter(image, area, [&](const Plane& src, const Plane& dst) {
        if (params.perChannel)
            medianPerChannel(src, dst, 255 * (255 - params.level) / (255 + 4 * params.level));
        else
            medianByLuma(src, dst);
    });
}

}  // namespace ximora::engine
