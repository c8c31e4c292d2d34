#pragma once
// The names the editor and batch tests use for the engine's generated test images.

#include "op_test_images.h"

namespace ximora::engine::testing {

using test::randomImage;

/// Whether two images have the same size, depth and colour at every pixel.
inline bool samePixels(const Image& a, const Image& b) {
    return a.bitsPerPixel() == b.bitsPerPixel() && test::sameColours(a, b);
}

}  // namespace ximora::engine::testing
