#pragma once
// Samples of more than 8 bits that a picture's file held (16-bit PNG and TIFF), kept beside the
// 8-bit raster that the editor shows and edits, so that a save to a format that stores them
// writes them instead of the raster. They stand for the raster only while it holds the pixels
// they were made with: any change of its pixels (an edit, which works on the 8-bit raster)
// leaves them behind, which a fingerprint of the raster tells (currentDeepSamples). The moves
// that only rearrange pixels (turns, flips, trimming) move the samples with them.

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/core/memory_budget.h"

namespace ximora::engine {

class Image;

/// 16-bit samples (0 to 65535) in the raster's layout: one channel beside an 8-bit grey raster,
/// three (R, G, B) beside a 24-bit one, four (R, G, B, A) beside a 32-bit one; rows top-down,
/// no padding.
struct DeepSamples {
    int width = 0, height = 0, channels = 0;
    std::vector<uint16_t> samples;
    /// rasterFingerprint() of the raster they stand for.
    uint64_t fingerprint = 0;
    /// The samples count against the memory budget while they live.
    MemoryCharge charge;

    uint16_t* row(int y) { return samples.data() + size_t(y) * size_t(width) * size_t(channels); }
    const uint16_t* row(int y) const {
        return samples.data() + size_t(y) * size_t(width) * size_t(channels);
    }
};

/// Channels the deep samples of a raster of `bitsPerPixel` have (1 for 8-bit grey, 3, 4), or 0
/// for a depth that has none.
int deepChannelsFor(int bitsPerPixel, bool grey);

/// Makes samples for a width × height raster of `channels`, within the memory budget together
/// with `alsoHeld` bytes (the raster); nullptr with error 3 when they do not fit.
std::unique_ptr<DeepSamples> makeDeepSamples(int width, int height, int channels,
                                             uint64_t alsoHeld);

/// A fingerprint of the raster's pixels, palette, size and depth.
uint64_t rasterFingerprint(const Image& image);

/// Attaches `samples` to `image` as standing for its raster as it is now.
void attachDeepSamples(Image& image, std::unique_ptr<DeepSamples> samples);

/// The image's deep samples when they still stand for its raster, else nullptr.
const DeepSamples* currentDeepSamples(const Image& image);

/// The samples rearranged as an orientation (engine/core/orientation_map.h) rearranges a
/// raster; nullptr with error 3 when memory runs out.
std::unique_ptr<DeepSamples> reorientedDeepSamples(const DeepSamples& samples, int orientation);

/// The part of the samples inside [left, right) × [top, bottom); nullptr with error 3 when
/// memory runs out.
std::unique_ptr<DeepSamples> trimmedDeepSamples(const DeepSamples& samples, int left, int top,
                                                int right, int bottom);

}  // namespace ximora::engine
