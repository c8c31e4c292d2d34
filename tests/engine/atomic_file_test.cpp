// The one write path: a file is replaced whole or not at all, whatever goes wrong on the way.
// The faults are injected: a file-size limit, a full disk on a small private tmpfs, a process
// killed in the middle of a write.
#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "engine/core/error.h"
#include "engine/io/atomic_file.h"
#include "support/child_process.h"

namespace ximora::engine {
namespace {

namespace fs = std::filesystem;
using ximora::testing::limitFileSize;
using ximora::testing::runInChild;

class AtomicFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/atomic-file-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        folder_ = pattern;
    }
    void TearDown() override { fs::remove_all(folder_); }

    std::string path(const std::string& name) const { return folder_ + "/" + name; }
    static std::string contents(const std::string& file) {
        std::ifstream in(file, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    static bool write(const std::string& file, const std::string& bytes) {
        return writeFileAtomically(file, reinterpret_cast<const uint8_t*>(bytes.data()),
                                   bytes.size());
    }
    /// The names in the folder: a failed or killed write must leave only what was there.
    std::vector<std::string> names() const {
        std::vector<std::string> out;
        for (const auto& entry : fs::directory_iterator(folder_))
            out.push_back(entry.path().filename().string());
        std::sort(out.begin(), out.end());
        return out;
    }

    std::string folder_;
};

TEST_F(AtomicFileTest, ReplacesTheFileKeepingItsPermissionsAndLinks) {
    const std::string target = path("picture.bmp");
    ASSERT_TRUE(write(target, "first"));
    EXPECT_EQ(contents(target), "first");
    ::chmod(target.c_str(), 0640);
    ASSERT_TRUE(write(target, "second, longer"));
    EXPECT_EQ(contents(target), "second, longer");
    struct stat info {};
    ASSERT_EQ(::stat(target.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);

    // Saving through a symbolic link replaces the file it points to; the link stays a link.
    const std::string link = path("link.bmp");
    ASSERT_EQ(::symlink(target.c_str(), link.c_str()), 0);
    ASSERT_TRUE(write(link, "third"));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(contents(target), "third");
    EXPECT_EQ(names(), (std::vector<std::string>{"link.bmp", "picture.bmp"}));

    // A new file gets the permissions the umask gives any new file.
    const mode_t mask = ::umask(022);
    ASSERT_TRUE(write(path("new.bmp"), "x"));
    ::umask(mask);
    ASSERT_EQ(::stat(path("new.bmp").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0644u);
}

TEST_F(AtomicFileTest, RefusesAFolderAndAMissingFolderWithTheirReasons) {
    fs::create_directory(path("sub"));
    EXPECT_FALSE(write(path("sub"), "x"));
    EXPECT_EQ(lastError(), kErrCannotCreate);
    EXPECT_EQ(lastErrorReason(), EISDIR);
    EXPECT_FALSE(write(path("nowhere/picture.bmp"), "x"));
    EXPECT_EQ(lastError(), kErrCannotCreate);
    EXPECT_EQ(lastErrorMessage(), "ﾌｧｲﾙが作成できません\rﾌｫﾙﾀﾞが見つかりません");
    EXPECT_EQ(names(), std::vector<std::string>{"sub"});
}

TEST_F(AtomicFileTest, AWriteCutShortByAFileSizeLimitLeavesTheOldFile) {
    const std::string target = path("settings.xml");
    const std::string old(3000, 'o');
    ASSERT_TRUE(write(target, old));
    // The child may write 4 KB per file: the new content does not fit.
    const int status = runInChild([&] {
        limitFileSize(4096);
        const bool ok = write(target, std::string(20000, 'n'));
        if (ok) return 1;
        if (lastError() != kErrCannotWrite || lastErrorReason() != EFBIG) return 2;
        if (lastErrorMessage() != "ﾌｧｲﾙが書き込みできません\rﾌｧｲﾙｻｲｽﾞの上限を超えています")
            return 3;
        return 0;
    });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(contents(target), old);
    EXPECT_EQ(names(), std::vector<std::string>{"settings.xml"});
}

TEST_F(AtomicFileTest, AProcessKilledInTheMiddleOfAWriteLeavesNothingBehind) {
    const std::string target = path("photo.jpg");
    ASSERT_TRUE(write(target, "the photo as it was"));
    for (int round = 0; round < 5; ++round) {
        int ready[2];
        ASSERT_EQ(::pipe(ready), 0);
        const pid_t pid = ::fork();
        if (pid == 0) {
            AtomicFile file;
            const std::string chunk(1 << 20, 'x');
            if (!file.open(target)) ::_exit(1);
            for (int i = 0; i <= round; ++i) file.write(chunk.data(), chunk.size());
            (void)::write(ready[1], "k", 1);
            ::pause();
            ::_exit(2);
        }
        char byte = 0;
        ASSERT_EQ(::read(ready[0], &byte, 1), 1);
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        ::close(ready[0]);
        ::close(ready[1]);
        EXPECT_EQ(contents(target), "the photo as it was");
        EXPECT_EQ(names(), std::vector<std::string>{"photo.jpg"}) << "round " << round;
    }
}

TEST_F(AtomicFileTest, AFullDiskSaysSoAndLeavesTheOldFile) {
    // A private 64 KB tmpfs needs the right to mount; without it there is no full disk to fill.
    const int status = runInChild([&] {
        if (::unshare(CLONE_NEWNS) != 0) return 77;
        if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) return 77;
        if (::mount("tmpfs", folder_.c_str(), "tmpfs", 0, "size=64k") != 0) return 77;
        const std::string target = path("User.xml");
        const std::string old(20000, 'o');
        if (!write(target, old)) return 1;
        if (write(target, std::string(60000, 'n'))) return 2;
        if (lastErrorReason() != ENOSPC) return 3;
        if (lastErrorMessage() != "ﾌｧｲﾙが書き込みできません\rﾃﾞｨｽｸの空き容量が不足しています")
            return 4;
        if (contents(target) != old) return 5;
        if (names() != std::vector<std::string>{"User.xml"}) return 6;
        return 0;
    });
    if (status == 77) GTEST_SKIP() << "no right to mount a private tmpfs here";
    EXPECT_EQ(status, 0);
}

TEST_F(AtomicFileTest, RewritingInPlaceKeepsTheLengthAndTheFile) {
    const std::string record = path("PC_CP.PDAT");
    ASSERT_TRUE(write(record, std::string(12, '\0')));
    struct stat before {
    }, after{};
    ASSERT_EQ(::stat(record.c_str(), &before), 0);
    const std::string answer = "0123456789ab";
    ASSERT_TRUE(rewriteFileInPlace(record, reinterpret_cast<const uint8_t*>(answer.data()), 12));
    EXPECT_EQ(contents(record), answer);
    ASSERT_EQ(::stat(record.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);  // the same file, not a replacement

    EXPECT_FALSE(rewriteFileInPlace(record, reinterpret_cast<const uint8_t*>("short"), 5));
    EXPECT_EQ(contents(record), answer);
    EXPECT_FALSE(rewriteFileInPlace(path("missing"), nullptr, 0));
    EXPECT_EQ(lastError(), kErrCannotOpen);
}

}  // namespace
}  // namespace ximora::engine
