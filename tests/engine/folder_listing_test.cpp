#include <gtest/gtest.h>

#include <unistd.h>

#include "engine/core/error.h"
#include "engine/thumbs/folder_listing.h"
#include "thumbs_test_folder.h"

using namespace ximora::engine;
using ximora::engine::test::TestFolder;

namespace {
std::vector<std::string> names(const std::vector<FileEntry>& entries) {
    std::vector<std::string> out;
    for (const FileEntry& e : entries) out.push_back(e.name);
    return out;
}
}  // namespace

TEST(FolderListing, ExtensionIsASubstringOfTheFilter) {
    EXPECT_TRUE(passesFilter("photo.jpg", kImageFilter));
    EXPECT_TRUE(passesFilter("PHOTO.Tiff", kImageFilter));
    EXPECT_TRUE(passesFilter("BMP", kImageFilter));      // no dot: the whole name
    EXPECT_TRUE(passesFilter("x.PG", kImageFilter));     // PG occurs in JPG
    EXPECT_TRUE(passesFilter("a.b.gif", kImageFilter));  // after the last dot
    EXPECT_TRUE(passesFilter("x.F;J", kImageFilter));    // occurs across the separator
    EXPECT_FALSE(passesFilter("notes.txt", kImageFilter));
    EXPECT_FALSE(passesFilter("gif.txt", kImageFilter));
    EXPECT_FALSE(passesFilter("Thmb100.Dat", kImageFilter));
    EXPECT_FALSE(passesFilter("x.", kImageFilter));
    EXPECT_FALSE(passesFilter("x.webm", kImageFilter));
    // Every name JPEG and TIFF files go under.
    for (const char* name : {"x.jpeg", "X.JPE", "x.jfif", "x.tiff"})
        EXPECT_TRUE(passesFilter(name, kImageFilter)) << name;
}

TEST(FolderListing, ListsMatchingVisibleFilesWithSizeAndTime) {
    TestFolder dir;
    dir.write("b.JPG", "12345");
    dir.write("a.png", "1");
    dir.write("BMP", "12");
    dir.write(".hidden.jpg", "1");
    dir.write("readme.txt", "1");
    std::filesystem::create_directory(dir.file("sub.jpg"));
    std::filesystem::create_symlink("b.JPG", dir.file("link.gif"));
    std::filesystem::create_symlink("nowhere.jpg", dir.file("dangling.jpg"));
    std::filesystem::create_symlink("loop2.jpg", dir.file("loop1.jpg"));
    std::filesystem::create_symlink("loop1.jpg", dir.file("loop2.jpg"));
    std::filesystem::create_directory_symlink(".", dir.file("self.bmp"));
    dir.write(std::string("bad\xff\xfe.bmp"), "1");
    dir.touch("b.JPG", 1'000'000'000);

    std::vector<FileEntry> entries;
    ASSERT_TRUE(listImageFiles(dir.path(), kImageFilter, entries));
    EXPECT_EQ(names(entries),
              (std::vector<std::string>{"a.png", "b.JPG", std::string("bad\xff\xfe.bmp"), "BMP",
                                        "link.gif"}));
    EXPECT_EQ(entries[1].size, 5u);
    EXPECT_EQ(entries[1].mtimeNs, int64_t(1'000'000'000) * 1'000'000'000);
    EXPECT_EQ(entries[4].size, 5u);  // the link's target
    EXPECT_EQ(displayName(entries[2].name), "bad\xEF\xBF\xBD\xEF\xBF\xBD.bmp");
    EXPECT_EQ(displayName("写真.jpg"), "写真.jpg");
}

TEST(FolderListing, ReportsMissingAndUnreadableFolders) {
    TestFolder dir;
    std::vector<FileEntry> entries{{"stale", 1, 1}};
    EXPECT_FALSE(listImageFiles(dir.file("missing"), kImageFilter, entries));
    EXPECT_EQ(lastError(), kErrFileNotFound);
    EXPECT_TRUE(entries.empty());
    dir.write("file.jpg", "1");
    EXPECT_FALSE(listImageFiles(dir.file("file.jpg"), kImageFilter, entries));
    EXPECT_EQ(lastError(), kErrFileNotFound);

    std::filesystem::create_directory(dir.file("locked"));
    std::filesystem::permissions(dir.file("locked"), std::filesystem::perms::none);
    if (::access(dir.file("locked").c_str(), R_OK) == 0) GTEST_SKIP() << "running as root";
    EXPECT_FALSE(listImageFiles(dir.file("locked"), kImageFilter, entries));
    EXPECT_EQ(lastError(), kErrAccess);
    std::filesystem::permissions(dir.file("locked"), std::filesystem::perms::owner_all);
}
