#pragma once
#include <cstdint>

namespace ximora::engine {

/// Swaps pixel i of `a` with pixel count − 1 − i of `b` for every i in [0, count); pixels of
/// `bytesPerPixel` (1 to 4) bytes, a and b must not overlap. Sixteen pixels of each at a time
/// with byte shuffles where the processor has SSSE3.
void swapMirrored(uint8_t* a, uint8_t* b, int count, int bytesPerPixel);

/// Reverses the order of the `count` pixels of a row in place.
void reverseInPlace(uint8_t* row, int count, int bytesPerPixel);

}  // namespace ximora::engine
