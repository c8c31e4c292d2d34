// Every format's save that the disk cuts short says why, with the system's reason, and leaves
// the file it would have replaced as it was.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "engine/codecs/registry.h"
#include "engine/core/error.h"
#include "op_test_images.h"
#include "support/child_process.h"

namespace ximora::engine {
namespace {

namespace fs = std::filesystem;

TEST(SaveFailure, EveryFormatGivesTheReasonAndKeepsTheOldFile) {
    const fs::path folder =
        fs::temp_directory_path() / ("ximora-save-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    const Image picture = test::makeImage(1200, 900, {24, false}, 7);
    for (int format : {kSaveBmp, kSaveBmpRle, kSaveJpeg, kSaveJpegProgressive, kSaveGif, kSaveTiff,
                       kSaveTiffLzw, kSavePng, kSaveFpx, kSavePcx, kSaveJp2, kSaveJ2k, kSaveWebp}) {
        SCOPED_TRACE(format);
        const std::string target = (folder / ("old." + std::to_string(format))).string();
        std::ofstream(target) << "the old file";
        const int status = testing::runInChild([&] {
            testing::limitFileSize(2048);
            Image image = picture;
            if (format == kSaveGif) image = test::makeImage(300, 200, {8, false}, 7);
            if (saveImage(target, image, {.format = format, .jpegQuality = 100})) return 1;
            if (lastErrorReason() != EFBIG) return 2;
            if (lastErrorMessage().find("ﾌｧｲﾙｻｲｽﾞの上限を超えています") == std::string::npos)
                return 3;
            return 0;
        });
        EXPECT_EQ(status, 0);
        std::ifstream in(target);
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "the old file");
    }
    fs::remove_all(folder);
}

}  // namespace
}  // namespace ximora::engine
