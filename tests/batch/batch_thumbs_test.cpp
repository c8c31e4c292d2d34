// `ximora-batch thumbs`, run as a user would, with a private home so the central cache folder
// is the test's own.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "engine/codecs/registry.h"
#include "engine/thumbs/cache_name.h"

namespace fs = std::filesystem;
using namespace ximora::engine;

namespace {

class BatchThumbs : public ::testing::Test {
  protected:
    void SetUp() override {
        program_ = fs::read_symlink("/proc/self/exe").parent_path() / "ximora-batch";
        if (!fs::exists(program_)) GTEST_SKIP() << "ximora-batch is not built";
        home_ = fs::temp_directory_path() / ("ximora-batch-thumbs-" + std::to_string(::getpid()));
        pics_ = home_ / "pics";
        fs::create_directories(pics_);
        Image image;
        image.allocateZeroed(300, 150, 24);
        ASSERT_TRUE(saveImage((pics_ / "a.bmp").string(), image, SaveOptions{}));
        SaveOptions flashPix;
        flashPix.format = kSaveFpxCompressed;
        ASSERT_TRUE(saveImage((pics_ / "b.fpx").string(), image, flashPix));
        std::ofstream(pics_ / "broken.jpg") << "not a picture";
    }
    void TearDown() override { fs::remove_all(home_); }

    int run(const std::string& arguments, std::string* out = nullptr) const {
        const fs::path stdoutFile = home_ / "stdout";
        const std::string command = "env -u DISPLAY HOME=" + home_.string() +
                                    " XDG_DATA_HOME=" + (home_ / "data").string() +
                                    " XDG_CONFIG_HOME=" + (home_ / "config").string() + " " +
                                    program_.string() + " thumbs " + arguments + " >" +
                                    stdoutFile.string() + " 2>/dev/null";
        const int raw = std::system(command.c_str());
        if (out) {
            std::stringstream text;
            text << std::ifstream(stdoutFile).rdbuf();
            *out = text.str();
        }
        return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    }

    // Whether the program's user data folder is the private home's (no UserData.ini beside it
    // points elsewhere).
    bool userDataIsTheHomes() const {
        if (!fs::exists(program_.parent_path() / "UserData.ini")) return true;
        std::ifstream pointer(program_.parent_path() / "UserData.ini");
        std::string token;
        pointer >> token;
        return token == "%applicaion";
    }

    fs::path program_, home_, pics_;
};

}  // namespace

TEST_F(BatchThumbs, BesideTheImagesThenFromTheCache) {
    std::string out;
    ASSERT_EQ(run("--beside --size 80 " + pics_.string() + "/", &out), 0);
    const std::string cacheFile = (pics_ / "Thmb080.Dat").string();
    EXPECT_EQ(out, pics_.string() + "\t" + cacheFile + "\t3\t0\t3\t1\n");
    // The folders may come on standard input, one a line.
    std::ofstream(home_ / "list") << pics_.string() << "\n";
    ASSERT_EQ(run("--beside --size 80 - <" + (home_ / "list").string(), &out), 0);
    EXPECT_EQ(out, pics_.string() + "\t" + cacheFile + "\t3\t3\t0\t1\n");
}

TEST_F(BatchThumbs, CentralCacheUnderTheUserDataFolder) {
    if (!userDataIsTheHomes()) GTEST_SKIP() << "the build's UserData.ini points elsewhere";
    ASSERT_EQ(run(pics_.string()), 0);
    EXPECT_TRUE(fs::exists(
        centralCacheFile((home_ / "data/Quorvel/ximora/").string(), pics_.string(), 100)));
}

TEST_F(BatchThumbs, MissingFolderAndBadArguments) {
    EXPECT_EQ(run("--beside " + (home_ / "none").string() + " " + pics_.string()), 1);
    EXPECT_TRUE(fs::exists(pics_ / "Thmb100.Dat"));  // the good folder is still done
    EXPECT_EQ(run("--size 0 " + pics_.string()), 2);
    EXPECT_EQ(run("--size"), 2);
    EXPECT_EQ(run(""), 2);
}

TEST_F(BatchThumbs, DrawingsGetThumbnailsToo) {
    const fs::path drawings = home_ / "drawings";
    fs::create_directories(drawings);
    std::ofstream(drawings / "plan.dxf") << "0\nSECTION\n2\nENTITIES\n0\nLINE\n8\n0\n10\n0\n20\n0\n"
                                            "11\n100\n21\n50\n0\nENDSEC\n0\nEOF\n";
    std::ofstream(drawings / "icon.svg")
        << "<svg xmlns='http://www.w3.org/2000/svg' width='20' height='10'><rect width='10' "
           "height='10'/></svg>";
    std::ofstream(drawings / "broken.svg") << "<svg";
    std::string out;
    ASSERT_EQ(run("--beside " + drawings.string(), &out), 0);
    // folder, cache file, files, from the cache, made (or tried), not readable
    EXPECT_EQ(out,
              drawings.string() + "\t" + (drawings / "Thmb100.Dat").string() + "\t3\t0\t3\t1\n");
}

// Two folders whose names encode alike ("x/a/b" and "x/a~b") never share thumbnails, and a
// folder whose path is too long for a fixed name gets a cache too.
TEST_F(BatchThumbs, FoldersThatEncodeAlikeKeepTheirOwnCaches) {
    if (!userDataIsTheHomes()) GTEST_SKIP() << "the build's UserData.ini points elsewhere";
    const fs::path slashed = home_ / "x/a/b", tilde = home_ / "x/a~b";
    fs::create_directories(slashed);
    fs::create_directories(tilde);
    fs::copy_file(pics_ / "a.bmp", slashed / "one.bmp");
    Image other;
    other.allocateZeroed(50, 200, 24);
    ASSERT_TRUE(saveImage((tilde / "two.bmp").string(), other, SaveOptions{}));
    std::string out;
    ASSERT_EQ(run(slashed.string() + " " + tilde.string(), &out), 0);
    const std::string userData = (home_ / "data/Quorvel/ximora/").string();
    const std::string first = cacheFileFor(false, userData, slashed.string(), 100);
    const std::string second = cacheFileFor(false, userData, tilde.string(), 100);
    EXPECT_NE(first, second);
    EXPECT_TRUE(fs::exists(first));
    EXPECT_TRUE(fs::exists(second));
    EXPECT_EQ(cacheFileFolder(first), slashed.string());
    EXPECT_EQ(cacheFileFolder(second), tilde.string());
    // Run again: each finds its own thumbnail (one from the cache, none made).
    ASSERT_EQ(run(slashed.string() + " " + tilde.string(), &out), 0);
    EXPECT_EQ(out, slashed.string() + "\t" + first + "\t1\t1\t0\t0\n" + tilde.string() + "\t" +
                       second + "\t1\t1\t0\t0\n");

    fs::path deep = home_;
    for (int i = 0; i < 12; ++i) deep /= std::string(24, char('a' + i));
    fs::create_directories(deep);
    fs::copy_file(pics_ / "a.bmp", deep / "deep.bmp");
    ASSERT_EQ(run(deep.string(), &out), 0) << out;
    const std::string deepCache = cacheFileFor(false, userData, deep.string(), 100);
    EXPECT_TRUE(fs::exists(deepCache)) << deepCache;
    EXPECT_EQ(cacheFileFolder(deepCache), deep.string());
}
