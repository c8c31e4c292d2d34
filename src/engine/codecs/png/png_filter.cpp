#include "engine/codecs/png/png_filter.h"

#include <cstring>

#include "engine/ops/vector_clones.h"

namespace ximora::engine {
namespace {

enum FilterType : uint8_t { kNone = 0, kSub = 1, kUp = 2, kAverage = 3, kPaeth = 4 };

// The filters' outputs are read as signed bytes: a good prediction leaves values near zero on
// either side. Summing their magnitudes ranks the filters as libpng does.
XIMORA_VECTOR_CLONES uint64_t signedMagnitude(const uint8_t* p, size_t n) {
    uint64_t sum = 0;
    for (size_t i = 0; i < n; ++i) sum += p[i] < 128 ? p[i] : 256 - p[i];
    return sum;
}

XIMORA_VECTOR_CLONES void subRow(const uint8_t* row, size_t n, int bpp, uint8_t* out) {
    std::memcpy(out, row, size_t(bpp));
    for (size_t i = size_t(bpp); i < n; ++i) out[i] = uint8_t(row[i] - row[i - size_t(bpp)]);
}

XIMORA_VECTOR_CLONES void upRow(const uint8_t* row, const uint8_t* above, size_t n, uint8_t* out) {
    for (size_t i = 0; i < n; ++i) out[i] = uint8_t(row[i] - above[i]);
}

XIMORA_VECTOR_CLONES void averageRow(const uint8_t* row, const uint8_t* above, size_t n, int bpp,
                                     uint8_t* out) {
    const size_t b = size_t(bpp);
    for (size_t i = 0; i < b; ++i) out[i] = uint8_t(row[i] - (above[i] >> 1));
    for (size_t i = b; i < n; ++i) out[i] = uint8_t(row[i] - ((row[i - b] + above[i]) >> 1));
}

// The predictor of the format, written without branches so that it runs in vector lanes.
XIMORA_VECTOR_CLONES void paethRow(const uint8_t* row, const uint8_t* above, size_t n, int bpp,
                                   uint8_t* out) {
    const size_t b = size_t(bpp);
    for (size_t i = 0; i < b; ++i) out[i] = uint8_t(row[i] - above[i]);
    for (size_t i = b; i < n; ++i) {
        const int left = row[i - b], up = above[i], corner = above[i - b];
        const int toLeft = up > corner ? up - corner : corner - up;
        const int toUp = left > corner ? left - corner : corner - left;
        const int both = left + up - 2 * corner;
        const int toCorner = both < 0 ? -both : both;
        const int fromUpOrCorner = toUp <= toCorner ? up : corner;
        const int predicted = toLeft <= toUp && toLeft <= toCorner ? left : fromUpOrCorner;
        out[i] = uint8_t(row[i] - predicted);
    }
}

}  // namespace

PngRowFilter::PngRowFilter(size_t length, int bytesPerPixel, bool adaptive)
    : length_(length), bpp_(bytesPerPixel), adaptive_(adaptive) {
    if (adaptive_) {
        zeros_.assign(length_, 0);
        candidate_.resize(4 * length_);
    }
}

void PngRowFilter::filter(const uint8_t* row, const uint8_t* previous, uint8_t* out) {
    if (!adaptive_) {
        out[0] = kNone;
        std::memcpy(out + 1, row, length_);
        return;
    }
    const uint8_t* above = previous ? previous : zeros_.data();
    uint8_t* sub = candidate_.data();
    uint8_t* up = sub + length_;
    uint8_t* average = up + length_;
    uint8_t* paeth = average + length_;
    subRow(row, length_, bpp_, sub);
    upRow(row, above, length_, up);
    averageRow(row, above, length_, bpp_, average);
    paethRow(row, above, length_, bpp_, paeth);
    const uint8_t* chosen = row;
    uint8_t type = kNone;
    uint64_t best = signedMagnitude(row, length_);
    // Ties keep the simpler filter, as libpng's order does.
    const struct {
        uint8_t type;
        const uint8_t* bytes;
    } candidates[] = {{kSub, sub}, {kUp, up}, {kAverage, average}, {kPaeth, paeth}};
    for (const auto& c : candidates) {
        const uint64_t cost = signedMagnitude(c.bytes, length_);
        if (cost < best) best = cost, type = c.type, chosen = c.bytes;
    }
    out[0] = type;
    std::memcpy(out + 1, chosen, length_);
}

}  // namespace ximora::engine
