#pragma once
// FlashPix channel layouts and the conversions between the stored channels (monochrome,
// PhotoYCC or NIF RGB, premultiplied by an opacity channel when there is one) and the
// engine's grey, RGB and RGBA pixels.

#include <cstdint>
#include <vector>

namespace ximora::engine::flashpix {

/// What the channels of a subimage hold, from its subimage colour property.
struct ChannelLayout {
    int channels = 3;
    uint32_t space = 3;          ///< kSpaceMonochrome, kSpacePhotoYcc or kSpaceNifRgb
    bool opacity = false;        ///< the last channel is an opacity channel
    bool premultiplied = false;  ///< the colour channels are multiplied by the opacity

    /// Bytes per pixel of the engine image this layout decodes to: 1 (grey), 3 or 4.
    int imageChannels() const { return channels == 1 ? 1 : opacity ? 4 : 3; }
};

/// The layout a subimage colour blob describes (channel count at offset 4, channel colours
/// from offset 8); false when the blob is malformed or names an unknown colour space.
bool parseChannelLayout(const std::vector<uint8_t>& blob, ChannelLayout& layout);
/// The layout assumed without a colour property: NIF RGB or monochrome, opacity last.
ChannelLayout defaultLayout(int channels);
/// The subimage colour blob for a layout.
std::vector<uint8_t> channelLayoutBlob(const ChannelLayout& layout);

/// Converts `count` stored pixels to image pixels (layout.imageChannels() bytes each).
void storedToImage(const ChannelLayout& layout, const uint8_t* in, int count, uint8_t* out);
/// Converts `count` image pixels (grey, RGB or RGBA as layout.imageChannels() says) to NIF RGB
/// or monochrome channels, premultiplied when the layout says so.
void imageToStored(const ChannelLayout& layout, const uint8_t* in, int count, uint8_t* out);

}  // namespace ximora::engine::flashpix
