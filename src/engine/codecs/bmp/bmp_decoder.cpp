// Reading bitmaps. Every size and offset comes from the file, so each is checked against the
// file in 64-bit arithmetic before use. Only the headers and palette are read as a block; the
// pixels are read row by row.
#include <bit>
#include <cstring>
#include <utility>
#include <vector>

#include "engine/codecs/bmp/bmp_codec.h"
#include "engine/codecs/bmp/bmp_rle.h"
#include "engine/codecs/cut_short.h"
#include "engine/codecs/image_row_sink.h"
#include "engine/core/error.h"
#include "engine/io/byte_source.h"
#include "engine/io/bytes.h"

namespace ximora::engine {
namespace {

constexpr size_t kFileHeaderSize = 14;
// Every header, the bit field masks and the largest palette lie in the first bytes of a file.
constexpr size_t kHeadBytes = 2048;
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
    uint64_t profileOffset = 0, profileBytes = 0;  // an embedded ICC profile (version 5)
    Channel red, green, blue, alpha;
};

constexpr uint32_t kEmbeddedProfile = 0x4D424544;  // 'MBED'
// No profile is larger; a header claiming more is not believed.
constexpr uint64_t kMostProfileBytes = uint64_t(16) << 20;

int nominalDepth(int bitCount) { return bitCount == 2 ? 4 : bitCount; }

// `data` holds the first `size` bytes of a file of `fileSize` bytes (all of it when shorter than
// kHeadBytes).
bool parseHeader(const uint8_t* data, size_t size, uint64_t fileSize, Header& h) {
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
    if (infoSize == 124 && readLe32(info + 56) == kEmbeddedProfile) {
        h.profileOffset = kFileHeaderSize + uint64_t(readLe32(info + 112));
        h.profileBytes = readLe32(info + 116);
        if (h.profileBytes > kMostProfileBytes || h.profileOffset + h.profileBytes > fileSize)
            h.profileBytes = 0;  // a broken reference loses only the profile
    }

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
    if (h.pixelOffset >= fileSize) return fail(kErrCannotRead);
    return Image::fitsSides(h.width, h.height);
}

bool readPalette(const uint8_t* data, const Header& h, RowLayout& layout) {
    if (h.bitCount > 8) return true;
    const size_t most = size_t(1) << h.bitCount;
    size_t count = h.coloursUsed == 0 ? most : std::min<size_t>(h.coloursUsed, most);
    // Short palettes: only the entries before the pixels exist.
    count = std::min(count, (h.pixelOffset - h.paletteOffset) / h.paletteEntrySize);
    if (count == 0) return fail(kErrFileBroken);
    layout.palette.resize(count);
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* e = data + h.paletteOffset + i * h.paletteEntrySize;
        layout.palette[i] = Colour{e[2], e[1], e[0], 255};
    }
    const int bits = layout.bitsPerPixel;
    layout.grey = (bits == 4 || bits == 8) && layout.palette == greyPalette(bits);
    return true;
}

