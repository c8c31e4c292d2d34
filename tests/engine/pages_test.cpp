// Files with several pages or frames: the engine reads the first and says how many there are.
#include <gtest/gtest.h>
#include <tiffio.h>
#include <zlib.h>

#include <unistd.h>
#include <cstdio>
#include <cstring>
#include <string>

#include "codec_test_io.h"
#include "engine/codecs/page_count.h"
#include "engine/codecs/png/png_codec.h"
#include "engine/codecs/tiff/tiff_codec.h"
#include "engine/io/atomic_file.h"
#include "op_test_images.h"
#include "support/multi_page_files.h"

using namespace ximora::engine;
using namespace ximora::engine::test;

namespace {

// A TIFF file of `pages` pages of 8 × 6 grey pixels (page p filled with 40 p), with a
// reduced-resolution preview after the first page, written by libtiff itself.
std::vector<uint8_t> tiffPages(int pages) {
    const char* path = "pages_test.tif";
    TIFF* t = TIFFOpen(path, "w");
    const auto page = [&](int width, int height, uint8_t level, uint32_t type) {
        TIFFSetField(t, TIFFTAG_SUBFILETYPE, type);
        TIFFSetField(t, TIFFTAG_IMAGEWIDTH, uint32_t(width));
        TIFFSetField(t, TIFFTAG_IMAGELENGTH, uint32_t(height));
        TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 8);
        TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 1);
        TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
        std::vector<uint8_t> row(size_t(width), level);
        for (int y = 0; y < height; ++y) TIFFWriteScanline(t, row.data(), uint32_t(y), 0);
        TIFFWriteDirectory(t);
    };
    for (int p = 0; p < pages; ++p) {
        page(8, 6, uint8_t(40 * (p + 1)), p > 0 ? FILETYPE_PAGE : 0);
        if (p == 0) page(4, 3, 0, FILETYPE_REDUCEDIMAGE);
    }
    TIFFClose(t);
    std::vector<uint8_t> bytes;
    if (FILE* f = std::fopen(path, "rb")) {
        for (int c; (c = std::fgetc(f)) != EOF;) bytes.push_back(uint8_t(c));
        std::fclose(f);
    }
    std::remove(path);
    return bytes;
}

std::vector<uint8_t> gifFrames(int frames) { return ximora::test::animatedGif(frames); }

void appendChunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& data) {
    const auto be32 = [&](uint32_t v) {
        for (int s = 24; s >= 0; s -= 8) out.push_back(uint8_t(v >> s));
    };
    be32(uint32_t(data.size()));
    const size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    be32(uint32_t(crc32(0, out.data() + start, uInt(out.size() - start))));
}

// An animated PNG: the codec's still file with acTL (and, when `firstIsFrame`, fcTL) chunks
// before its image data, as an APNG encoder puts them.
std::vector<uint8_t> apng(uint32_t frames, bool firstIsFrame) {
    const auto still = encodeFile(patternImage(6, 5, 24), kSavePng);
    std::vector<uint8_t> bytes(still.begin(), still.begin() + 33);  // signature and IHDR
    appendChunk(bytes, "acTL", {0, 0, 0, uint8_t(frames), 0, 0, 0, 0});
    if (firstIsFrame) appendChunk(bytes, "fcTL", std::vector<uint8_t>(26, 0));
    bytes.insert(bytes.end(), still.begin() + 33, still.end());
    return bytes;
}

// Pages counted, after checking that the engine reads the file.
int pagesOf(const std::vector<uint8_t>& bytes) {
    Image image;
    EXPECT_TRUE(loadImageFromMemory(bytes.data(), bytes.size(), image)) << lastError();
    return countPages(bytes.data(), bytes.size());
}

}  // namespace

TEST(Pages, MultiPageAndAnimatedFilesSayHowManyPagesTheyHold) {
    Image first;
    const auto tiff = tiffPages(3);
    ASSERT_TRUE(loadImageFromMemory(tiff.data(), tiff.size(), first));
    EXPECT_EQ(countPages(tiff.data(), tiff.size()), 3);  // the preview is not a page
    EXPECT_EQ(first.width(), 8);
    EXPECT_EQ(first.pixel(2, 2).r, 40);  // the first page's pixels
    EXPECT_EQ(pagesOf(tiffPages(1)), 1);

    EXPECT_EQ(pagesOf(gifFrames(4)), 4);
    EXPECT_EQ(pagesOf(gifFrames(1)), 1);
    // A damaged later frame ends the count; the first is still shown.
    auto cut = gifFrames(3);
    cut.resize(cut.size() - 8);
    EXPECT_EQ(pagesOf(cut), 2);

    EXPECT_EQ(pagesOf(apng(3, true)), 3);
    EXPECT_EQ(pagesOf(apng(3, false)), 4);  // the default image is shown besides the three
    EXPECT_EQ(pagesOf(encodeFile(patternImage(6, 5, 24), kSavePng)), 1);
    for (int format : {kSaveBmp, kSaveJpeg, kSavePcx, kSaveJp2, kSaveFpx})
        EXPECT_EQ(pagesOf(encodeFile(patternImage(6, 5, 24), format)), 1) << format;

    // Files on disk count alike, whether their format may hold pages or not.
    const std::string path = testing::TempDir() + "pages-" + std::to_string(::getpid());
    for (const auto& [bytes, pages] : {std::pair{tiff, 3},
                                       {gifFrames(4), 4},
                                       {encodeFile(patternImage(6, 5, 24), kSaveJpeg), 1}}) {
        ASSERT_TRUE(writeFileAtomically(path, bytes.data(), bytes.size()));
        EXPECT_EQ(countFilePages(path), pages);
    }
    std::remove(path.c_str());
}

TEST(Pages, FilesThatCannotBeReadCountAsOnePage) {
    const std::vector<uint8_t> junk = {'G', 'I', 'F', '8', '9', 'a', 1};
    EXPECT_EQ(countPages(junk.data(), junk.size()), 1);
    EXPECT_EQ(countFilePages("/no/such/file.tif"), 1);
}
