// PNG files made by hand, row filter by row filter and chunk by chunk, so that both ways through
// the image data are walked: in one piece (8-bit rows as the file stores them) and through
// libpng (everything it declines), which must give the same pictures and the same refusals.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "codec_test_io.h"
#include "engine/codecs/png/png_codec.h"
#include "engine/codecs/row_sink.h"
#include "engine/core/error.h"
#include "engine/core/memory_budget.h"
#include "engine/io/byte_source.h"

using namespace ximora::engine;
using namespace ximora::engine::test;

namespace {

using Bytes = std::vector<uint8_t>;

struct Chunk {
    std::string type;
    Bytes data;
};

void putBe32(Bytes& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(uint8_t(v >> shift));
}

Bytes pngFile(const std::vector<Chunk>& chunks) {
    Bytes file = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    for (const Chunk& chunk : chunks) {
        putBe32(file, uint32_t(chunk.data.size()));
        const size_t typeAt = file.size();
        file.insert(file.end(), chunk.type.begin(), chunk.type.end());
        file.insert(file.end(), chunk.data.begin(), chunk.data.end());
        putBe32(file, uint32_t(crc32(0, file.data() + typeAt, uInt(4 + chunk.data.size()))));
    }
    return file;
}

// What the file's header says of the pixels: colour type 0 (grey), 2 (RGB), 3 (palette) or 6
// (RGBA), 8 bits a sample.
struct Kind {
    uint8_t colourType;
    int bytesPerPixel;
};
constexpr Kind kKinds[] = {{0, 1}, {3, 1}, {2, 3}, {6, 4}};

Chunk header(int width, int height, uint8_t colourType, uint8_t depth = 8) {
    Chunk ihdr{"IHDR", {}};
    putBe32(ihdr.data, uint32_t(width));
    putBe32(ihdr.data, uint32_t(height));
    ihdr.data.insert(ihdr.data.end(), {depth, colourType, 0, 0, 0});
    return ihdr;
}

Chunk fullPalette() {
    Chunk plte{"PLTE", {}};
    for (int i = 0; i < 256; ++i)
        plte.data.insert(plte.data.end(), {uint8_t(i), uint8_t(255 - i), uint8_t(i * 7)});
    return plte;
}

int predict(int filter, int a, int b, int c) {
    switch (filter) {
        case 1:
            return a;
        case 2:
            return b;
        case 3:
            return (a + b) / 2;
        case 4: {
            const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b),
                      pc = std::abs(p - c);
            return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
        }
        default:
            return 0;
    }
}

// The rows as the format stores them: each one's filter type, then its bytes less the
// prediction. `filterOf(y)` picks the type of row y.
template <typename FilterOf>
Bytes filteredRows(const std::vector<Bytes>& rows, int bpp, FilterOf filterOf) {
    Bytes out;
    const Bytes zeros(rows[0].size());
    for (size_t y = 0; y < rows.size(); ++y) {
        const Bytes& row = rows[y];
        const Bytes& above = y ? rows[y - 1] : zeros;
        const int filter = filterOf(int(y));
        out.push_back(uint8_t(filter));
        for (size_t i = 0; i < row.size(); ++i) {
            const int a = i >= size_t(bpp) ? row[i - size_t(bpp)] : 0;
            const int c = i >= size_t(bpp) ? above[i - size_t(bpp)] : 0;
            out.push_back(uint8_t(row[i] - predict(filter, a, above[i], c)));
        }
    }
    return out;
}

Bytes deflated(const Bytes& raw) {
    uLongf size = compressBound(uLong(raw.size()));
    Bytes out(size);
    EXPECT_EQ(compress2(out.data(), &size, raw.data(), uLong(raw.size()), 6), Z_OK);
    out.resize(size);
    return out;
}

// The stream cut into IDAT chunks of `piece` bytes (the whole stream in one when 0).
std::vector<Chunk> imageData(const Bytes& stream, size_t piece) {
    if (piece == 0) return {{"IDAT", stream}};
    std::vector<Chunk> chunks;
    for (size_t at = 0; at < stream.size(); at += piece)
        chunks.push_back(
            {"IDAT", Bytes(stream.begin() + long(at),
                           stream.begin() + long(std::min(stream.size(), at + piece)))});
    return chunks;
}

std::vector<Bytes> randomRows(int width, int height, int bpp, unsigned seed) {
    std::mt19937 random(seed);
    std::vector<Bytes> rows(size_t(height), Bytes(size_t(width * bpp)));
    for (Bytes& row : rows)
        for (uint8_t& v : row) v = uint8_t(random() % 7 == 0 ? 255 : random());
    return rows;
}

