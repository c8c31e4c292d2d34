#pragma once
// Conversion of an image to another colour depth, with the editor's colour codes.

#include "engine/core/image.h"

namespace ximora::engine {

/// Parameters of a colour reduction, as the colour-depth dialog and the editor pass them.
struct ColourReduction {
    /// Target colour code: 1 (black and white), 4 (16 colours), 40 (16 grey levels), 8 (256
    /// colours), 80 (256 grey levels), 16, 24 or 32 bits per pixel.
    int code = 24;
    /// 4: the standard 16-colour palette; 8: the uniform 3-3-2 palette. Otherwise a palette
    /// chosen for the image (Wu's quantizer). Ignored for the other codes.
    bool fixedPalette = false;
    /// Floyd–Steinberg error diffusion (serpentine, in bands of 512 rows) for codes 1, 4, 40,
    /// 8 and 16.
    bool errorDiffusion = false;
    /// Code 1 only: a pixel whose luminance (0.299 R + 0.587 G + 0.114 B) is at least this
    /// value (0 to 255) becomes white, the others black.
    int threshold = 128;
};

/// Converts `image` in place. Resolution, comment and metadata are kept. An image that
/// already has the target code is left unchanged, unless a fixed palette is asked for or the
/// code is 1 (the threshold always applies). Code 4 on a grey image gives 16 grey levels, so
/// the editor's two steps 80 then 4 reach code 40. When the image has no more distinct colours
/// than the target palette holds, they become the palette exactly.
/// Errors: 24 for an empty image, 5 for a code or threshold out of range, 3 when memory runs
/// out (the image is then unchanged).
bool reduceColours(Image& image, const ColourReduction& params);

/// Converts a 32-bit image to 256 colours for a format whose transparency is one palette
/// entry (GIF): pixels with alpha below 128 take one transparent entry (alpha 0), the others
/// share up to 255 colours chosen for them, with error diffusion. Other depths: nothing is done.
/// Errors as reduceColours.
bool reduceKeepingTransparency(Image& image);

/// Whether any pixel of the image is not fully opaque (alpha below 255 at 32 bits, a palette
/// entry with alpha below 255 at 1, 4 and 8 bits).
bool hasTransparency(const Image& image);

/// Mean Euclidean RGB distance (0 to about 441.7) between two images of the same size; -1
/// when the sizes differ. Used to judge reductions.
double meanColourError(const Image& a, const Image& b);

}  // namespace ximora::engine
