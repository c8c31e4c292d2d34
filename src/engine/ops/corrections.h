#pragma once
// Corrections: blur, sharpen, noise removal and edge smoothing. Each works on the pixels an Area
// covers; pixels outside stay bit-identical. The filters see the whole image around the area, so
// a blurred selection blends with its surroundings. Depths: 24/32 bits in place (alpha filtered
// like the colours, so an opaque image stays opaque); grey palette images filter their grey
// levels and keep their palette; 16 bits filter in 8-bit RGB and are packed back; colour palette
// images become 24-bit images. Pixels past the edges repeat the edge pixels. On failure (error 5
// for a level out of range, 24 without an image, 3 out of memory) the image is unchanged.
// Each operation needs memory of one more image (two for depths that are converted to samples).

#include "engine/core/area.h"
#include "engine/core/image.h"

namespace ximora::engine {

/// Gaussian blur. Level 1 to 20 is the standard deviation in half pixels (sigma = level / 2):
/// level 1 softens single-pixel detail, level 20 (sigma 10) blurs a 30-pixel neighbourhood.
struct BlurParams {
    int level = 2;
};
bool blur(Image& image, const Area& area, const BlurParams& params);

/// Unsharp masking with a Gaussian of sigma 1 pixel. Level 0 to 100 is the amount in
/// twentieths: each pixel moves away from its blurred value by level / 20 times their
/// difference (0 changes nothing, 5 is a gentle crispening, 100 amplifies detail five times).
struct SharpenParams {
    int level = 5;
};
bool sharpen(Image& image, const Area& area, const SharpenParams& params);

/// Median filter over the 3 × 3 neighbourhood.
/// perChannel true: each channel on its own; a sample is replaced by the median of its
/// neighbourhood only when it differs from it by more than T = 255 × (255 − level) /
/// (255 + 4 × level). So level 0 (T = 255) changes nothing, level 50 (T = 114) removes specks
/// and keeps texture, level 100 (T = 60) also evens out coarse grain, and level 255 (T = 0) is
/// the plain median filter.
/// perChannel false: the level is not used; each pixel becomes the neighbour whose grey level
/// is the median of the nine, so colours are never mixed.
struct NoiseRemovalParams {
    bool perChannel = true;
    int level = 50;
};
bool removeNoise(Image& image, const Area& area, const NoiseRemovalParams& params);

/// Smooths jagged edges: pixels on a strong edge (Sobel gradient of the grey level) are blended
/// with their 3 × 3 weighted mean in proportion to the edge's strength; flat parts and gentle
/// gradients are left as they are. No parameters.
bool smoothEdges(Image& image, const Area& area);

}  // namespace ximora::engine
