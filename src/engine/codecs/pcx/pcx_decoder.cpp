// Reading PCX. The run-length stream is decoded one scan line (all its planes) at a time; a run
// may go on into the next line, as some writers let it.
#include <algorithm>
#include <cstring>
#include <vector>

#include "engine/codecs/cut_short.h"
#include "engine/codecs/image_row_sink.h"
#include "engine/codecs/pcx/pcx_codec.h"
#include "engine/codecs/pcx/pcx_header.h"
#include "engine/core/error.h"
#include "engine/io/byte_source.h"
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
    return Image::fitsSides(l.width, l.height);
}

// The pixel stream, expanded one scan line at a time.
class LineReader {
  public:
    LineReader(SourceReader& in, bool runLength) : in_(in), runLength_(runLength) {}

    // Fills `out` with the next `size` bytes; false when the data ends first.
    bool next(uint8_t* out, size_t size) {
        if (!runLength_) {
            const uint8_t* line = in_.take(size);
            if (!line) return false;
            std::memcpy(out, line, size);
            return true;
        }
        size_t done = 0;
        while (done < size) {
            if (left_ == 0) {
                if (!in_.readByte(value_)) return false;
                left_ = 1;
                if ((value_ & 0xC0) == 0xC0) {
                    left_ = value_ & 0x3F;
                    if (!in_.readByte(value_)) return false;
                }
            }
            const size_t count = std::min(left_, size - done);
            std::memset(out + done, value_, count);
            done += count;
            left_ -= count;
        }
        return true;
    }

  private:
    SourceReader& in_;
    bool runLength_;
    uint8_t value_ = 0;
    size_t left_ = 0;  // bytes of the current run not yet used
};

void readPalette(const uint8_t* header, ByteSource& source, const Layout& l, RowLayout& layout) {
    auto fromRgb = [](const uint8_t* p, size_t count) {
        std::vector<Colour> palette(count);
        for (size_t i = 0; i < count; ++i)
            palette[i] = Colour{p[3 * i], p[3 * i + 1], p[3 * i + 2], 255};
        return palette;
    };
    if (l.depth == 1) {
        // Many writers leave the header palette empty for monochrome images.
        const uint8_t* entries = header + kOffHeaderPalette;
        const bool unset = std::memcmp(entries, entries + 3, 3) == 0;
        layout.palette = unset ? greyPalette(1) : fromRgb(entries, 2);
    } else if (l.depth == 4) {
        layout.palette = fromRgb(header + kOffHeaderPalette, size_t(1) << (l.bits * l.planes));
    } else if (l.depth == 8) {
        // The 256-colour palette ends the file.
        uint8_t end[kEndPaletteSize] = {};
        const uint64_t size = source.size();
        const bool hasEnd =
            size >= kHeaderSize + kEndPaletteSize &&
            source.read(size - kEndPaletteSize, end, kEndPaletteSize) == kEndPaletteSize &&
            end[0] == kEndPaletteMarker;
        layout.palette = hasEnd ? fromRgb(end + 1, 256) : greyPalette(8);
    }
    const int bits = layout.bitsPerPixel;
    layout.grey = (bits == 4 || bits == 8) && layout.palette == greyPalette(bits);
}

void composeRow(const uint8_t* line, const Layout& l, uint8_t* dst) {
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

bool decodePcxRows(ByteSource& source, const LoadOptions&, RowSink& sink) {
    uint8_t header[kHeaderSize];
    const size_t got = source.read(0, header, kHeaderSize);
    if (got < 1 || header[0] != kManufacturer) return fail(kErrBadFile);
    Layout l;
    if (!parseHeader(header, got, l)) return false;
    const uint64_t lineBytes = uint64_t(l.bytesPerLine) * uint64_t(l.planes);
    const uint64_t total = lineBytes * uint64_t(l.height);
    const uint64_t data = source.size() - kHeaderSize;
    const bool runLength = header[kOffEncoding] == kRunLength;
    // Even fully coded, a run of 63 bytes takes 2 bytes of file: anything more is hostile.
    if (total > data * 32) return fail(kErrFileBroken);
    if (!runLength && total > data) return failCutShort(l.width, l.height, int(data / lineBytes));
    RowLayout layout;
    layout.width = l.width;
    layout.height = l.height;
    layout.bitsPerPixel = l.depth;
    readPalette(header, source, l, layout);
    sink.notes.dpiX = readLe16(header + kOffHorizontalDpi);
    sink.notes.dpiY = readLe16(header + kOffVerticalDpi);
    if (!sink.start(layout)) return false;
    SourceReader in(source, kHeaderSize);
    LineReader lines(in, runLength);
    std::vector<uint8_t> line(static_cast<size_t>(lineBytes)), own;
    for (int y = 0; y < l.height; ++y) {
        if (!lines.next(line.data(), line.size())) return failCutShort(l.width, l.height, y);
        uint8_t* dst = sink.rowMemory(y);
        if (!dst) {
            own.resize(size_t(l.width) * size_t(Image::storageBytesPerPixel(l.depth)));
            dst = own.data();
        }
        composeRow(line.data(), l, dst);
        sink.putRow(y, dst);
    }
    return true;
}

bool decodePcx(const uint8_t* data, size_t size, const LoadOptions& options, Image& out) {
    return decodeWholeImage(decodePcxRows, data, size, options, out);
}

bool readPcxFacts(ByteSource& source, ImageFacts& out) {
    return readFactsWithRows(decodePcxRows, source, out);
}

}  // namespace ximora::engine