uint64_t lastRowBytes(const Header& h, int width) {
    return (uint64_t(width) * uint64_t(h.bitCount) + 7) / 8;
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

bool readUncompressed(SourceReader& in, const Header& h, const RowLayout& layout, RowSink& sink) {
    const int width = layout.width, height = layout.height;
    const uint64_t rowBytes = ((uint64_t(width) * uint64_t(h.bitCount) + 31) / 32) * 4;
    std::vector<uint8_t> own;
    for (int i = 0; i < height; ++i) {
        // The last row may lack its padding.
        const uint8_t* src =
            in.take(i + 1 < height ? size_t(rowBytes) : size_t(lastRowBytes(h, width)));
        if (!src) return fail(kErrCannotRead);
        const int y = h.topDown ? i : height - 1 - i;
        uint8_t* dst = sink.rowMemory(y);
        if (!dst) {
            own.resize(size_t(width) * size_t(Image::storageBytesPerPixel(layout.bitsPerPixel)));
            dst = own.data();
        }
        if (h.bitCount <= 8)
            readIndexRow(src, h.bitCount, width, dst);
        else
            readColourRow(src, h, width, dst);
        sink.putRow(y, dst);
    }
    return true;
}

// Grey levels for a palette of greys in another order than the ramp (some tools write only the
// greys a picture uses): index i stands for ramp index levels[i]. Empty when the palette is
// not all greys, or already the ramp, or holds a grey the ramp of its depth lacks.
std::vector<uint8_t> greyRampIndexes(const std::vector<Colour>& palette, int bits) {
    if ((bits != 4 && bits != 8) || palette == greyPalette(bits)) return {};
    const int step = bits == 4 ? 17 : 1;
    std::vector<uint8_t> levels;
    levels.reserve(palette.size());
    for (const Colour& c : palette) {
        if (c.r != c.g || c.g != c.b || c.r % step != 0) return {};
        levels.push_back(uint8_t(c.r / step));
    }
    return levels;
}

// Passes rows on, checking that every index names a palette entry and translating indexes
// into grey levels when the palette is a shuffled grey one. The notes stay with the sink it
// passes to.
class IndexFilter final : public RowSink {
  public:
    IndexFilter(RowSink& sink, size_t entries, std::vector<uint8_t> levels)
        : sink_(sink), entries_(entries), levels_(std::move(levels)) {}
    bool start(const RowLayout& layout) override {
        width_ = layout.width;
        return sink_.start(layout);
    }
    uint8_t* rowMemory(int y) override { return levels_.empty() ? sink_.rowMemory(y) : nullptr; }
    void putRow(int y, const uint8_t* pixels) override {
        if (const uint8_t* passed = filter(pixels, width_)) sink_.putRow(y, passed);
    }
    void putPixels(int y, int x0, int step, int count, const uint8_t* pixels) override {
        if (const uint8_t* passed = filter(pixels, count))
            sink_.putPixels(y, x0, step, count, passed);
    }
    void putRepeatedRow(int y0, int y1, const uint8_t* pixels) override {
        if (const uint8_t* passed = filter(pixels, width_)) sink_.putRepeatedRow(y0, y1, passed);
    }
    bool failed() const { return failed_; }

  private:
    const uint8_t* filter(const uint8_t* pixels, int count) {
        for (int x = 0; x < count && !failed_; ++x) failed_ = pixels[x] >= entries_;
        if (failed_) return nullptr;
        if (levels_.empty()) return pixels;
        translated_.resize(size_t(count));
        for (int x = 0; x < count; ++x) translated_[size_t(x)] = levels_[pixels[x]];
        return translated_.data();
    }
    RowSink& sink_;
    size_t entries_;
    std::vector<uint8_t> levels_, translated_;
    int width_ = 0;
    bool failed_ = false;
};

}  // namespace

bool decodeBmpRows(ByteSource& source, const LoadOptions&, RowSink& sink) {
    std::vector<uint8_t> head;
    readHead(source, kHeadBytes, head);
    if (head.size() < 2 || head[0] != 'B' || head[1] != 'M') return fail(kErrBadFile);
    Header h;
    if (!parseHeader(head.data(), head.size(), source.size(), h)) return false;
    const bool rle = h.compression == kRle4 || h.compression == kRle8;
    const uint64_t rowBytes = ((uint64_t(h.width) * uint64_t(h.bitCount) + 31) / 32) * 4;
    if (!rle && h.pixelOffset + rowBytes * uint64_t(h.height - 1) + lastRowBytes(h, int(h.width)) >
                    source.size())
        return failCutShort(int(h.width), int(h.height),
                            int((source.size() - h.pixelOffset) / rowBytes));
    RowLayout layout;
    layout.width = int(h.width);
    layout.height = int(h.height);
    layout.bitsPerPixel = nominalDepth(h.bitCount);
    if (!readPalette(head.data(), h, layout)) return false;
    sink.notes.dpiX = dpiFromPixelsPerMetre(h.ppmX);
    sink.notes.dpiY = dpiFromPixelsPerMetre(h.ppmY);
    if (h.profileBytes > 0) {
        std::vector<uint8_t>& icc = sink.notes.metadata.icc;
        icc.resize(size_t(h.profileBytes));
        if (source.read(h.profileOffset, icc.data(), icc.size()) != icc.size()) icc.clear();
    }
    // Indexes are checked only when the palette is shorter than the depth allows.
    const bool checked = h.bitCount <= 8 && layout.palette.size() < (size_t(1) << h.bitCount);
    std::vector<uint8_t> levels = greyRampIndexes(layout.palette, layout.bitsPerPixel);
    const bool translated = !levels.empty();
    IndexFilter check(sink, layout.palette.size(), std::move(levels));
    if (translated) {
        layout.palette = greyPalette(layout.bitsPerPixel);
        layout.grey = true;
    }
    RowSink& target = checked || translated ? static_cast<RowSink&>(check) : sink;
    if (!target.start(layout)) return false;
    SourceReader in(source, h.pixelOffset);
    const bool read = rle ? decodeBmpRle(in, h.bitCount, layout.width, layout.height, target)
                          : readUncompressed(in, h, layout, target);
    if (!read) return false;
    return !check.failed() || fail(kErrFileBroken);
}

bool decodeBmp(const uint8_t* data, size_t size, const LoadOptions& options, Image& out) {
    return decodeWholeImage(decodeBmpRows, data, size, options, out);
}

bool readBmpFacts(ByteSource& source, ImageFacts& out) {
    return readFactsWithRows(decodeBmpRows, source, out);
}

}  // namespace ximora::engine
