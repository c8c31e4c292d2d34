#include "engine/codecs/bmp/bmp_rle.h"

#include <algorithm>

#include "engine/core/error.h"

namespace ximora::engine {
namespace {

// Escape codes that follow a zero count byte.
constexpr uint8_t kEndOfLine = 0, kEndOfBitmap = 1, kDelta = 2;

// Writes `count` pixels of an encoded run; RLE4 alternates the two nibbles of `value`.
void fillRun(uint8_t* row, int x, int count, uint8_t value, int bits) {
    for (int i = 0; i < count; ++i)
        row[x + i] = bits == 8 ? value : uint8_t(i % 2 ? value & 15 : value >> 4);
}

}  // namespace

bool decodeBmpRle(const uint8_t* data, size_t size, int bits, Image& image) {
    const int width = image.width(), height = image.height();
    size_t pos = 0;
    int x = 0, y = 0;  // y counts rows from the bottom
    while (true) {
        if (size - pos < 2) return y >= height ? true : fail(kErrCannotRead);
        const int count = data[pos], value = data[pos + 1];
        pos += 2;
        if (count > 0) {
            if (y >= height || count > width - x) return fail(kErrFileBroken);
            fillRun(image.row(height - 1 - y), x, count, uint8_t(value), bits);
            x += count;
            continue;
        }
        switch (value) {
            case kEndOfLine:
                x = 0;
                ++y;
                break;
            case kEndOfBitmap:
                return true;
            case kDelta: {
                if (size - pos < 2) return fail(kErrCannotRead);
                x += data[pos];
                y += data[pos + 1];
                pos += 2;
                if (x > width || y > height) return fail(kErrFileBroken);
                break;
            }
            default: {  // absolute run of `value` pixels, padded to an even byte count
                const size_t bytes = bits == 8 ? size_t(value) : size_t(value + 1) / 2;
                const size_t padded = bytes + (bytes & 1);
                if (y >= height || value > width - x) return fail(kErrFileBroken);
                if (size - pos < bytes) return fail(kErrCannotRead);
                uint8_t* row = image.row(height - 1 - y);
                for (int i = 0; i < value; ++i) {
                    const uint8_t byte = data[pos + size_t(bits == 8 ? i : i / 2)];
                    row[x + i] = bits == 8 ? byte : uint8_t(i % 2 ? byte & 15 : byte >> 4);
                }
                x += value;
                pos += std::min(padded, size - pos);
                break;
            }
        }
        if (y >= height && x > 0) return fail(kErrFileBroken);
    }
}

void encodeBmpRle(const Image& image, int bits, std::vector<uint8_t>& out) {
    // Runs of three or more equal pixels become encoded runs; other stretches become absolute
    // runs (at least three pixels long, as the format demands) or short encoded runs.
    const int width = image.width();
    auto emitRun = [&](int count, uint8_t index) {
        out.push_back(uint8_t(count));
        out.push_back(bits == 8 ? index : uint8_t((index << 4) | index));
    };
    auto emitLiteral = [&](const uint8_t* p, int count) {
        if (count < 3) {
            for (int i = 0; i < count; ++i) emitRun(1, p[i]);
            return;
        }
        out.push_back(0);
        out.push_back(uint8_t(count));
        size_t bytes = 0;
        if (bits == 8) {
            out.insert(out.end(), p, p + count);
            bytes = size_t(count);
        } else {
            for (int i = 0; i < count; i += 2, ++bytes)
                out.push_back(uint8_t((p[i] << 4) | (i + 1 < count ? p[i + 1] : 0)));
        }
        if (bytes & 1) out.push_back(0);
    };
    for (int y = image.height() - 1; y >= 0; --y) {
        const uint8_t* row = image.row(y);
        int x = 0, literalStart = 0;
        while (x < width) {
            int run = 1;
            while (x + run < width && run < 255 && row[x + run] == row[x]) ++run;
            if (run >= 3) {
                emitLiteral(row + literalStart, x - literalStart);
                emitRun(run, row[x]);
                x += run;
                literalStart = x;
            } else {
                x += run;
                if (x - literalStart >= 253) {
                    emitLiteral(row + literalStart, x - literalStart);
                    literalStart = x;
                }
            }
        }
        emitLiteral(row + literalStart, x - literalStart);
        out.push_back(0);
        out.push_back(kEndOfLine);
    }
    out.push_back(0);
    out.push_back(kEndOfBitmap);
}

}  // namespace ximora::engine
