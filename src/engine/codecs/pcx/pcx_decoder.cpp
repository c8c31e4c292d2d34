// Reading PCX. The run-length stream is decoded as a whole (some writers let runs cross scan
// lines), then split into planes and rows.
#include <algorithm>
#include <cstring>
#include <new>

#include "engine/codecs/pcx/pcx_codec.h"
#include "engine/codecs/pcx/pcx_header.h"
#include "engine/core/error.h"
#include "engine/io/bytes.h"

namespace ximora::engine {
namespace {

using namespace pcx;

struct Layout {
    int width = 0, height = 0;
    int bits = 0, planes = 0;
    size_t bytesPerLine = 0;
    int depth = 0;  // nominal depth of the decoded image
};

bool parseHeader(const uint8_t* data, size_t size, Layout& l) {
    if (size < kHeaderSize) return fail(kErrCannotRead);
    const int xMin = readLe16(data + kOffXMin), yMin = readLe16(data + kOffYMin);
    const int xMax = readLe16(data + kOffXMax), yMax = readLe16(data + kOffYMax);
    if (xMax < xMin || yMax < yMin) return fail(kErrFileBroken);
    l.width = xMax - xMin + 1;
    l.height = yMax - yMin + 1;
    l.bits = data[kOffBitsPerPixel];
    l.planes = data[kOffPlanes];
    l.bytesPerLine = readLe16(data + kOffBytesPerLine);
    if (l.bits == 1 && l.planes == 1)
        l.depth = 1;
    else if ((l.bits == 1 && l.planes >= 2 && l.planes <= 4) ||
             ((l.bits == 2 || l.bits == 4) && l.planes == 1))
        l.depth = 4;
    else if (l.bits == 8 && l.planes == 1)
        l.depth = 8;
    else if (l.bits == 8 && l.planes == 3)
        l.depth = 24;
    else if (l.bits == 8 && l.planes == 4)
        l.depth = 32;
    else
        return fail(kErrUnsupported);
    if (l.bytesPerLine < (size_t(l.width) * size_t(l.bits) + 7) / 8) return fail(kErrFileBroken);
    return Image::fitsLimits(l.width, l.height, l.depth);
}

// Expands the pixel stream into exactly `out.size()` bytes. Returns false (error 23) when the
// data ends first.
bool expand(const uint8_t* data, size_t size, bool runLength, std::vector<uint8_t>& out) {
    if (!runLength) {
        if (size < out.size()) return fail(kErrCannotRead);
        std::memcpy(out.data(), data, out.size());
        return true;
    }
    size_t pos = 0, done = 0;
    while (done < out.size()) {
        if (pos >= size) return fail(kErrCannotRead);
        uint8_t byte = data[pos++];
        size_t count = 1;
        if ((byte & 0xC0) == 0xC0) {
            count = byte & 0x3F;
            if (pos >= size) return fail(kErrCannotRead);
            byte = data[pos++];
        }
        count = std::min(count, out.size() - done);  // a run past the last line is cut off
        std::memset(out.data() + done, byte, count);
        done += count;
    }
    return true;
}

void readPalette(const uint8_t* data, size_t size, const Layout& l, Image& image) {
    const uint8_t* header = data + kOffHeaderPalette;
    auto fromRgb = [](const uint8_t* p, size_t count) {
        std::vector<Colour> palette(count);
        for (size_t i = 0; i < count; ++i)
            palette[i] = Colour{p[3 * i], p[3 * i + 1], p[3 * i + 2], 255};
        return palette;
    };
    if (l.depth == 1) {
        // Many writers leave the header palette empty for monochrome images.
        const bool unset = std::memcmp(header, header + 3, 3) == 0;
        image.palette = unset ? greyPalette(1) : fromRgb(header, 2);
    } else if (l.depth == 4) {
        image.palette = fromRgb(header, size_t(1) << (l.bits * l.planes));
    } else if (l.depth == 8) {
        const bool hasEnd = size >= kHeaderSize + kEndPaletteSize &&
                            data[size - kEndPaletteSize] == kEndPaletteMarker;
        image.palette = hasEnd ? fromRgb(data + size - kEndPaletteSize + 1, 256) : greyPalette(8);
    }
    const int bits = image.bitsPerPixel();
    image.setGrey((bits == 4 || bits == 8) && image.palette == greyPalette(bits));
}

void composeRow(const uint8_t* line, const Layout& l, Image& image, int y) {
    uint8_t* dst = image.row(y);
    const size_t bpl = l.bytesPerLine;
    if (l.depth >= 24) {
        const int channels = l.planes;
        for (int x = 0; x < l.width; ++x)
            for (int c = 0; c < channels; ++c)
                dst[x * channels + c] = line[size_t(c) * bpl + size_t(x)];
        return;
    }
    if (l.depth == 8) {
        std::memcpy(dst, line, size_t(l.width));
        return;
    }
    // Packed bits, one plane per bit of the index (plane 0 is the lowest bit).
    const int perByte = 8 / l.bits, mask = (1 << l.bits) - 1;
    for (int x = 0; x < l.width; ++x) {
        const int shift = 8 - l.bits * (x % perByte + 1);
        int index = 0;
        for (int p = 0; p < l.planes; ++p)
            index |= ((line[size_t(p) * bpl + size_t(x / perByte)] >> shift) & mask)
                     << (p * l.bits);
        dst[x] = uint8_t(index);
    }
}

}  // namespace

bool decodePcx(const uint8_t* data, size_t size, const LoadOptions&, Image& out) {
    if (size < 1 || data[0] != kManufacturer) return fail(kErrBadFile);
    Layout l;
    if (!parseHeader(data, size, l)) return false;
    const uint64_t lineBytes = uint64_t(l.bytesPerLine) * uint64_t(l.planes);
    const uint64_t total = lineBytes * uint64_t(l.height);
    // Even fully coded, a run of 63 bytes takes 2 bytes of file: anything more is hostile.
    if (total > uint64_t(size) * 32 || total > memoryLimit()) return fail(kErrFileBroken);
    Image image;
    if (!image.allocate(l.width, l.height, l.depth)) return false;
    std::vector<uint8_t> lines;
    try {
        lines.resize(size_t(total));
    } catch (const std::bad_alloc&) {
        return fail(kErrMemory);
    }
    if (!expand(data + kHeaderSize, size - kHeaderSize, data[kOffEncoding] == kRunLength, lines))
        return false;
    readPalette(data, size, l, image);
    for (int y = 0; y < l.height; ++y)
        composeRow(lines.data() + size_t(lineBytes) * size_t(y), l, image, y);
    image.dpiX = readLe16(data + kOffHorizontalDpi);
    image.dpiY = readLe16(data + kOffVerticalDpi);
    out = std::move(image);
    return true;
}

}  // namespace ximora::engine
