#pragma once
// The loop of the distortions: every covered pixel takes the colour found at a position the
// effect computes for it, sampled bilinearly from a copy of the image taken before.

#include "engine/core/area.h"
#include "engine/core/image.h"
#include "engine/effects/bilinear.h"
#include "engine/effects/covered_spans.h"
#include "engine/effects/prepare.h"

namespace ximora::engine {

template <int N, class Where>
void warpSpans(const SampleSource& source, Image& image, const AreaMask& mask, const Where& where) {
    forCoveredSpans(mask, [&](int y, int x0, int x1) {
        uint8_t* out = image.row(y);
        for (int x = x0; x < x1; ++x) {
            float sx, sy;
            if (where(x, y, sx, sy)) source.bilinear<N>(sx, sy, out + x * N);
        }
    });
}

/// For each covered pixel (x, y) of a 24 or 32-bit image, `where(x, y, sx, sy)` either sets
/// the source position (pixel-centre coordinates) and returns true, or returns false to leave
/// the pixel as it is. Fails with kErrMemory when the copy does not fit; the image is
/// unchanged then.
template <class Where>
bool warp(Image& image, const AreaMask& mask, const Where& where) {
    Image before;
    if (!snapshot(image, before)) return false;
    const SampleSource source(before);
    if (image.bytesPerPixel() == 4)
        warpSpans<4>(source, image, mask, where);
    else
        warpSpans<3>(source, image, mask, where);
    return true;
}

}  // namespace ximora::engine
