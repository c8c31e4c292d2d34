#pragma once
// Exact nearest-palette-entry lookup, fast enough for every pixel of a large photo.

#include <cstdint>
#include <vector>

#include "engine/core/image.h"

namespace ximora::engine {

/// Finds the palette entry nearest to a colour (squared RGB distance; ties go to the lower
/// index). The colour cube is split into 32 × 32 × 32 cells; each cell keeps only the entries
/// that can be nearest for some colour inside it (an entry whose nearest possible distance
/// exceeds another entry's farthest one never can), so a lookup tests a handful of entries
/// and the answer is still exact.
class PaletteMapper {
  public:
    /// `palette`: 1 to 256 entries.
    explicit PaletteMapper(const std::vector<Colour>& palette);

    uint8_t nearest(int r, int g, int b) const {
        const size_t cell = size_t(((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3));
        const uint8_t* candidate = candidates_.data() + offsets_[cell];
        const uint8_t* end = candidates_.data() + offsets_[cell + 1];
        uint8_t best = *candidate;
        int bestDistance = INT32_MAX;
        for (; candidate != end; ++candidate) {
            const Colour& c = palette_[*candidate];
            const int dr = r - c.r, dg = g - c.g, db = b - c.b;
            const int distance = dr * dr + dg * dg + db * db;
            if (distance < bestDistance) bestDistance = distance, best = *candidate;
        }
        return best;
    }
    const std::vector<Colour>& palette() const { return palette_; }

  private:
    // The entries of `among` that can be nearest for a colour in the cube of `side` values
    // starting at (r, g, b).
    std::vector<uint8_t> candidatesFor(const std::vector<uint8_t>& among, int r, int g, int b,
                                       int side) const;

    std::vector<Colour> palette_;
    std::vector<uint32_t> offsets_;  // per cell, into candidates_; one extra at the end
    std::vector<uint8_t> candidates_;
};

}  // namespace ximora::engine
