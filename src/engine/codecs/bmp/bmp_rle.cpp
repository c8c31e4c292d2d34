#include "engine/codecs/bmp/bmp_rle.h"

#include <algorithm>
#include <cstring>
#include <deque>

#include "engine/codecs/cut_short.h"
#include "engine/core/error.h"

namespace ximora::engine {
namespace {

// Escape codes that follow a zero count byte.
constexpr uint8_t kEndOfLine = 0, kEndOfBitmap = 1, kDelta = 2;

// The rows between the line being decoded and the furthest row a run has reached, held until
// the decoding moves past them. Row r counts from the bottom, as the data does; the sink's rows
// count from the top. Rows are built in the sink's memory where it offers it.
class OpenRows {
  public:
    OpenRows(RowSink& sink, int width, int height)
        : sink_(sink), width_(width), height_(height), zero_(size_t(width), 0) {}

    // Row r, opened (zero-filled) when first reached; nullptr past the window's budget.
    uint8_t* row(int r) {
        while (first_ + int(rows_.size()) <= r) {
            const int y = sinkRow(first_ + int(rows_.size()));
            uint8_t* memory = sink_.rowMemory(y);
            if (!memory) {
                if (uint64_t(rows_.size() + 1) * uint64_t(width_) > memoryLimit()) return nullptr;
                held_.emplace_back(size_t(width_));
                memory = held_.back().data();
            }
            std::memset(memory, 0, size_t(width_));
            rows_.push_back(memory);
        }
        return rows_[size_t(r - first_)];
    }

    // Rows below `line` are final: they go to the sink, rows never reached as zero rows.
    void finishBelow(int line) {
        line = std::min(line, height_);
        while (first_ < line) {
            if (!rows_.empty()) {
                sink_.putRow(sinkRow(first_), rows_.front());
                rows_.pop_front();
                if (!held_.empty() && rows_.size() < held_.size()) held_.pop_front();
                ++first_;
            } else {
                sink_.putRepeatedRow(sinkRow(line - 1), sinkRow(first_) + 1, zero_.data());
                first_ = line;
            }
        }
    }

  private:
    int sinkRow(int r) const { return height_ - 1 - r; }

    RowSink& sink_;
    int width_, height_;
    int first_ = 0;                          // the lowest row not yet handed over
    std::deque<uint8_t*> rows_;              // rows first_, first_ + 1, ... opened so far
    std::deque<std::vector<uint8_t>> held_;  // the memory of those rows the sink did not give
    std::vector<uint8_t> zero_;
};

// Where the next pixel goes: one position over all rows, bottom row first.
struct Cursor {
    int64_t position = 0;
    int64_t end = 0;  // width × height
};

// Writes `count` pixels from `pixel(i)` at the cursor, on through the following rows.
template <typename Pixel>
bool writeRun(OpenRows& rows, Cursor& at, int width, int count, Pixel pixel) {
    for (int i = 0; i < count && at.position < at.end;) {
        const int r = int(at.position / width), x = int(at.position % width);
        uint8_t* row = rows.row(r);
        if (!row) return fail(kErrMemory);
        const int n = std::min(count - i, width - x);
        for (int k = 0; k < n; ++k) row[x + k] = pixel(i + k);
        i += n;
        at.position += n;
    }
    return true;
}

}  // namespace

bool decodeBmpRle(SourceReader& in, int bits, int width, int height, RowSink& sink) {
    OpenRows rows(sink, width, height);
    Cursor at{0, int64_t(width) * height};
    int64_t x = 0, line = 0;  // the column as the data counts it, the line (from the bottom)
    const auto cutShort = [&] {
        return failCutShort(width, height, int(std::min(at.position, at.end) / width));
    };
    while (line < height) {
        uint8_t count = 0, value = 0;
        if (!in.readByte(count) || !in.readByte(value)) return cutShort();
        if (count > 0) {
            const auto nibbles = [&](int i) {
                return bits == 8 ? value : uint8_t(i % 2 ? value & 15 : value >> 4);
            };
            if (!writeRun(rows, at, width, count, nibbles)) return false;
            x += count;
            continue;
        }
        if (value == kEndOfBitmap) break;
        if (value == kEndOfLine || value == kDelta) {
            uint8_t dx = 0, dy = 0;
            if (value == kDelta && (!in.readByte(dx) || !in.readByte(dy))) return cutShort();
            x = value == kDelta ? x + dx : 0;
            line += value == kDelta ? dy : 1;
            at.position = line * width + x;
            if (at.position >= at.end) break;
            rows.finishBelow(int(line));
            continue;
        }
        // An absolute run of `value` pixels, padded to an even byte count.
        const size_t bytes = bits == 8 ? size_t(value) : size_t(value + 1) / 2;
        const uint8_t* data = in.take(bytes);
        if (!data) return cutShort();
        const auto pixels = [&](int i) {
            const uint8_t byte = data[bits == 8 ? i : i / 2];
            return bits == 8 ? byte : uint8_t(i % 2 ? byte & 15 : byte >> 4);
        };
        if (!writeRun(rows, at, width, value, pixels)) return false;
        x += value;
        uint8_t pad = 0;
        if (bytes & 1) in.readByte(pad);  // a missing pad byte at the very end is no loss
    }
    rows.finishBelow(height);
    return true;
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
