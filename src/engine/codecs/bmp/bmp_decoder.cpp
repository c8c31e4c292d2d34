// Reading bitmaps. Every size and offset comes from the file, so each is checked against the
// buffer in 64-bit arithmetic before use.
#include <bit>
#include <cstring>

#include "engine/codecs/bmp/bmp_codec.h"
#include "engine/codecs/bmp/bmp_rle.h"
#include "engine/core/error.h"
#include "engine/io/bytes.h"

namespace ximora::engine {
namespace {

constexpr size_t kFileHeaderSize = 14;
enum Compression : uint32_t { kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3, kAlphaBitFields = 6 };

// One colour channel given by a bit mask: position and width of its bits.
struct Channel {
    uint32_t mask = 0;
    int shift = 0;
    int bits = 0;

    bool set(uint32_t m) {
        mask = m;
        if (m == 0) return true;
        shift = std::countr_zero(m);
        bits = std::popcount(m);
        return (m >> shift) == (uint32_t(-1) >> (32 - bits));  // contiguous bits only
    }
    // The channel's value widened or narrowed to 8 bits.
    uint8_t value(uint32_t pixel, uint8_t absent) const {
        if (bits == 0) return absent;
        const uint32_t v = (pixel & mask) >> shift;
        if (bits >= 8) return uint8_t(v >> (bits - 8));
        return uint8_t((v * 255 + ((1u << bits) - 1) / 2) / ((1u << bits) - 1));
    }
};

struct Header {
    int64_t width = 0, height = 0;
    bool topDown = false;
    int bitCount = 0;
    uint32_t compression = kRgb;
    uint32_t coloursUsed = 0;
    int64_t ppmX = 0, ppmY = 0;
    size_t paletteOffset = 0;
    size_t paletteEntrySize = 4;
    size_t pixelOffset = 0;
    Channel red, green, blue, alpha;
};

int nominalDepth(int bitCount) { return bitCount == 2 ? 4 : bitCount; }

bool parseHeader(const uint8_t* data, size_t size, Header& h) {
    if (size < kFileHeaderSize + 4) return fail(kErrCannotRead);
    const uint32_t infoSize = readLe32(data + 14);
    const bool os2v1 = infoSize == 12;
    const bool windows =
        infoSize == 40 || infoSize == 52 || infoSize == 56 || infoSize == 108 || infoSize == 124;
    const bool os2v2 = !windows && infoSize >= 16 && infoSize <= 64;
    if (!os2v1 && !windows && !os2v2) return fail(kErrFileBroken);
    if (size < kFileHeaderSize + infoSize) return fail(kErrCannotRead);
    const uint8_t* info = data + kFileHeaderSize;
    int planes;
    if (os2v1) {
        h.width = readLe16(info + 4);
        h.height = readLe16(info + 6);
        planes = readLe16(info + 8);
        h.bitCount = readLe16(info + 10);
        h.paletteEntrySize = 3;
    } else {
        h.width = int32_t(readLe32(info + 4));
        h.height = int32_t(readLe32(info + 8));
        planes = readLe16(info + 12);
        h.bitCount = readLe16(info + 14);
        if (infoSize >= 20) h.compression = readLe32(info + 16);
        if (infoSize >= 32)
            h.ppmX = int32_t(readLe32(info + 24)), h.ppmY = int32_t(readLe32(info + 28));
        if (infoSize >= 36) h.coloursUsed = readLe32(info + 32);
    }
    h.pixelOffset = readLe32(data + 10);
    h.paletteOffset = kFileHeaderSize + infoSize;

    if (planes != 1 || h.width <= 0 || h.height == 0) return fail(kErrFileBroken);
    if (h.height < 0) h.height = -h.height, h.topDown = true;
    switch (h.bitCount) {
        case 1:
        case 2:
        case 4:
        case 8:
        case 16:
        case 24:
        case 32:
            break;
        case 64:
            return fail(kErrUnsupported);
        default:
            return fail(kErrFileBroken);
    }
    // OS/2 2.x gives codes 3 and 4 to Huffman 1D and RLE24; neither is offered.
    if (os2v2 && h.compression >= 3) return fail(kErrUnsupported);
    switch (h.compression) {
        case kRgb:
            break;
        case kRle8:
            if (h.bitCount != 8) return fail(kErrFileBroken);
            break;
        case kRle4:
            if (h.bitCount != 4) return fail(kErrFileBroken);
            break;
        case kBitFields:
        case kAlphaBitFields:
            if (h.bitCount != 16 && h.bitCount != 32) return fail(kErrFileBroken);
            break;
        case 4:
        case 5:
            return fail(kErrUnsupported);  // embedded JPEG or PNG
        default:
            return fail(kErrFileBroken);
    }
    if ((h.compression == kRle4 || h.compression == kRle8) && h.topDown)
        return fail(kErrFileBroken);

    // Bit fields: in the header from version 4 (and the 52/56-byte variants), otherwise
    // directly after a version 3 header.
    uint32_t masks[4] = {0, 0, 0, 0};
    if (h.bitCount == 16) masks[0] = 0x7C00, masks[1] = 0x03E0, masks[2] = 0x001F;
    if (h.bitCount >= 24) masks[0] = 0xFF0000, masks[1] = 0xFF00, masks[2] = 0xFF;
    if (h.compression == kBitFields || h.compression == kAlphaBitFields) {
        const size_t count = h.compression == kAlphaBitFields ? 4 : 3;
        size_t at = kFileHeaderSize + 40;
        if (size < at + 4 * count) return fail(kErrCannotRead);
        if (infoSize == 40) h.paletteOffset += 4 * count;
        for (size_t i = 0; i < count; ++i) masks[i] = readLe32(data + at + 4 * i);
        if (infoSize >= 56) masks[3] = readLe32(data + at + 12);
        const uint64_t limit = h.bitCount == 16 ? 0xFFFF : 0xFFFFFFFF;
        for (uint32_t m : masks)
            if (m > limit) return fail(kErrFileBroken);
    }
    if (!h.red.set(masks[0]) || !h.green.set(masks[1]) || !h.blue.set(masks[2]) ||
        !h.alpha.set(masks[3]))
        return fail(kErrFileBroken);
    if (h.pixelOffset < h.paletteOffset) return fail(kErrFileBroken);
    if (h.pixelOffset >= size) return fail(kErrCannotRead);
    return Image::fitsLimits(h.width, h.height, nominalDepth(h.bitCount));
}

bool readPalette(const uint8_t* data, const Header& h, Image& image) {
    if (h.bitCount > 8) return true;
    const size_t most = size_t(1) << h.bitCount;
    size_t count = h.coloursUsed == 0 ? most : std::min<size_t>(h.coloursUsed, most);
    // Short palettes: only the entries before the pixels exist.
    count = std::min(count, (h.pixelOffset - h.paletteOffset) / h.paletteEntrySize);
    if (count == 0) return fail(kErrFileBroken);
    image.palette.resize(count);
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* e = data + h.paletteOffset + i * h.paletteEntrySize;
        image.palette[i] = Colour{e[2], e[1], e[0], 255};
    }
    const int bits = image.bitsPerPixel();
    image.setGrey((bits == 4 || bits == 8) && image.palette == greyPalette(bits));
    return true;
}

void readIndexRow(const uint8_t* src, int bitCount, int width, uint8_t* dst) {
    if (bitCount == 8) {
        std::memcpy(dst, src, size_t(width));
        return;
    }
    const int perByte = 8 / bitCount, mask = (1 << bitCount) - 1;
    for (int x = 0; x < width; ++x) {
        const int shift = 8 - bitCount * (x % perByte + 1);
        dst[x] = uint8_t((src[x / perByte] >> shift) & mask);
    }
}

void readColourRow(const uint8_t* src, const Header& h, int width, uint8_t* dst) {
    if (h.bitCount == 24) {
        for (int x = 0; x < width; ++x, src += 3, dst += 3)
            dst[0] = src[2], dst[1] = src[1], dst[2] = src[0];
        return;
    }
    if (h.bitCount == 16) {
        const bool is565 = h.red.mask == 0xF800 && h.green.mask == 0x07E0 && h.blue.mask == 0x001F;
        auto* out = reinterpret_cast<uint16_t*>(dst);
        for (int x = 0; x < width; ++x, src += 2) {
            const uint16_t v = readLe16(src);
            out[x] =
                is565 ? v : packRgb565(h.red.value(v, 0), h.green.value(v, 0), h.blue.value(v, 0));
        }
        return;
    }
    for (int x = 0; x < width; ++x, src += 4, dst += 4) {
        const uint32_t v = readLe32(src);
        dst[0] = h.red.value(v, 0), dst[1] = h.green.value(v, 0), dst[2] = h.blue.value(v, 0);
        dst[3] = h.alpha.value(v, 255);
    }
}

bool readUncompressed(const uint8_t* data, size_t size, const Header& h, Image& image) {
    const int width = image.width(), height = image.height();
    const uint64_t rowBytes = ((uint64_t(width) * uint64_t(h.bitCount) + 31) / 32) * 4;
    const uint64_t lastRowBytes = (uint64_t(width) * uint64_t(h.bitCount) + 7) / 8;
    if (h.pixelOffset + rowBytes * uint64_t(height - 1) + lastRowBytes > size)
        return fail(kErrCannotRead);
    for (int y = 0; y < height; ++y) {
        const uint8_t* src = data + h.pixelOffset + size_t(rowBytes) * size_t(y);
        uint8_t* dst = image.row(h.topDown ? y : height - 1 - y);
        if (h.bitCount <= 8)
            readIndexRow(src, h.bitCount, width, dst);
        else
            readColourRow(src, h, width, dst);
    }
    return true;
}

// Every index must name a palette entry.
bool indexesInPalette(const Image& image) {
    const size_t count = image.palette.size();
    if (count >= (size_t(1) << image.bitsPerPixel())) return true;
    for (int y = 0; y < image.height(); ++y) {
        const uint8_t* row = image.row(y);
        for (int x = 0; x < image.width(); ++x)
            if (row[x] >= count) return fail(kErrFileBroken);
    }
    return true;
}

}  // namespace

bool decodeBmp(const uint8_t* data, size_t size, const LoadOptions&, Image& out) {
    if (size < 2 || data[0] != 'B' || data[1] != 'M') return fail(kErrBadFile);
    Header h;
    if (!parseHeader(data, size, h)) return false;
    Image image;
    const bool rle = h.compression == kRle4 || h.compression == kRle8;
    const int depth = nominalDepth(h.bitCount);
    if (!(rle ? image.allocateZeroed(int(h.width), int(h.height), depth)
              : image.allocate(int(h.width), int(h.height), depth)))
        return false;
    if (!readPalette(data, h, image)) return false;
    const bool read =
        rle ? decodeBmpRle(data + h.pixelOffset, size - h.pixelOffset, h.bitCount, image)
            : readUncompressed(data, size, h, image);
    if (!read || (h.bitCount <= 8 && !indexesInPalette(image))) return false;
    image.dpiX = dpiFromPixelsPerMetre(h.ppmX);
    image.dpiY = dpiFromPixelsPerMetre(h.ppmY);
    out = std::move(image);
    return true;
}

}  // namespace ximora::engine
