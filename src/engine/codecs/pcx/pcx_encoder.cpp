// Writing PCX, version 5, run-length coded line by line (runs never cross a plane's line, as
// the format asks).
#include <algorithm>

#include "engine/codecs/pcx/pcx_codec.h"
#include "engine/codecs/pcx/pcx_header.h"
#include "engine/core/error.h"
#include "engine/io/bytes.h"

namespace ximora::engine {
namespace {

using namespace pcx;

void encodeLine(const uint8_t* line, size_t count, std::vector<uint8_t>& out) {
    for (size_t x = 0; x < count;) {
        size_t run = 1;
        while (x + run < count && run < 63 && line[x + run] == line[x]) ++run;
        // A single byte with both top bits set would read as a count: it needs a run of one.
        if (run > 1 || (line[x] & 0xC0) == 0xC0) out.push_back(uint8_t(0xC0 | run));
        out.push_back(line[x]);
        x += run;
    }
}

// Splits row y into the file's plane lines: `planes` lines of `bytesPerLine` bytes.
void planeLines(const Image& image, int y, int bits, int planes, size_t bytesPerLine,
                std::vector<uint8_t>& lines) {
    std::fill(lines.begin(), lines.end(), 0);
    const int width = image.width();
    const uint8_t* src = image.row(y);
    if (bits == 8 && planes == 1) {
        std::copy(src, src + width, lines.begin());
        return;
    }
    if (bits == 8) {  // colour: R, G, B planes
        for (int x = 0; x < width; ++x) {
            const Colour c = image.pixel(x, y);
            lines[size_t(x)] = c.r;
            lines[bytesPerLine + size_t(x)] = c.g;
            lines[2 * bytesPerLine + size_t(x)] = c.b;
        }
        return;
    }
    for (int x = 0; x < width; ++x)  // 1-bit planes, plane p holds bit p of the index
        for (int p = 0; p < planes; ++p)
            if ((src[x] >> p) & 1)
                lines[size_t(p) * bytesPerLine + size_t(x / 8)] |= uint8_t(0x80 >> (x % 8));
}

}  // namespace

bool encodePcx(const Image& image, const SaveOptions&, std::vector<uint8_t>& out) {
    if (image.empty()) return fail(kErrOrder);
    const int depth = image.bitsPerPixel();
    const int bits = depth <= 4 ? 1 : 8;
    const int planes = depth == 1 ? 1 : depth == 4 ? 4 : depth == 8 ? 1 : 3;
    const size_t bytesPerLine = ((size_t(image.width()) * size_t(bits) + 15) / 16) * 2;

    std::vector<uint8_t> bytes;
    bytes.reserve(kHeaderSize + size_t(image.dataSize() / 2));
    ByteWriter w(bytes);
    w.u8(kManufacturer), w.u8(kVersion), w.u8(kRunLength), w.u8(uint32_t(bits));
    w.le16(0), w.le16(0), w.le16(uint32_t(image.width() - 1)), w.le16(uint32_t(image.height() - 1));
    w.le16(uint32_t(std::clamp(image.dpiX, 0, 65535))),
        w.le16(uint32_t(std::clamp(image.dpiY, 0, 65535)));
    for (size_t i = 0; i < 16; ++i) {
        const Colour c = depth <= 4 && i < image.palette.size() ? image.palette[i] : Colour{};
        w.u8(c.r), w.u8(c.g), w.u8(c.b);
    }
    w.u8(0), w.u8(uint32_t(planes)), w.le16(uint32_t(bytesPerLine)), w.le16(image.grey() ? 2 : 1);
    w.zeros(kHeaderSize - w.size());

    std::vector<uint8_t> lines(bytesPerLine * size_t(planes));
    for (int y = 0; y < image.height(); ++y) {
        planeLines(image, y, bits, planes, bytesPerLine, lines);
        for (int p = 0; p < planes; ++p)
            encodeLine(lines.data() + size_t(p) * bytesPerLine, bytesPerLine, bytes);
    }
    if (depth == 8) {
        w.u8(kEndPaletteMarker);
        for (size_t i = 0; i < 256; ++i) {
            const Colour c = i < image.palette.size() ? image.palette[i] : Colour{};
            w.u8(c.r), w.u8(c.g), w.u8(c.b);
        }
    }
    out = std::move(bytes);
    return true;
}

}  // namespace ximora::engine
