#pragma once
// Tone and colour operations: brightness, saturation, channel inversion, tone curve and filling.
// Each works on the pixels an Area covers (pixels outside stay bit-identical) at any depth:
// 24/32 bits in place (alpha kept), 16 bits through 8-bit RGB, palette images by changing the
// palette (whole image) or by pointing the covered indexes at changed entries (see
// remapPalette). None changes the nominal depth. On failure (error 5 for a parameter out of
// range, 24 without an image) the image is unchanged.

#include <array>

#include "engine/core/area.h"
#include "engine/core/image.h"

namespace ximora::engine {

/// Added to each channel, -255 to 255 (0 leaves the channel as it is); results clamp to 0..255.
struct BrightnessParams {
    int red = 0, green = 0, blue = 0;
};
bool adjustBrightness(Image& image, const Area& area, const BrightnessParams& params);

/// Level -100 to 1000: the distance of each channel from the pixel's grey level (BT.601 luma) is
/// multiplied by (100 + level) / 100. So -100 gives grey, 0 leaves the image unchanged, 100
/// doubles the colourfulness and 1000 multiplies it by 11 (clamped to 0..255).
struct SaturationParams {
    int level = 0;
};
bool adjustSaturation(Image& image, const Area& area, const SaturationParams& params);

/// Each chosen channel becomes 255 minus itself. No channel chosen changes nothing.
struct InversionParams {
    bool red = true, green = true, blue = true;
};
bool invertChannels(Image& image, const Area& area, const InversionParams& params);

enum class ToneSpace {
    Rgb,    ///< the curve acts on red, green, blue
    YCrCb,  ///< on Y, Cr, Cb (JPEG's full-range BT.601 components)
};

/// A tone curve through five points (input level → output level, each 0 to 255). The curve is a
/// monotone cubic spline (Fritsch–Carlson): it passes through every point and never overshoots
/// between them. Points with equal input keep the last one. Below the lowest input the curve
/// runs straight to (0, 0), above the highest straight to (255, 255), so points on the diagonal
/// at the ends of a partial range leave the rest unchanged. `channels` chooses the components the
/// curve acts on, in the order R, G, B or Y, Cr, Cb. The identity points (0, 64, 128, 192, 255
/// to themselves) change nothing.
struct ToneCurveParams {
    std::array<int, 5> inputs{0, 64, 128, 192, 255};
    std::array<int, 5> outputs{0, 64, 128, 192, 255};
    ToneSpace space = ToneSpace::Rgb;
    std::array<bool, 3> channels{true, true, true};
};
bool applyToneCurve(Image& image, const Area& area, const ToneCurveParams& params);

/// The 256-entry table of a tone curve (as applyToneCurve uses it); false when a level is out of
/// range.
bool toneCurveTable(const std::array<int, 5>& inputs, const std::array<int, 5>& outputs,
                    std::array<uint8_t, 256>& table);

/// Paints every covered pixel with `colour` (alpha used at 32 bits). Palette images use the entry
/// of that colour, a new entry while the palette has room, else the nearest entry.
bool fillArea(Image& image, const Area& area, const Colour& colour);

}  // namespace ximora::engine
