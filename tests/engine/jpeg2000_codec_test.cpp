#include <gtest/gtest.h>

#include <openjpeg.h>

#include <algorithm>
#include <cstdio>

#include "codec_test_io.h"
#include "engine/codecs/jpeg2000/jpeg2000_codec.h"
#include "engine/core/error.h"
#include "op_test_images.h"

using namespace ximora::engine;
using namespace ximora::engine::test;

namespace {

std::vector<uint8_t> encode(const Image& image, int format, int ratio = 0) {
    return encodeWith(jp2Codec(), image, {.format = format, .jpeg2000Ratio = ratio});
}

bool decode(const std::vector<uint8_t>& bytes, Image& out, int minSide = 0) {
    return decodeWith(jp2Codec(), bytes, out, minSide);
}

// Value of component c at its own sample (i, j): distinct along both axes.
int componentValue(int c, uint32_t i, uint32_t j) {
    return int((i * 5 + j * 11 + uint32_t(c) * 40) % 256);
}

struct Grid {
    uint32_t x0, y0, x1, y1;  // image area on the reference grid
    uint32_t dx[3], dy[3];    // sampling of each component
    uint32_t tile = 0;        // side of the tiles from the grid's origin, 0 for one tile
};

// A lossless codestream written by OpenJPEG itself for three components on `grid`.
std::vector<uint8_t> gridCodestream(const Grid& grid) {
    opj_image_cmptparm_t params[3] = {};
    for (int c = 0; c < 3; ++c) {
        params[c].dx = grid.dx[c], params[c].dy = grid.dy[c];
        params[c].x0 = (grid.x0 + grid.dx[c] - 1) / grid.dx[c];
        params[c].y0 = (grid.y0 + grid.dy[c] - 1) / grid.dy[c];
        params[c].w = (grid.x1 + grid.dx[c] - 1) / grid.dx[c] - params[c].x0;
        params[c].h = (grid.y1 + grid.dy[c] - 1) / grid.dy[c] - params[c].y0;
        params[c].prec = 8;
    }
    opj_image_t* image = opj_image_create(3, params, OPJ_CLRSPC_SRGB);
    image->x0 = grid.x0, image->y0 = grid.y0, image->x1 = grid.x1, image->y1 = grid.y1;
    for (int c = 0; c < 3; ++c)
        for (uint32_t j = 0; j < params[c].h; ++j)
            for (uint32_t i = 0; i < params[c].w; ++i)
                image->comps[c].data[j * params[c].w + i] = componentValue(c, i, j);
    opj_cparameters_t parameters;
    opj_set_default_encoder_parameters(&parameters);
    parameters.tcp_numlayers = 1, parameters.tcp_rates[0] = 0, parameters.cp_disto_alloc = 1;
    parameters.numresolution = 3;
    parameters.image_offset_x0 = int(grid.x0), parameters.image_offset_y0 = int(grid.y0);
    if (grid.tile) {
        parameters.tile_size_on = OPJ_TRUE;
        parameters.cp_tdx = parameters.cp_tdy = int(grid.tile);
    }
    opj_codec_t* codec = opj_create_compress(OPJ_CODEC_J2K);
    EXPECT_TRUE(opj_setup_encoder(codec, &parameters, image));
    const char* path = "jpeg2000_grid_test.j2k";
    opj_stream_t* stream = opj_stream_create_default_file_stream(path, OPJ_FALSE);
    EXPECT_TRUE(opj_start_compress(codec, image, stream) && opj_encode(codec, stream) &&
                opj_end_compress(codec, stream));
    opj_stream_destroy(stream);
    opj_destroy_codec(codec);
    opj_image_destroy(image);
    std::vector<uint8_t> bytes;
    if (FILE* f = std::fopen(path, "rb")) {
        for (int ch; (ch = std::fgetc(f)) != EOF;) bytes.push_back(uint8_t(ch));
        std::fclose(f);
    }
    std::remove(path);
    return bytes;
}

}  // namespace

