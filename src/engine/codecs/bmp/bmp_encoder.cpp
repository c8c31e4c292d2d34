// Writing bitmaps at the image's nominal depth. Palette images use a version 3 header; 16 bits
// are written as 5-6-5 bit fields and 32 bits as a version 4 header with an alpha mask, so the
// stored pixels come back exactly. A picture with a colour profile gets a version 5 header that
// embeds it after the pixels.
#include <algorithm>
#include <cstring>

#include "engine/codecs/bmp/bmp_codec.h"
#include "engine/codecs/bmp/bmp_rle.h"
#include "engine/core/error.h"
#include "engine/io/bytes.h"

namespace ximora::engine {
namespace {

constexpr uint32_t kFileHeaderSize = 14, kInfoV3Size = 40, kInfoV4Size = 108, kInfoV5Size = 124;
constexpr uint32_t kEmbeddedProfile = 0x4D424544;  // 'MBED'
constexpr uint32_t kPerceptualIntent = 4;          // LCS_GM_IMAGES
constexpr uint32_t kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3;
constexpr uint32_t kSrgbColourSpace = 0x73524742;  // 'sRGB'
// Bytes of rows converted and handed on at a time.
constexpr size_t kBandBytes = size_t(1) << 20;

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

// The headers up to the pixels: file header, info header, bit field masks, palette. The pixels
// are plain rows, or `runs` bytes of run-length codes (4 and 8 bits) when that is not 0. False
// past the 4 GB the header's sizes can hold.
bool writeHead(const BmpShape& shape, const std::vector<Colour>& palette, size_t runs,
               std::vector<uint8_t>& head) {
    const int bits = shape.bitsPerPixel;
    const uint32_t compression = runs > 0                   ? (bits == 8 ? kRle8 : kRle4)
                                 : bits == 16 || bits == 32 ? kBitFields
                                                            : kRgb;
    const bool profile = shape.profileBytes > 0;
    const uint32_t infoSize = profile ? kInfoV5Size : bits == 32 ? kInfoV4Size : kInfoV3Size;
    const uint32_t maskBytes = bits == 16 && !profile ? 12 : 0;  // after a version 3 header
    const uint64_t pixelOffset =
        kFileHeaderSize + infoSize + maskBytes + 4 * uint64_t(palette.size());
    const uint64_t rawSize = bmpRowBytes(shape.width, bits) * uint64_t(shape.height);
    const uint32_t pixelBytes = uint32_t(runs > 0 ? runs : rawSize);
    if ((runs > 0 ? runs : rawSize) + pixelOffset + shape.profileBytes > 0xFFFFFFFFu)
        return fail(kErrBadImage);  // the header's limit

    head.clear();
    head.reserve(size_t(pixelOffset));
    ByteWriter w(head);
    w.u8('B'), w.u8('M');
    w.le32(uint32_t(pixelOffset + pixelBytes + shape.profileBytes));
    w.le32(0);
    w.le32(uint32_t(pixelOffset));
    w.le32(infoSize);
    w.le32(uint32_t(shape.width));
    w.le32(uint32_t(shape.height));
    w.le16(1);
    w.le16(uint32_t(bits));
    w.le32(compression);
    w.le32(pixelBytes);
    w.le32(uint32_t(pixelsPerMetreFromDpi(shape.dpiX)));
    w.le32(uint32_t(pixelsPerMetreFromDpi(shape.dpiY)));
    w.le32(uint32_t(palette.size()));
    w.le32(0);
    if (profile) {
        // Masks (used with bit fields), the embedded profile after the pixels.
        if (bits == 16)
            w.le32(0xF800), w.le32(0x07E0), w.le32(0x001F), w.le32(0);
        else if (bits == 32)
            w.le32(0x00FF0000), w.le32(0x0000FF00), w.le32(0x000000FF), w.le32(0xFF000000);
        else
            w.zeros(16);
        w.le32(kEmbeddedProfile);
        w.zeros(kInfoV4Size - 60);  // end points and gamma, unused with a profile
        w.le32(kPerceptualIntent);
        w.le32(uint32_t(pixelOffset - kFileHeaderSize + pixelBytes));  // from the info header
        w.le32(shape.profileBytes);
        w.le32(0);
    } else {
        if (bits == 16) w.le32(0xF800), w.le32(0x07E0), w.le32(0x001F);
        if (bits == 32) {
            w.le32(0x00FF0000), w.le32(0x0000FF00), w.le32(0x000000FF), w.le32(0xFF000000);
            w.le32(kSrgbColourSpace);
            w.zeros(kInfoV4Size - 60);  // end points and gamma, unused with sRGB
        }
    }
    for (const Colour& c : palette) w.u8(c.b), w.u8(c.g), w.u8(c.r), w.u8(0);
    return true;
}

}  // namespace

size_t bmpRowBytes(int width, int bitsPerPixel) {
    return size_t((uint64_t(width) * uint64_t(bitsPerPixel) + 31) / 32 * 4);
}

void bmpFileRow(const uint8_t* src, int width, int bits, uint8_t* out, size_t padded) {
    std::memset(out, 0, padded);
    switch (bits) {
        case 1:
        case 4: {
            const int perByte = 8 / bits;
            for (int x = 0; x < width; ++x)
                out[x / perByte] |= uint8_t(src[x] << (8 - bits * (x % perByte + 1)));
            break;
        }
        case 8:
            std::memcpy(out, src, size_t(width));
            break;
        case 16:
            for (int x = 0; x < width; ++x) {
                uint16_t v = 0;
                std::memcpy(&v, src + 2 * x, 2);
                writeLe16(out + 2 * x, v);
            }
            break;
        case 24:
            for (int x = 0; x < width; ++x)
                out[3 * x] = src[3 * x + 2], out[3 * x + 1] = src[3 * x + 1],
                        out[3 * x + 2] = src[3 * x];
            break;
        default:
            for (int x = 0; x < width; ++x)
                out[4 * x] = src[4 * x + 2], out[4 * x + 1] = src[4 * x + 1],
                        out[4 * x + 2] = src[4 * x], out[4 * x + 3] = src[4 * x + 3];
            break;
    }
}

bool bmpPlainHead(const BmpShape& shape, std::vector<uint8_t>& head) {
    if (shape.bitsPerPixel < 16) return fail(kErrBadParameter);  // palettes come from the pixels
    return writeHead(shape, {}, 0, head);
}

bool encodeBmpTo(const Image& image, const SaveOptions& options, ByteSink& sink) {
    if (image.empty()) return fail(kErrOrder);
    const int bits = image.bitsPerPixel();
    const bool compress = options.format == kSaveBmpRle && (bits == 4 || bits == 8);
    const std::vector<Colour> palette = bits <= 8 ? paletteToWrite(image) : std::vector<Colour>{};
    const std::vector<uint8_t>& icc = image.metadata.icc;
    const BmpShape shape{image.width(), image.height(), bits,
                         image.dpiX,    image.dpiY,     uint32_t(icc.size())};
    // Run lengths are known only once encoded; plain rows are written as they are made.
    std::vector<uint8_t> runs;
    if (compress) encodeBmpRle(image, bits, runs);
    std::vector<uint8_t> head;
    if (!writeHead(shape, palette, runs.size(), head) || !sink.write(head.data(), head.size()))
        return false;
    const auto profile = [&] { return icc.empty() || sink.write(icc.data(), icc.size()); };
    if (compress) return sink.write(runs.data(), runs.size()) && profile();

    // Rows go bottom-up, a band at a time, so that a file is written in few large pieces.
    const size_t padded = bmpRowBytes(image.width(), bits);
    const int bandRows = int(std::clamp<size_t>(kBandBytes / padded, 1, size_t(image.height())));
    std::vector<uint8_t> band(padded * size_t(bandRows));
    for (int top = image.height() - 1; top >= 0; top -= bandRows) {
        const int rows = std::min(bandRows, top + 1);
        for (int i = 0; i < rows; ++i)
            bmpFileRow(image.row(top - i), image.width(), bits, band.data() + padded * size_t(i),
                       padded);
        if (!sink.write(band.data(), padded * size_t(rows))) return false;
    }
    return profile();
}

bool encodeBmp(const Image& image, const SaveOptions& options, std::vector<uint8_t>& out) {
    return encodeToMemory(encodeBmpTo, image, options, out);
}

}  // namespace ximora::engine
