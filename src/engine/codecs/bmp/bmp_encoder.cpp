// Writing bitmaps at the image's nominal depth. Palette images use a version 3 header; 16 bits
// are written as 5-6-5 bit fields and 32 bits as a version 4 header with an alpha mask, so the
// stored pixels come back exactly.
#include <algorithm>

#include "engine/codecs/bmp/bmp_codec.h"
#include "engine/codecs/bmp/bmp_rle.h"
#include "engine/core/error.h"
#include "engine/io/bytes.h"

namespace ximora::engine {
namespace {

constexpr uint32_t kFileHeaderSize = 14, kInfoV3Size = 40, kInfoV4Size = 108;
constexpr uint32_t kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3;
constexpr uint32_t kSrgbColourSpace = 0x73524742;  // 'sRGB'

// The palette as written: covers every index the pixels use, even if the image's is shorter.
std::vector<Colour> paletteToWrite(const Image& image) {
    std::vector<Colour> palette = image.palette;
    if (palette.empty()) palette = greyPalette(image.bitsPerPixel());
    uint8_t highest = 0;
    for (int y = 0; y < image.height(); ++y) {
        const uint8_t* row = image.row(y);
        highest = std::max(highest, *std::max_element(row, row + image.width()));
    }
    if (palette.size() <= highest) palette.resize(size_t(highest) + 1);
    return palette;
}

void writeRow(const Image& image, int y, ByteWriter& w) {
    const uint8_t* src = image.row(y);
    const int width = image.width(), bits = image.bitsPerPixel();
    const size_t start = w.size();
    switch (bits) {
        case 1:
        case 4: {
            const int perByte = 8 / bits;
            for (int x = 0; x < width; x += perByte) {
                uint32_t byte = 0;
                for (int i = 0; i < perByte; ++i)
                    byte = (byte << bits) | (x + i < width ? src[x + i] : 0u);
                w.u8(byte);
            }
            break;
        }
        case 8:
            w.bytes(src, size_t(width));
            break;
        case 16: {
            const auto* p = reinterpret_cast<const uint16_t*>(src);
            for (int x = 0; x < width; ++x) w.le16(p[x]);
            break;
        }
        case 24:
            for (int x = 0; x < width; ++x)
                w.u8(src[3 * x + 2]), w.u8(src[3 * x + 1]), w.u8(src[3 * x]);
            break;
        default:
            for (int x = 0; x < width; ++x)
                w.u8(src[4 * x + 2]), w.u8(src[4 * x + 1]), w.u8(src[4 * x]), w.u8(src[4 * x + 3]);
            break;
    }
    w.zeros((4 - (w.size() - start) % 4) % 4);
}

}  // namespace

bool encodeBmp(const Image& image, const SaveOptions& options, std::vector<uint8_t>& out) {
    if (image.empty()) return fail(kErrOrder);
    const int bits = image.bitsPerPixel();
    const bool compress = options.format == kSaveBmpRle && (bits == 4 || bits == 8);
    const uint32_t compression = compress                   ? (bits == 8 ? kRle8 : kRle4)
                                 : bits == 16 || bits == 32 ? kBitFields
                                                            : kRgb;
    const uint32_t infoSize = bits == 32 ? kInfoV4Size : kInfoV3Size;
    const uint32_t maskBytes = bits == 16 ? 12 : 0;  // after a version 3 header
    const std::vector<Colour> palette = bits <= 8 ? paletteToWrite(image) : std::vector<Colour>{};
    const uint32_t pixelOffset =
        kFileHeaderSize + infoSize + maskBytes + 4 * uint32_t(palette.size());
    const uint64_t rawSize = image.dataSize();
    if (rawSize + pixelOffset > 0xFFFFFFFFu) return fail(kErrBadImage);  // the header's limit

    std::vector<uint8_t> bytes;
    bytes.reserve(pixelOffset + size_t(rawSize));
    ByteWriter w(bytes);
    w.u8('B'), w.u8('M');
    w.le32(0);  // file size, patched below
    w.le32(0);
    w.le32(pixelOffset);
    w.le32(infoSize);
    w.le32(uint32_t(image.width()));
    w.le32(uint32_t(image.height()));
    w.le16(1);
    w.le16(uint32_t(bits));
    w.le32(compression);
    w.le32(0);  // image size, patched below
    w.le32(uint32_t(pixelsPerMetreFromDpi(image.dpiX)));
    w.le32(uint32_t(pixelsPerMetreFromDpi(image.dpiY)));
    w.le32(uint32_t(palette.size()));
    w.le32(0);
    if (bits == 16) w.le32(0xF800), w.le32(0x07E0), w.le32(0x001F);
    if (bits == 32) {
        w.le32(0x00FF0000), w.le32(0x0000FF00), w.le32(0x000000FF), w.le32(0xFF000000);
        w.le32(kSrgbColourSpace);
        w.zeros(kInfoV4Size - 60);  // end points and gamma, unused with sRGB
    }
    for (const Colour& c : palette) w.u8(c.b), w.u8(c.g), w.u8(c.r), w.u8(0);
    if (compress) {
        encodeBmpRle(image, bits, bytes);
    } else {
        for (int y = image.height() - 1; y >= 0; --y) writeRow(image, y, w);
    }
    w.patchLe32(2, uint32_t(bytes.size()));
    w.patchLe32(kFileHeaderSize + 20, uint32_t(bytes.size() - pixelOffset));
    out = std::move(bytes);
    return true;
}

}  // namespace ximora::engine
