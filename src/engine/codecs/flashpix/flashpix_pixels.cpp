// Colour spaces of FlashPix 1.0.1 (section 5: monochrome, PhotoYCC, NIF RGB; opacity).
#include "engine/codecs/flashpix/flashpix_pixels.h"

#include <algorithm>
#include <cmath>

#include "engine/codecs/flashpix/flashpix_format.h"
#include "engine/io/bytes.h"

namespace ximora::engine::flashpix {
namespace {

constexpr uint32_t kUncalibrated = 0x80000000;

uint8_t clampByte(double v) { return uint8_t(std::clamp(std::lround(v), 0L, 255L)); }

// PhotoYCC (8-bit Photo CD encoding: Y = 255 / 1.402 × luma, C1 = 111.40 × (B - luma) + 156,
// C2 = 135.64 × (R - luma) + 137, with R, G, B from 0 to 1) back to 8-bit RGB; values above
// the reference white are clipped.
void photoYccToRgb(const uint8_t* ycc, uint8_t* rgb) {
    const double luma = ycc[0] * 1.402 / 255.0;
    const double blue = luma + (ycc[1] - 156.0) / 111.40;
    const double red = luma + (ycc[2] - 137.0) / 135.64;
    const double green = (luma - 0.299 * red - 0.114 * blue) / 0.587;
    rgb[0] = clampByte(red * 255.0), rgb[1] = clampByte(green * 255.0);
    rgb[2] = clampByte(blue * 255.0);
}

uint8_t unpremultiply(uint8_t c, uint8_t a) {
    if (a == 0) return 0;
    return uint8_t(std::min(255, (c * 255 + a / 2) / a));
}

uint8_t premultiply(uint8_t c, uint8_t a) { return uint8_t((c * a + 127) / 255); }

}  // namespace

bool parseChannelLayout(const std::vector<uint8_t>& blob, ChannelLayout& layout) {
    if (blob.size() < 8) return false;
    const uint32_t channels = readLe32(blob.data() + 4);
    if (channels < 1 || channels > 4 || blob.size() < 8 + 4 * size_t(channels)) return false;
    layout = ChannelLayout{};
    layout.channels = int(channels);
    const uint32_t last = readLe32(blob.data() + 8 + 4 * (channels - 1)) & ~kUncalibrated;
    layout.opacity = (last & 0x7FFF) == kOpacityChannel;
    const uint32_t first = readLe32(blob.data() + 8) & ~kUncalibrated;
    layout.space = first >> 16;
    layout.premultiplied = layout.opacity && channels > 1 && (first & kPremultiplied);
    const int colours = int(channels) - (layout.opacity ? 1 : 0);
    if (colours == 0) {
        layout.space = kSpaceMonochrome;  // an opacity channel alone shows as grey
        layout.opacity = false;
        return true;
    }
    if (layout.space == kSpaceMonochrome) return colours == 1;
    if (layout.space == kSpacePhotoYcc || layout.space == kSpaceNifRgb) return colours == 3;
    return false;
}

ChannelLayout defaultLayout(int channels) {
    ChannelLayout layout;
    layout.channels = channels;
    layout.space = channels <= 2 ? kSpaceMonochrome : kSpaceNifRgb;
    layout.opacity = channels == 2 || channels == 4;
    layout.premultiplied = layout.opacity;
    return layout;
}

std::vector<uint8_t> channelLayoutBlob(const ChannelLayout& layout) {
    std::vector<uint8_t> blob;
    ByteWriter w(blob);
    w.le32(1);  // one colour space description
    w.le32(uint32_t(layout.channels));
    const int colours = layout.channels - (layout.opacity ? 1 : 0);
    const uint32_t flags = layout.premultiplied ? kPremultiplied : 0;
    for (int c = 0; c < colours; ++c) w.le32(layout.space << 16 | flags | uint32_t(c));
    if (layout.opacity) w.le32(layout.space << 16 | kOpacityChannel);
    return blob;
}

void storedToImage(const ChannelLayout& layout, const uint8_t* in, int count, uint8_t* out) {
    const int stored = layout.channels, shown = layout.imageChannels();
    for (int i = 0; i < count; ++i, in += stored, out += shown) {
        if (shown == 1) {
            out[0] = in[0];
            continue;
        }
        const uint8_t alpha = layout.opacity ? in[stored - 1] : 255;
        if (layout.space == kSpaceMonochrome)
            out[0] = out[1] = out[2] = in[0];
        else if (layout.space == kSpacePhotoYcc)
            photoYccToRgb(in, out);
        else
            out[0] = in[0], out[1] = in[1], out[2] = in[2];
        if (!layout.opacity) continue;
        out[3] = alpha;
        if (layout.premultiplied)
            for (int c = 0; c < 3; ++c) out[c] = unpremultiply(out[c], alpha);
    }
}

void imageToStored(const ChannelLayout& layout, const uint8_t* in, int count, uint8_t* out) {
    const int stored = layout.channels, shown = layout.imageChannels();
    const int colours = stored - (layout.opacity ? 1 : 0);
    for (int i = 0; i < count; ++i, in += shown, out += stored) {
        const uint8_t alpha = layout.opacity ? in[shown - 1] : 255;
        for (int c = 0; c < colours; ++c)
            out[c] = layout.premultiplied ? premultiply(in[c], alpha) : in[c];
        if (layout.opacity) out[stored - 1] = alpha;
    }
}

}  // namespace ximora::engine::flashpix
