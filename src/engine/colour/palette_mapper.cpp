#include "engine/colour/palette_mapper.h"

#include <algorithm>
#include <cstdlib>

#include "engine/core/parallel.h"

namespace ximora::engine {
namespace {

constexpr int kCellBits = 3, kCellSize = 1 << kCellBits, kCells = 32;

// Nearest and farthest squared distance from `value` to the span [lo, lo + side - 1].
void spanDistance(int value, int lo, int side, int& nearest, int& farthest) {
    const int hi = lo + side - 1;
    const int in = value < lo ? lo - value : value > hi ? value - hi : 0;
    const int out = std::max(std::abs(value - lo), std::abs(value - hi));
    nearest = in * in;
    farthest = out * out;
}

}  // namespace

PaletteMapper::PaletteMapper(const std::vector<Colour>& palette) : palette_(palette) {
    // Coarse cells (four times as wide) first: a fine cell's candidates are among those of its
    // coarse cell, which makes building the table about ten times cheaper.
    std::vector<uint8_t> all(palette_.size());
    for (size_t i = 0; i < all.size(); ++i) all[i] = uint8_t(i);
    constexpr int kCoarse = kCells / 4;
    std::vector<std::vector<uint8_t>> coarse(size_t(kCoarse) * kCoarse * kCoarse);
    for (int rc = 0; rc < kCoarse; ++rc)
        for (int gc = 0; gc < kCoarse; ++gc)
            for (int bc = 0; bc < kCoarse; ++bc)
                coarse[size_t((rc * kCoarse + gc) * kCoarse + bc)] = candidatesFor(
                    all, rc * kCellSize * 4, gc * kCellSize * 4, bc * kCellSize * 4, kCellSize * 4);

    const size_t cellCount = size_t(kCells) * kCells * kCells;
    // Each band of red cells fills its own lists; they are joined in order afterwards, so the
    // tables do not depend on the number of threads.
    std::vector<std::vector<uint8_t>> lists(cellCount);
    parallelRows(
        kCells,
        [&](int r0, int r1) {
            for (int rc = r0; rc < r1; ++rc)
                for (int gc = 0; gc < kCells; ++gc)
                    for (int bc = 0; bc < kCells; ++bc) {
                        const auto& parent =
                            coarse[size_t(((rc / 4) * kCoarse + gc / 4) * kCoarse + bc / 4)];
                        lists[size_t((rc << 10) | (gc << 5) | bc)] = candidatesFor(
                            parent, rc * kCellSize, gc * kCellSize, bc * kCellSize, kCellSize);
                    }
        },
        1);
    offsets_.resize(cellCount + 1);
    size_t total = 0;
    for (size_t cell = 0; cell < cellCount; ++cell)
        offsets_[cell] = uint32_t(total), total += lists[cell].size();
    offsets_[cellCount] = uint32_t(total);
    candidates_.reserve(total);
    for (const auto& list : lists) candidates_.insert(candidates_.end(), list.begin(), list.end());
}

std::vector<uint8_t> PaletteMapper::candidatesFor(const std::vector<uint8_t>& among, int r, int g,
                                                  int b, int side) const {
    // An entry can be nearest for some colour of the cube only if its nearest possible
    // distance does not exceed the farthest distance of some other entry.
    int bound = INT32_MAX;
    std::vector<int> nearest(among.size());
    for (size_t i = 0; i < among.size(); ++i) {
        const Colour& c = palette_[among[i]];
        int nr, fr, ng, fg, nb, fb;
        spanDistance(c.r, r, side, nr, fr);
        spanDistance(c.g, g, side, ng, fg);
        spanDistance(c.b, b, side, nb, fb);
        nearest[i] = nr + ng + nb;
        bound = std::min(bound, fr + fg + fb);
    }
    std::vector<uint8_t> result;
    for (size_t i = 0; i < among.size(); ++i)
        if (nearest[i] <= bound) result.push_back(among[i]);
    return result;
}

}  // namespace ximora::engine
