#include <gtest/gtest.h>

#include <sys/stat.h>

#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "engine/codecs/jpeg/jpeg_codec.h"
#include "engine/core/error.h"
#include "engine/io/atomic_file.h"
#include "engine/io/file_io.h"
#include "engine/thumbs/thumbnail_cache.h"
#include "engine/thumbs/thumbnail_scale.h"
#include "thumbs_test_folder.h"

using namespace ximora::engine;
using ximora::engine::test::TestFolder;

namespace {

// Smooth gradients, as thumbnails of photos are: what the cache's JPEG keeps well.
Image pattern(int w, int h, int seed) {
    Image image;
    image.allocate(w, h, 24);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = image.row(y) + size_t(x) * 3;
            p[0] = uint8_t(x * 200 / w + seed);
            p[1] = uint8_t(y * 200 / h + 2 * seed);
            p[2] = uint8_t((x + y) * 100 / (w + h) + 3 * seed);
        }
    return image;
}

// The cache stores JPEG, so a thumbnail comes back close to, not equal to, what was stored.
bool closePixels(const Image& a, const Image& b) {
    if (a.width() != b.width() || a.height() != b.height() || a.bitsPerPixel() != b.bitsPerPixel())
        return false;
    long total = 0;
    for (int y = 0; y < a.height(); ++y)
        for (size_t i = 0; i < size_t(a.width()) * 3; ++i)
            total += std::abs(int(a.row(y)[i]) - int(b.row(y)[i]));
    return total <= 3L * a.width() * a.height() * 3;  // mean error of at most 3 levels
}

uint32_t crcOf(const uint8_t* data, size_t size) { return uint32_t(crc32(0, data, uInt(size))); }
void putLe32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}

