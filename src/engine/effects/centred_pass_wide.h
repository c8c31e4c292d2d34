#pragma once
// One pass of the radial and zoom blurs for sixteen pixels at once with 512-bit vectors, on
// processors that have them (AVX-512). The coordinates are computed with the same single float
// operations in the same order as the plain loop (the file is built without fused multiply-add)
// and the bilinear weights are the same integers, so each pixel comes out exactly as there.

#include <array>
#include <cstdint>

#include "engine/effects/bilinear.h"

#if defined(__x86_64__) && defined(__GNUC__)
#define XIMORA_WIDE_CENTRED_PASS 1

namespace ximora::engine {

/// Whether this processor runs wideCentredGroup.
bool wideCentredPassAvailable();

/// What one pass needs for a row: the centre, the row's distance from it, the turn (or scale)
/// matrices of the one or two samples, and for later passes the row of the previous result.
struct CentredPassRow {
    const SampleSource* source;
    float cx, cy, dy;
    const std::array<float, 4>* first;  ///< the first sample's matrix; nullptr: use `own`
    const uint8_t* own;                 ///< the pixel's own value in the previous pass's result
    std::array<float, 4> second;
};

/// Writes pixels x .. x + 15 of the row into out (N bytes each, N = 3 or 4) and returns true,
/// or returns false without writing when one of them samples at the picture's last column or
/// row (the plain loop then does those sixteen).
template <int N>
bool wideCentredGroup(const CentredPassRow& row, int x, uint8_t* out);

}  // namespace ximora::engine

#endif
