// The one write path: a file is replaced whole or not at all, whatever goes wrong on the way.
// The faults are injected: a file-size limit, a full disk on a small private tmpfs, a process
// killed in the middle of a write.
#include <fcntl.h>
#include <sched.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <sys/xattr.h>
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
#include "engine/io/leftover_temporaries.h"
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

// Only a regular file, or a link to one, is replaced; everything else is refused with its
// reason and stays what it is. A dangling link is written through to the file it names.
TEST_F(AtomicFileTest, OnlyARegularFileOrALinkToOneIsReplaced) {
    const auto refused = [&](const std::string& target) {
        EXPECT_FALSE(write(target, "x")) << target;
        EXPECT_EQ(lastError(), kErrCannotCreate) << target;
        EXPECT_EQ(lastErrorReason(), kReasonNotRegularFile) << target;
        EXPECT_EQ(lastErrorMessage(),
                  "ﾌｧｲﾙが作成できません\r通常のﾌｧｲﾙではありません (not a regular file)");
    };
    ASSERT_EQ(::mkfifo(path("pipe.bmp").c_str(), 0600), 0);
    refused(path("pipe.bmp"));
    EXPECT_TRUE(fs::is_fifo(path("pipe.bmp")));
    // A device node, where the test may make one (as the administrator).
    if (::mknod(path("null.bmp").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0) {
        refused(path("null.bmp"));
        EXPECT_TRUE(fs::is_character_file(path("null.bmp")));
        ::unlink(path("null.bmp").c_str());
    }
    // A descriptor link of /proc, here of a regular file.
    const int open = ::open(path("pipe.bmp").c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(open, 0);
    refused("/proc/self/fd/" + std::to_string(open));
    ::close(open);
    // A link to a FIFO is as much a FIFO.
    ASSERT_EQ(::symlink("pipe.bmp", path("to-pipe.bmp").c_str()), 0);
    refused(path("to-pipe.bmp"));
    // A dangling link: the file it names is made, and the link stays.
    ASSERT_EQ(::symlink("made/../made.bmp", path("dangling.bmp").c_str()), 0);
    fs::create_directory(path("made"));
    ASSERT_TRUE(write(path("dangling.bmp"), "through"));
    EXPECT_TRUE(fs::is_symlink(path("dangling.bmp")));
    EXPECT_EQ(contents(path("made.bmp")), "through");
    // Links that go round.
    ASSERT_EQ(::symlink("loop-b", path("loop-a").c_str()), 0);
    ASSERT_EQ(::symlink("loop-a", path("loop-b").c_str()), 0);
    EXPECT_FALSE(write(path("loop-a"), "x"));
    EXPECT_EQ(lastErrorReason(), ELOOP);
    EXPECT_TRUE(fs::is_symlink(path("loop-a")));
}

// The replacement is the same file to others: extended attributes and the ACL stay, the owner
// and group stay (where the administrator may give them), and a file with several names is
// rewritten in place so that every name sees the new content.
TEST_F(AtomicFileTest, TheReplacementIsTheSameFileToOthers) {
    const std::string target = path("shared.png");
    ASSERT_TRUE(write(target, "old"));
    const std::string comment = "taken at the lake";
    const bool userAttributes =
        ::setxattr(target.c_str(), "user.comment", comment.data(), comment.size(), 0) == 0;
    // An ACL giving user 65534 read access: version 2, then (tag, permissions, id) entries.
    std::vector<uint8_t> acl = {2, 0, 0, 0};
    const auto entry = [&acl](uint16_t tag, uint16_t perm, uint32_t id) {
        for (int i = 0; i < 2; ++i) acl.push_back(uint8_t(tag >> (8 * i)));
        for (int i = 0; i < 2; ++i) acl.push_back(uint8_t(perm >> (8 * i)));
        for (int i = 0; i < 4; ++i) acl.push_back(uint8_t(id >> (8 * i)));
    };
    entry(0x01, 6, 0xFFFFFFFF), entry(0x02, 4, 65534), entry(0x04, 4, 0xFFFFFFFF);
    entry(0x10, 4, 0xFFFFFFFF), entry(0x20, 0, 0xFFFFFFFF);
    const bool acls =
        ::setxattr(target.c_str(), "system.posix_acl_access", acl.data(), acl.size(), 0) == 0;
    const bool administrator = ::geteuid() == 0;
    if (administrator) {
        ASSERT_EQ(::chown(target.c_str(), 65534, 65534), 0);
    }
    ::chmod(target.c_str(), 0640);

    ASSERT_TRUE(write(target, "new content"));
    EXPECT_EQ(contents(target), "new content");
    struct stat info {};
    ASSERT_EQ(::stat(target.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
    if (administrator) {
        EXPECT_EQ(info.st_uid, 65534u);
        EXPECT_EQ(info.st_gid, 65534u);
    }
    if (userAttributes) {
        char value[64] = {};
        EXPECT_EQ(::getxattr(target.c_str(), "user.comment", value, sizeof value),
                  ssize_t(comment.size()));
        EXPECT_EQ(std::string(value), comment);
    }
    if (acls) {
        std::vector<uint8_t> kept(64);
        const ssize_t size =
            ::getxattr(target.c_str(), "system.posix_acl_access", kept.data(), kept.size());
        ASSERT_GT(size, 0);
        kept.resize(size_t(size));
        EXPECT_EQ(kept, acl);
    }

    // Hard links: the same file under both names, with the new content.
    const std::string other = path("other-name.png");
    ASSERT_EQ(::link(target.c_str(), other.c_str()), 0);
    struct stat before {};
    ASSERT_EQ(::stat(target.c_str(), &before), 0);
    ASSERT_TRUE(write(target, "seen by every name, and longer than before"));
    EXPECT_EQ(contents(other), "seen by every name, and longer than before");
    struct stat after {};
    ASSERT_EQ(::stat(target.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    ASSERT_TRUE(write(other, "short"));  // and shorter again
    EXPECT_EQ(contents(target), "short");
    EXPECT_EQ(names(), (std::vector<std::string>{"other-name.png", "shared.png"}));
}

// A new file in a folder whose group is given to what is made in it (set-group-ID) has that
// group.
TEST_F(AtomicFileTest, ANewFileInASetgidFolderHasTheFoldersGroup) {
    if (::geteuid() != 0) GTEST_SKIP() << "giving a folder another group needs the administrator";
    const std::string folder = path("shared");
    fs::create_directory(folder);
    ASSERT_EQ(::chown(folder.c_str(), 0, 65534), 0);
    ASSERT_EQ(::chmod(folder.c_str(), 02775), 0);
    ASSERT_TRUE(write(folder + "/new.png", "x"));
    struct stat info {};
    ASSERT_EQ(::stat((folder + "/new.png").c_str(), &info), 0);
    EXPECT_EQ(info.st_gid, 65534u);
}

// What a killed write left where there are no unnamed files is told apart by its name and its
// free lock: only that goes, never another file, nor one a writer still holds.
TEST_F(AtomicFileTest, LeftoverTemporariesAreRemovedAndNothingElse) {
    const std::string left = path(".photo.jpg.ximora-0a1b2c3d.tmp");
    const std::string held = path(".photo.jpg.ximora-zzzzzzzz.tmp");
    for (const std::string& name :
         {left, held, path(".photo.jpg.part"), path(".photo.jpg.ximora-short.tmp"),
          path("photo.jpg.ximora-0a1b2c3d.tmp"), path(".photo.jpg.ximora-saved")})
        std::ofstream(name) << "x";
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t writer = ::fork();
    if (writer == 0) {
        const int fd = ::open(held.c_str(), O_RDWR);
        ::flock(fd, LOCK_EX);
        (void)::write(ready[1], "k", 1);
        ::pause();
        ::_exit(0);
    }
    char byte = 0;
    ASSERT_EQ(::read(ready[0], &byte, 1), 1);
    EXPECT_EQ(removeLeftoverTemporaries(folder_), 1);
    ::kill(writer, SIGKILL);
    ::waitpid(writer, nullptr, 0);
    EXPECT_FALSE(fs::exists(left));
    EXPECT_TRUE(fs::exists(held));
    EXPECT_EQ(names().size(), 5u);
    EXPECT_EQ(removeLeftoverTemporaries(folder_), 1);  // its writer is gone now
    EXPECT_FALSE(fs::exists(held));
    ::close(ready[0]);
    ::close(ready[1]);
}

}  // namespace
}  // namespace ximora::engine