// A file of `kind` holding `rows`, its image data in chunks of `piece` bytes, `after` between
// the image data and IEND.
template <typename FilterOf>
Bytes fileOf(Kind kind, const std::vector<Bytes>& rows, FilterOf filterOf, size_t piece = 0,
             const std::vector<Chunk>& after = {}) {
    const int width = int(rows[0].size()) / kind.bytesPerPixel;
    std::vector<Chunk> chunks = {header(width, int(rows.size()), kind.colourType)};
    if (kind.colourType == 3) chunks.push_back(fullPalette());
    for (Chunk& c : imageData(deflated(filteredRows(rows, kind.bytesPerPixel, filterOf)), piece))
        chunks.push_back(std::move(c));
    chunks.insert(chunks.end(), after.begin(), after.end());
    chunks.push_back({"IEND", {}});
    return pngFile(chunks);
}

bool decode(const Bytes& bytes, Image& out) { return decodeWith(pngCodec(), bytes, out); }

::testing::AssertionResult holdsRows(const Image& image, const std::vector<Bytes>& rows) {
    for (size_t y = 0; y < rows.size(); ++y)
        if (!std::equal(rows[y].begin(), rows[y].end(), image.row(int(y))))
            return ::testing::AssertionFailure() << "row " << y << " differs";
    return ::testing::AssertionSuccess();
}

// A flat grey RGB picture's file, deflated a row at a time (the rows may be larger than the test
// would want to hold).
Bytes flatFile(int width, int height) {
    Bytes row(size_t(width) * 3 + 1, 0x80);
    row[0] = 0;  // filter type None
    z_stream z{};
    EXPECT_EQ(deflateInit(&z, 1), Z_OK);
    Bytes stream;
    Bytes out(1 << 16);
    for (int y = 0; y <= height; ++y) {
        z.next_in = const_cast<Bytef*>(row.data());
        z.avail_in = y < height ? uInt(row.size()) : 0;
        do {
            z.next_out = out.data();
            z.avail_out = uInt(out.size());
            deflate(&z, y < height ? Z_NO_FLUSH : Z_FINISH);
            stream.insert(stream.end(), out.data(), z.next_out);
        } while (z.avail_out == 0);
    }
    deflateEnd(&z);
    return pngFile({header(width, height, 2), {"IDAT", stream}, {"IEND", {}}});
}

// Notes the most memory the engine counts as alive while rows arrive.
class WatchingSink final : public RowSink {
  public:
    explicit WatchingSink(bool whole) : whole_(whole) {}
    bool start(const RowLayout&) override { return true; }
    void putRow(int, const uint8_t*) override { most = std::max(most, liveBytes()); }
    void putPixels(int, int, int, int, const uint8_t*) override {}
    bool keepsWholePicture() const override { return whole_; }
    uint64_t most = 0;

  private:
    bool whole_;
};

uint64_t mostAliveWhileDecoding(const Bytes& file, bool whole) {
    MemorySource source(file.data(), file.size());
    WatchingSink sink(whole);
    EXPECT_TRUE(pngCodec().decodeRows(source, LoadOptions(), sink)) << lastError();
    return sink.most;
}

}  // namespace

TEST(PngImageData, EveryFilterOnEveryPixelSizeAndChunkingGivesThePixelsBack) {
    const auto mixed = [](int y) { return (y * 3 + 1) % 5; };
    for (const Kind kind : kKinds)
        for (const int width : {1, 2, 37})
            for (const int filter : {0, 1, 2, 3, 4, -1})
                for (const size_t piece : {size_t(0), size_t(16), size_t(1)}) {
                    const auto rows = randomRows(width, 9, kind.bytesPerPixel, unsigned(width));
                    const auto filterOf = [&](int y) { return filter < 0 ? mixed(y) : filter; };
                    Image back;
                    ASSERT_TRUE(decode(fileOf(kind, rows, filterOf, piece), back))
                        << int(kind.colourType) << " filter " << filter << " piece " << piece;
                    EXPECT_EQ(back.width(), width);
                    EXPECT_TRUE(holdsRows(back, rows))
                        << "colour type " << int(kind.colourType) << " width " << width
                        << " filter " << filter << " piece " << piece;
                }
}

// Text and EXIF after the image data are still read by libpng once the decoder has taken the
// pixels itself.
TEST(PngImageData, ChunksAfterTheImageDataAreRead) {
    const auto rows = randomRows(40, 30, 3, 7);
    Chunk comment{"tEXt", {}};
    for (char c : std::string("Comment")) comment.data.push_back(uint8_t(c));
    comment.data.push_back(0);
    for (char c : std::string("after the pixels")) comment.data.push_back(uint8_t(c));
    const Bytes exif = {'M', 'M', 0, 42, 0, 0, 0, 8, 0, 0, 0, 0, 0, 0};
    for (const size_t piece : {size_t(0), size_t(100)}) {
        Image back;
        ASSERT_TRUE(decode(
            fileOf(kKinds[2], rows, [](int) { return 4; }, piece, {comment, Chunk{"eXIf", exif}}),
            back));
        EXPECT_TRUE(holdsRows(back, rows));
        EXPECT_EQ(back.comment, "after the pixels");
        EXPECT_EQ(back.metadata.exif, exif);
    }
}

