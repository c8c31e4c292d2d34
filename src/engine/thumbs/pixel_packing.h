#pragma once
// How a cached thumbnail's pixels are stored: each row's bytes minus the byte of the pixel to
// their left (as PNG's "Sub" filter), the rows deflated with zlib. Lossless; inflating a
// 100-pixel thumbnail takes a few tens of microseconds.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/core/image.h"

namespace ximora::engine {

/// Packs a 24-bit image.
std::vector<uint8_t> packPixels(const Image& rgb);

/// Unpacks `size` bytes into a width × height 24-bit image. False (error 17) when the data is
/// not exactly one such image; `out` is then untouched.
bool unpackPixels(const uint8_t* data, size_t size, int width, int height, Image& out);

}  // namespace ximora::engine