TEST(Jpeg2000Codec, SubsampledComponentsAndOffsetsAreShownOnTheReferenceGrid) {
    const Grid grids[] = {
        {0, 0, 128, 96, {1, 2, 2}, {1, 2, 2}},  // 2 × 2 chroma
        {3, 1, 70, 41, {1, 2, 1}, {1, 1, 2}},   // odd offsets, factors differing per axis
        // Decoded tile by tile. (OpenJPEG's encoder misplaces the rows of a tiled subsampled
        // component whose offset is odd, so this one is even.)
        {4, 2, 150, 110, {1, 2, 2}, {1, 2, 2}, 32},
    };
    for (const Grid& grid : grids) {
        const auto bytes = gridCodestream(grid);
        ASSERT_FALSE(bytes.empty());
        Image image;
        ASSERT_TRUE(decode(bytes, image)) << lastError();
        ASSERT_EQ(image.width(), int(grid.x1 - grid.x0));
        ASSERT_EQ(image.height(), int(grid.y1 - grid.y0));
        ASSERT_EQ(image.bitsPerPixel(), 24);
        // Three components with the second subsampled across are luma and chroma, as
        // OpenJPEG's decoder takes them, where it converts that sampling (4:2:0 here).
        const bool chroma = grid.dx[1] == 2 && grid.dy[1] == 2 && grid.dx[2] == 2;
        int wrong = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                // The sample at or before the grid point, counted from the component's first
                // one (a point before it takes the first).
                const auto at = [](uint32_t origin, int pos, uint32_t step) {
                    return uint32_t(std::max<int64_t>(0, int64_t((origin + uint32_t(pos)) / step) -
                                                             int64_t((origin + step - 1) / step)));
                };
                int v[3];
                for (int c = 0; c < 3; ++c)
                    v[c] =
                        componentValue(c, at(grid.x0, x, grid.dx[c]), at(grid.y0, y, grid.dy[c]));
                if (chroma) {
                    const int cb = v[1] - 128, cr = v[2] - 128, luma = v[0];
                    v[0] = std::clamp(luma + int(1.402 * cr), 0, 255);
                    v[1] = std::clamp(luma - int(0.344 * cb + 0.714 * cr), 0, 255);
                    v[2] = std::clamp(luma + int(1.772 * cb), 0, 255);
                }
                const uint8_t* p = image.row(y) + x * 3;
                for (int c = 0; c < 3; ++c) wrong += p[c] != v[c];
            }
        EXPECT_EQ(wrong, 0) << grid.x1 << "x" << grid.y1;
    }
    // A reduced decode keeps the picture's proportions, in one tile or many.
    Image small;
    ASSERT_TRUE(decode(gridCodestream(grids[0]), small, 40));
    EXPECT_EQ(small.width(), 64);
    EXPECT_EQ(small.height(), 48);
    ASSERT_TRUE(decode(gridCodestream(grids[2]), small, 50));
    EXPECT_EQ(small.width(), 73);   // the grid's 4..150 halved: 2..75
    EXPECT_EQ(small.height(), 54);  // 1..55
}

TEST(Jpeg2000Codec, LosslessRoundTripsInBothContainers) {
    struct Case {
        int bits;
        bool grey;
        int readBits;
    };
    const Case cases[] = {
        {8, true, 8}, {4, false, 24}, {16, false, 24}, {24, false, 24}, {32, false, 32}};
    for (const Case& c : cases)
        for (int format : {kSaveJp2, kSaveJ2k}) {
            const Image source = patternImage(33, 21, c.bits, c.grey);
            const auto bytes = encode(source, format);
            EXPECT_TRUE(
                (format == kSaveJp2 ? jp2Codec() : j2kCodec()).matches(bytes.data(), bytes.size()));
            Image back;
            ASSERT_TRUE(decode(bytes, back)) << c.bits << " " << format << " " << lastError();
            EXPECT_EQ(back.bitsPerPixel(), c.readBits);
            EXPECT_TRUE(sameColours(source, back)) << c.bits << " " << format;
        }
}

TEST(Jpeg2000Codec, CompressionRatioShrinksTheFileAndStaysClose) {
    const Image source = smoothImage(128, 96);
    const auto lossless = encode(source, kSaveJ2k), lossy = encode(source, kSaveJ2k, 20);
    EXPECT_LT(lossy.size() * 4, lossless.size());
    Image back;
    ASSERT_TRUE(decode(lossy, back));
    EXPECT_LE(maxDifference(source, back), 24);
}

TEST(Jpeg2000Codec, ReducedResolutionKeepsBothSidesAtLeastTheMinimum) {
    const auto bytes = encode(smoothImage(256, 128), kSaveJp2);
    Image small;
    ASSERT_TRUE(decode(bytes, small, 30));
    EXPECT_EQ(small.width(), 64);  // two levels dropped: 64×32; a third would give 16 rows
    EXPECT_EQ(small.height(), 32);
}

TEST(Jpeg2000Codec, DamagedFilesFailCleanly) {
    const auto good = encode(smoothImage(64, 64), kSaveJ2k);
    Image kept = patternImage(3, 3, 24), out = kept;
    std::vector<uint8_t> truncated(good.begin(), good.begin() + long(good.size() / 2));
    EXPECT_FALSE(decode(truncated, out));
    EXPECT_EQ(lastError(), kErrCannotRead);

    std::vector<uint8_t> huge = good;  // SIZ: Xsiz and Ysiz follow FF4F FF51 Lsiz Rsiz
    for (size_t i = 8; i < 16; ++i) huge[i] = i % 4 == 0 ? 0 : 0xFF;
    EXPECT_FALSE(decode(huge, out));
    EXPECT_TRUE(lastError() == kErrMemory || lastError() == kErrFileBroken) << lastError();

    const std::vector<uint8_t> header(good.begin(), good.begin() + 20);
    EXPECT_FALSE(decode(header, out));
    EXPECT_TRUE(sameColours(out, kept));
}