// Image data that is not one whole, checked stream of exactly the picture's rows goes through
// libpng, which keeps its answers: a longer stream loses its surplus, anything damaged fails.
TEST(PngImageData, UnusualImageDataGetsLibpngsAnswer) {
    const Kind rgb = kKinds[2];
    const auto rows = randomRows(20, 12, 3, 3);
    const auto paeth = [](int) { return 4; };
    Image back;

    // One row more than the header declares.
    auto longer = rows;
    longer.push_back(rows[0]);
    Bytes file = fileOf(rgb, longer, paeth);
    file[20 + 3] = 12;  // IHDR height, low byte
    const uLong crc = crc32(0, file.data() + 12, 17);
    for (int i = 0; i < 4; ++i) file[29 + size_t(i)] = uint8_t(crc >> (24 - 8 * i));
    ASSERT_TRUE(decode(file, back));
    EXPECT_TRUE(holdsRows(back, rows));

    // A first IDAT too short to stand in for the rest; an empty IDAT at the end of the run.
    const Bytes stream = deflated(filteredRows(rows, 3, paeth));
    for (const size_t first : {size_t(1), size_t(0), stream.size()}) {
        std::vector<Chunk> chunks = {header(20, 12, 2),
                                     {"IDAT", Bytes(stream.begin(), stream.begin() + long(first))},
                                     {"IDAT", Bytes(stream.begin() + long(first), stream.end())},
                                     {"IEND", {}}};
        ASSERT_TRUE(decode(pngFile(chunks), back)) << first;
        EXPECT_TRUE(holdsRows(back, rows)) << first;
    }

    // A filter type the format does not have, in the middle of the picture.
    EXPECT_FALSE(decode(fileOf(rgb, rows, [](int y) { return y == 6 ? 5 : 1; }), back));
    EXPECT_EQ(lastError(), kErrFileBroken);

    // A later chunk's CRC broken; a stream cut short under correct CRCs.
    Bytes badCrc = fileOf(rgb, rows, paeth, 50);
    badCrc[badCrc.size() - 12 - 1] ^= 0x01;  // the last IDAT's CRC, before IEND
    EXPECT_FALSE(decode(badCrc, back));
    EXPECT_EQ(lastError(), kErrFileBroken);
    std::vector<Chunk> cut = {
        header(20, 12, 2), {"IDAT", Bytes(stream.begin(), stream.end() - 30)}, {"IEND", {}}};
    EXPECT_FALSE(decode(pngFile(cut), back));
    EXPECT_NE(lastError(), kOk);
}

// The zlib stream's own checksum is checked, under correct CRCs, on both ways through the image
// data: 8-bit rows in one piece, 16-bit rows through libpng.
TEST(PngImageData, AWrongAdler32IsDamage) {
    for (const uint8_t depth : {8, 16}) {
        const auto rows = randomRows(20 * depth / 8, 12, 3, 5);  // 20 pixels of 3 samples
        Bytes stream = deflated(filteredRows(rows, 3 * depth / 8, [](int y) { return y % 5; }));
        Image back;
        ASSERT_TRUE(
            decode(pngFile({header(20, 12, 2, depth), {"IDAT", stream}, {"IEND", {}}}), back))
            << int(depth);
        stream[stream.size() - 1] ^= 0x01;
        EXPECT_FALSE(
            decode(pngFile({header(20, 12, 2, depth), {"IDAT", stream}, {"IEND", {}}}), back))
            << int(depth);
        EXPECT_EQ(lastError(), kErrFileBroken) << int(depth);
    }
}

// The inflated rows are held only where they cost no more than the picture itself would, or
// are moderate: a thumbnail or a conversion of a huge picture keeps reading it row by row.
TEST(PngImageData, OnlyModerateRowsAreHeldWhileTheyStream) {
    const uint64_t rows = 2000 * (3 * 3000 + 1);
    EXPECT_GE(mostAliveWhileDecoding(flatFile(3000, 2000), false), rows);
    EXPECT_GE(mostAliveWhileDecoding(flatFile(3000, 2000), true), rows);
    // 9000 × 10000 RGB: 270 MB of rows.
    EXPECT_LT(mostAliveWhileDecoding(flatFile(9000, 10000), false), uint64_t(16) << 20);
}
