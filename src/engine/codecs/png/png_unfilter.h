#pragma once
// Undoing PNG row filters (https://www.w3.org/TR/png/#9Filters) for the decoder's own path
// through the image data: each row predicted from the pixel to its left, the row above or both.

#include <cstddef>
#include <cstdint>

namespace ximora::engine {

/// Restores `row` (`length` bytes, `bytesPerPixel` bytes a whole pixel, 1 below 8 bits) in
/// place from the filter type byte the file stores before it. `previous` is the row above,
/// already restored: zeros for the first row. False for a filter type the format does not have.
bool unfilterPngRow(uint8_t filter, uint8_t* row, const uint8_t* previous, size_t length,
                    int bytesPerPixel);

}  // namespace ximora::engine
