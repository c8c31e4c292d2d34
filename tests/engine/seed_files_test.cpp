#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <vector>

#include "engine/codecs/registry.h"
#include "engine/core/error.h"

using namespace ximora::engine;
namespace fs = std::filesystem;

// The fuzz seeds are small valid files, several written by other programs (CMYK and
// restart-marker JPEG, tiled Deflate and JPEG-compressed TIFF, 16-bit and 2-bit PNG, an
// animated GIF): every one must load through content detection.
TEST(SeedFiles, EverySeedOfEveryCodecCorpusLoads) {
    const fs::path corpus =
        fs::path(XIMORA_TEST_DATA).parent_path().parent_path() / "fuzz" / "corpus";
    // Only the decoders' corpora hold image files; other harnesses have seeds of their own kind.
    const std::vector<std::string> decoders = {
        "bmp_fuzzer",      "pcx_fuzzer",  "jpeg_fuzzer", "png_fuzzer",  "gif_fuzzer", "tiff_fuzzer",
        "jpeg2000_fuzzer", "webp_fuzzer", "heif_fuzzer", "avif_fuzzer", "jxl_fuzzer"};
    std::map<std::string, int> loaded;
    for (const auto& entry : fs::recursive_directory_iterator(corpus)) {
        const std::string harness = entry.path().parent_path().filename().string();
        if (std::find(decoders.begin(), decoders.end(), harness) == decoders.end()) continue;
        const std::string name = entry.path().filename().string();
        if (!entry.is_regular_file() || name.rfind("seed-", 0) != 0) continue;
        Image image;
        EXPECT_TRUE(loadImage(entry.path().string(), image))
            << entry.path() << " error " << lastError();
        EXPECT_FALSE(image.empty()) << entry.path();
        ++loaded[harness];
    }
    for (const char* harness :
         {"jpeg_fuzzer", "png_fuzzer", "gif_fuzzer", "tiff_fuzzer", "jpeg2000_fuzzer",
          "webp_fuzzer", "heif_fuzzer", "avif_fuzzer", "jxl_fuzzer"})
        EXPECT_GE(loaded[harness], 3) << harness;
}
