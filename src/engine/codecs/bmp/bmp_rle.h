#pragma once
// The run-length schemes of 4- and 8-bit bitmaps (BI_RLE4, BI_RLE8).

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/core/image.h"

namespace ximora::engine {

/// Decodes `size` bytes of RLE data (`bits` 4 or 8) into `image`, a zero-filled index image of
/// the bitmap's size; the data's rows run bottom-up. Pixels skipped by delta and end-of-line
/// escapes stay 0. Fails with 17 when a run leaves its row or the image, 23 when the data ends
/// before the image is complete.
bool decodeBmpRle(const uint8_t* data, size_t size, int bits, Image& image);

/// Appends the RLE form (`bits` 4 or 8) of the index image, bottom-up, ending with the
/// end-of-bitmap escape.
void encodeBmpRle(const Image& image, int bits, std::vector<uint8_t>& out);

}  // namespace ximora::engine
