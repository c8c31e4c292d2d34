#pragma once
// Neighbourhood filters and resampling work on interleaved 8-bit samples. Images at 24 and 32 bits
// already are such samples; the other depths are turned into samples and back by these helpers,
// so every filter is written once.

#include <cstddef>
#include <cstdint>

#include "engine/core/area.h"
#include "engine/core/image.h"

namespace ximora::engine {

/// A view of interleaved 8-bit samples: `channels` bytes per pixel (1 grey, 3 RGB, 4 RGBA).
struct Plane {
    uint8_t* data = nullptr;
    int width = 0;
    int height = 0;
    size_t stride = 0;
    int channels = 0;
    uint8_t* row(int y) const { return data + size_t(y) * stride; }
};

/// The plane of an image whose raster already is samples (8-bit indexes read as levels, 24, 32).
Plane planeOf(const Image& samples);

/// How an image's pixels become samples.
enum class SampleKind {
    Native,         ///< 24 or 32 bits: the raster itself
    Grey,           ///< grey palette image (1/4/8 bits, grey flag): one grey level per pixel
    Rgb565,         ///< 16 bits: RGB widened to 8 bits per channel
    PaletteColour,  ///< colour palette image: RGB of each entry
};
SampleKind sampleKind(const Image& image);

/// Samples of `image` in `samples`: an 8-bit raster of grey levels (no palette) for Grey, 24 bits
/// for Rgb565 and PaletteColour, a copy for Native. Error 3 when memory runs out.
bool extractSamples(const Image& image, Image& samples);

/// Writes the covered pixels of `samples` (same size as `image`, as extractSamples made it) back
/// into `image`: grey levels become the nearest palette entry, RGB is packed to 5-6-5. A colour
/// palette image becomes a 24-bit image first (its pixels keep their colours outside the area).
bool storeSamples(const Image& samples, const AreaMask& mask, Image& image);

/// Turns `samples` (of any size, in the layout extractSamples gives for `like`) into an image at
/// the depth of `like`, with its palette, grey flag, resolution, comment and metadata. Colour
/// palette images come back at 24 bits.
bool samplesToImage(Image&& samples, const Image& like, Image& out);

/// Gives `target` the raster of `raster` and keeps target's palette, resolution, comment and
/// metadata (the depth becomes raster's).
void adoptRaster(Image& target, Image&& raster);

/// Converts any image to 24 bits (bytes R, G, B), or to 32 bits keeping palette alpha.
bool expandToRgb(const Image& src, Image& dst, int bitsPerPixel);

/// The index of the palette entry nearest to each grey level 0..255, for grey palette images.
void greyLevelToIndex(const std::vector<Colour>& palette, uint8_t (&table)[256]);

/// The grey level of a colour (ITU-R BT.601 weights, rounded).
inline uint8_t luma(uint8_t r, uint8_t g, uint8_t b) {
    return uint8_t((77 * r + 150 * g + 29 * b + 128) >> 8);
}

}  // namespace ximora::engine
