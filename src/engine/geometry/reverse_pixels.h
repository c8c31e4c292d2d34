#pragma once
#include <cstdint>

namespace ximora::engine {

/// Writes the `count` 3-byte pixels of src into dst in reverse order (dst must not overlap
/// src). Sixteen pixels at a time with byte shuffles where the processor has SSSE3.
void reversePixels3(const uint8_t* src, uint8_t* dst, int count);

}  // namespace ximora::engine