const FileEntry kA{"a.jpg", 1000, 5'000'000'001};
const FileEntry kB{"b\xff.png", 2000, 6'000'000'002};
const FileEntry kC{"c.gif", 3, 7};

}  // namespace

TEST(ThumbnailCache, SavesAndLoadsEntriesCompactly) {
    TestFolder dir;
    const Image a = pattern(100, 75, 3), b = pattern(1, 100, 9);
    ThumbnailCache cache(100);
    cache.store(kA, a);
    cache.store(kB, b);
    cache.storeFailure(kC);
    EXPECT_TRUE(cache.changed());
    ASSERT_TRUE(cache.save(dir.file("Thmb100.Dat")));
    EXPECT_FALSE(cache.changed());

    ThumbnailCache loaded(100);
    ASSERT_TRUE(loaded.load(dir.file("Thmb100.Dat")));
    EXPECT_EQ(loaded.count(), 3u);
    EXPECT_FALSE(loaded.changed());
    Image thumb;
    ASSERT_EQ(loaded.lookup(kA, thumb), CacheLookup::Ready);
    EXPECT_TRUE(closePixels(thumb, a));
    ASSERT_EQ(loaded.lookup(kB, thumb), CacheLookup::Ready);
    EXPECT_TRUE(closePixels(thumb, b));
    EXPECT_EQ(loaded.lookup(kC, thumb), CacheLookup::Failed);
    EXPECT_EQ(loaded.lookup({"other.jpg", 1, 1}, thumb), CacheLookup::Miss);
    EXPECT_EQ(loaded.serialise(), cache.serialise());

    // Compressed: a 200-pixel thumbnail takes a fraction of its 120,000 bytes of pixels.
    ThumbnailCache large(200);
    large.store(kA, pattern(200, 200, 7));
    EXPECT_LT(large.serialise().size(), 20'000u);
}

TEST(ThumbnailCache, UnpacksOnLookupAndDropsAnEntryThatDoesNotUnpack) {
    ThumbnailCache good(100);
    good.store(kA, pattern(40, 30, 1));
    std::vector<uint8_t> bytes = good.serialise();
    // One entry: header (26 bytes), body length, body, body checksum; the packed pixels end
    // the body. All but their start and end markers are wiped and the checksum made right
    // again, as a fault no checksum catches would look.
    const size_t bodyAt = 30, bodySize = bytes.size() - bodyAt - 4;
    const size_t packedAt = bodyAt + 2 + kA.name.size() + 25;
    ASSERT_EQ(bytes[packedAt], 0xFF);
    std::fill(bytes.begin() + ptrdiff_t(packedAt + 2), bytes.end() - 6, uint8_t(0));
    putLe32(&bytes[bodyAt + bodySize], crcOf(&bytes[bodyAt], bodySize));

    ThumbnailCache cache(100);
    ASSERT_TRUE(cache.parse(bytes.data(), bytes.size()));  // loading does not unpack
    EXPECT_EQ(cache.check(kA), CacheLookup::Ready);
    EXPECT_FALSE(cache.changed());
    Image thumb = pattern(3, 3, 0);
    EXPECT_EQ(cache.lookup(kA, thumb), CacheLookup::Miss);
    EXPECT_EQ(lastError(), kErrFileBroken);
    EXPECT_EQ(thumb.width(), 3);  // untouched
    EXPECT_EQ(cache.count(), 0u);
    EXPECT_TRUE(cache.changed());  // rewritten without the entry

    // The rebuilt thumbnail takes its place.
    cache.store(kA, pattern(40, 30, 1));
    EXPECT_EQ(cache.lookup(kA, thumb), CacheLookup::Ready);
    EXPECT_TRUE(closePixels(thumb, pattern(40, 30, 1)));
}

TEST(ThumbnailCache, ChangedSizeOrTimeMeansRebuild) {
    ThumbnailCache cache(100);
    cache.store(kA, pattern(10, 10, 1));
    cache.storeFailure(kC);
    Image thumb;
    FileEntry grown = kA, touched = kA, fixed = kC;
    grown.size += 1;
    touched.mtimeNs += 1;
    fixed.mtimeNs += 1;
    EXPECT_EQ(cache.lookup(grown, thumb), CacheLookup::Miss);
    EXPECT_EQ(cache.lookup(touched, thumb), CacheLookup::Miss);
    EXPECT_EQ(cache.lookup(fixed, thumb), CacheLookup::Miss);  // a repaired file is tried again
    cache.store(touched, pattern(10, 10, 2));
    EXPECT_EQ(cache.lookup(touched, thumb), CacheLookup::Ready);
    EXPECT_EQ(cache.lookup(kA, thumb), CacheLookup::Miss);
    EXPECT_EQ(cache.count(), 2u);

    cache.retain({touched});
    EXPECT_EQ(cache.count(), 1u);
}

TEST(ThumbnailCache, DamagedFilesAreIgnoredAndRewritten) {
    TestFolder dir;
    ThumbnailCache good(100);
    good.store(kA, pattern(100, 60, 5));
    good.store(kB, pattern(30, 100, 2));
    const std::vector<uint8_t> bytes = good.serialise();

    std::vector<std::vector<uint8_t>> bad;
    for (size_t cut : {size_t(0), size_t(10), size_t(24), bytes.size() / 2, bytes.size() - 1})
        bad.emplace_back(bytes.begin(), bytes.begin() + ptrdiff_t(cut));
    for (size_t at : {size_t(3), size_t(13), size_t(30), bytes.size() / 2, bytes.size() - 2}) {
        bad.push_back(bytes);
        bad.back()[at] ^= 0x40;
    }
    bad.push_back(bytes);
    bad.back().push_back(0);  // trailing garbage
    bad.push_back(bytes);     // a file of the first version, which held deflated pixels
    putLe32(&bad.back()[8], 1);
    putLe32(&bad.back()[20], crcOf(bad.back().data(), 20));
    for (const auto& damaged : bad) {
        const std::string path = dir.file("cache.Dat");
        ASSERT_TRUE(writeFileAtomically(path, damaged.data(), damaged.size()));
        ThumbnailCache cache(100);
        EXPECT_FALSE(cache.load(path)) << damaged.size();
        EXPECT_EQ(lastError(), kErrFileBroken);
        EXPECT_EQ(cache.count(), 0u);
        EXPECT_TRUE(cache.changed());
        ASSERT_TRUE(cache.save(path));  // rewritten, now valid and empty
        EXPECT_TRUE(ThumbnailCache(100).load(path));
    }

    // A cache of another thumbnail size is not ours to use.
    ASSERT_TRUE(writeFileAtomically(dir.file("cache.Dat"), bytes.data(), bytes.size()));
    ThumbnailCache other(80);
    EXPECT_FALSE(other.load(dir.file("cache.Dat")));
    EXPECT_EQ(other.count(), 0u);
}

TEST(ThumbnailCache, MissingFileLeavesAnEmptyCacheThatIsNotWritten) {
    TestFolder dir;
    ThumbnailCache cache(100);
    EXPECT_FALSE(cache.load(dir.file("none.Dat")));
    EXPECT_EQ(lastError(), kErrFileNotFound);
    EXPECT_FALSE(cache.changed());
    EXPECT_TRUE(cache.save(dir.file("none.Dat")));
    EXPECT_FALSE(std::filesystem::exists(dir.file("none.Dat")));
}

TEST(ThumbnailCache, SaveIsAtomicAndKeepsPermissions) {
    TestFolder dir;
    const std::string path = dir.file("Thmb100.Dat");
    ThumbnailCache cache(100);
    cache.store(kA, pattern(5, 5, 1));
    ASSERT_TRUE(cache.save(path));
    ::chmod(path.c_str(), 0640);
    cache.store(kB, pattern(5, 5, 2));
    ASSERT_TRUE(cache.save(path));
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);

    cache.store(kC, pattern(5, 5, 3));
    EXPECT_FALSE(cache.save(dir.file("no/such/folder/Thmb100.Dat")));
    EXPECT_EQ(lastError(), kErrCannotCreate);
    EXPECT_TRUE(cache.changed());
}

// The fuzzer starts from these; seeds of an old layout would only exercise the rejection.
TEST(ThumbnailCache, FuzzSeedsAreCurrentCacheFiles) {
    const std::filesystem::path seeds =
        std::filesystem::path(XIMORA_TEST_DATA).parent_path().parent_path() / "fuzz" / "corpus" /
        "thumbcache_fuzzer";
    ThumbnailCache three(100), sized(80);
    ASSERT_TRUE(three.load((seeds / "three_entries.Dat").string()));
    EXPECT_TRUE(ThumbnailCache(100).load((seeds / "empty.Dat").string()));
    EXPECT_FALSE(ThumbnailCache(100).load((seeds / "truncated.Dat").string()));
    ASSERT_TRUE(sized.load((seeds / "size_80.Dat").string()));
    Image thumb;
    EXPECT_EQ(three.lookup(kA, thumb), CacheLookup::Ready);
    EXPECT_EQ(thumb.width(), 80);
    EXPECT_EQ(three.lookup(kB, thumb), CacheLookup::Ready);
    EXPECT_EQ(thumb.height(), 100);
    EXPECT_EQ(three.lookup(kC, thumb), CacheLookup::Failed);
    EXPECT_EQ(sized.lookup({"x.bmp", 1, 1}, thumb), CacheLookup::Ready);
}

// A transparent thumbnail keeps its alpha through the cache file, exactly, and its colours where
// they show; a plain JPEG reader of the packed pixels (an older version reading the same cache)
// sees the colours laid over white. A damaged alpha segment drops the entry like bad pixels.
TEST(ThumbnailCache, TransparentThumbnailsKeepTheirAlphaInTheSameFileVersion) {
    Image thumb;
    ASSERT_TRUE(thumb.allocate(120, 90, 32));
    for (int y = 0; y < 90; ++y)
        for (int x = 0; x < 120; ++x) {
            uint8_t* p = thumb.row(y) + size_t(x) * 4;
            p[0] = uint8_t(x * 2), p[1] = uint8_t(y * 2), p[2] = 90;
            p[3] = uint8_t(x < 40 ? 255 : x < 80 ? (x * 7 + y) % 256 : 0);  // noisy in the middle
        }
    ThumbnailCache stored(200);
    stored.store(kA, thumb);
    const std::vector<uint8_t> bytes = stored.serialise();
    ThumbnailCache cache(200);
    ASSERT_TRUE(cache.parse(bytes.data(), bytes.size()));
    Image back;
    ASSERT_EQ(cache.lookup(kA, back), CacheLookup::Ready);
    ASSERT_EQ(back.bitsPerPixel(), 32);
    long error = 0, weight = 0;
    for (int y = 0; y < 90; ++y)
        for (int x = 0; x < 120; ++x) {
            const uint8_t* want = thumb.row(y) + size_t(x) * 4;
            const uint8_t* got = back.row(y) + size_t(x) * 4;
            ASSERT_EQ(got[3], want[3]) << x << "," << y;
            // What shows over a black background: colour × alpha.
            for (int c = 0; c < 3; ++c) {
                error += std::abs(int(got[c]) * got[3] - int(want[c]) * want[3]) / 255;
                weight += 1;
            }
        }
    EXPECT_LE(double(error) / double(weight), 3.0);

    // The JPEG alone: colours over white.
    const std::string_view tag{"XimoraAlpha\0", 12};
    const auto at = std::search(bytes.begin(), bytes.end(), tag.begin(), tag.end());
    ASSERT_NE(at, bytes.end());
    const size_t packedAt = 30 + 2 + kA.name.size() + 25;  // as in the test above
    ASSERT_EQ(bytes[packedAt], 0xFF);
    Image plain;
    ASSERT_TRUE(decodeJpeg(&bytes[packedAt], bytes.size() - 4 - packedAt, {}, plain));
    EXPECT_EQ(plain.bitsPerPixel(), 24);
    EXPECT_GE(plain.pixel(110, 45).r, 250);  // clear: white
    EXPECT_GE(plain.pixel(110, 45).b, 250);
}
