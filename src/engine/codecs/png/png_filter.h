#pragma once
// PNG row filtering (https://www.w3.org/TR/png/#9Filters): each row is stored as a filter type
// byte and the row's bytes less a prediction from the pixel to the left, the row above or both.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace ximora::engine {

class PngRowFilter {
  public:
    /// Rows of `length` bytes with `bytesPerPixel` bytes per whole pixel (1 below 8 bits).
    /// An adaptive filter picks, per row, the filter whose output has the smallest sum of
    /// absolute signed values (the choice libpng makes); otherwise every row is stored as is
    /// (filter None), as the format recommends for palette and sub-byte images.
    PngRowFilter(size_t length, int bytesPerPixel, bool adaptive);

    /// Writes the filter type and the filtered `row` (length + 1 bytes) to `out`. `previous` is
    /// the row above, nullptr for the first row of the picture.
    void filter(const uint8_t* row, const uint8_t* previous, uint8_t* out);

  private:
    size_t length_;
    int bpp_;
    bool adaptive_;
    std::vector<uint8_t> zeros_;      // the row above the first one
    std::vector<uint8_t> candidate_;  // four filtered rows: Sub, Up, Average, Paeth
};

}  // namespace ximora::engine
