// The memory budget: what it is, and that pictures past it fail cleanly before anything of
// their size is allocated, while their facts and thumbnails still come cheaply.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include "engine/codecs/registry.h"
#include "engine/core/budget_reservation.h"
#include "engine/core/error.h"
#include "engine/io/atomic_file.h"
#include "engine/io/file_io.h"
#include "engine/thumbs/thumbnail_loader.h"
#include "support/huge_pictures.h"
#include "thumbs_test_folder.h"

using namespace ximora::engine;
using ximora::engine::test::TestFolder;

namespace {

// Restores the automatic budget after a test fixed one.
struct FixedBudget {
    explicit FixedBudget(uint64_t bytes) { setMemoryLimit(bytes); }
    ~FixedBudget() { setMemoryLimit(0); }
};

std::vector<uint8_t> modernFile(const std::string& name) {
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(readWholeFile(XIMORA_TEST_DATA "/modern-formats/" + name, bytes)) << name;
    return bytes;
}

void writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    ASSERT_TRUE(writeFileAtomically(path, bytes.data(), bytes.size()));
}

}  // namespace

TEST(MemoryBudget, IsAShareOfWhatTheProcessCanTakeUnlessFixed) {
    setMemoryLimit(0);
    const uint64_t headroom = memoryHeadroom();
    ASSERT_GT(headroom, uint64_t(0));
    EXPECT_GT(memoryLimit(), uint64_t(0));
    EXPECT_LE(memoryLimit(), headroom);  // half of it, give or take what changed meanwhile
    {
        FixedBudget fixed(123456);
        EXPECT_EQ(memoryLimit(), 123456u);
        setMemoryLimitMegabytes(300);
        EXPECT_EQ(memoryLimit(), uint64_t(300) << 20);
        setMemoryLimitMegabytes(-1);  // the settings' 0 or less: automatic
        EXPECT_LE(memoryLimit(), headroom);
    }
}

TEST(MemoryBudget, HugePicturesAreRefusedWhileFactsAndThumbnailsStayCheap) {
    TestFolder dir;
    // 60000 × 60000 at 8 bits: a 3.6 GB raster in a file of 2 KB.
    writeFile(dir.file("whole.bmp"), ximora::test::runLengthBitmap(60000, 60000));
    writeFile(dir.file("short.bmp"), ximora::test::runLengthBitmap(60000, 60000, true));
    FixedBudget budget(uint64_t(256) << 20);

    Image image;
    EXPECT_FALSE(loadImage(dir.file("whole.bmp"), image));
    EXPECT_EQ(lastError(), kErrMemory);
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(readWholeFile(dir.file("whole.bmp"), bytes));
    EXPECT_FALSE(loadImageFromMemory(bytes.data(), bytes.size(), image));
    EXPECT_EQ(lastError(), kErrMemory);
    EXPECT_TRUE(image.empty());

    ImageFacts facts;
    ASSERT_TRUE(readImageFacts(dir.file("whole.bmp"), facts));
    EXPECT_EQ(facts.width, 60000);
    EXPECT_EQ(facts.height, 60000);
    EXPECT_EQ(facts.bitsPerPixel, 8);
    EXPECT_EQ(facts.dpiX, 72);

    // The thumbnail of the genuine picture: white, with a blue band along its bottom edge
    // too thin to show at this size.
    Image thumb;
    ASSERT_TRUE(loadThumbnail(dir.file("whole.bmp"), 100, thumb)) << lastError();
    EXPECT_EQ(thumb.width(), 100);
    EXPECT_EQ(thumb.height(), 100);
    EXPECT_EQ(thumb.pixel(50, 50), (Colour{255, 255, 255, 255}));
    EXPECT_FALSE(loadThumbnail(dir.file("short.bmp"), 100, thumb));
    EXPECT_EQ(lastError(), kErrCannotRead);

    // Saving needs a copy as large as the raster.
    Image big;
    ASSERT_TRUE(big.allocateZeroed(1000, 1000, 24));
    setMemoryLimit(1 << 20);
    SaveOptions options;
    EXPECT_FALSE(encodeImage(big, options, bytes));
    EXPECT_EQ(lastError(), kErrMemory);
}

TEST(MemoryBudget, WorkSideBySideTakesTurnsWhenTogetherItWouldPassTheBudget) {
    FixedBudget budget(100);
    auto first = std::make_unique<BudgetReservation>(80);
    std::atomic<bool> secondStarted{false};
    std::thread second([&] {
        const BudgetReservation reservation(50);
        secondStarted = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(secondStarted);  // 80 + 50 would pass 100
    first.reset();
    second.join();
    EXPECT_TRUE(secondStarted);
    EXPECT_EQ(BudgetReservation::reserved(), 0u);
    {
        const BudgetReservation alone(1000);  // too large, but alone: its work refuses it
        EXPECT_EQ(BudgetReservation::reserved(), 1000u);
    }
    const BudgetReservation a(40), b(60);  // together within the budget
    EXPECT_EQ(BudgetReservation::reserved(), 100u);
}

// Bombs of every format: small files whose headers claim huge pictures fail cleanly (or, for
// the genuine ones, give their thumbnail) without allocating anything of the claimed size.
TEST(MemoryBudget, BombsOfEveryFormatFailCleanly) {
    using namespace ximora::test;
    TestFolder dir;
    struct Bomb {
        const char* name;
        Bytes bytes;
        int thumbnailError;  // 0: a genuine picture with a thumbnail
    };
    const Bomb bombs[] = {
        {"rle.bmp", runLengthBitmap(60000, 60000, true), kErrCannotRead},
        {"cut.png", cutPng(40000, 40000), kErrCannotRead},
        {"screen.gif", hugeScreenGif(60000, 60000), 0},
        {"huge.tif", hugeTiff(60000, 60000), kErrCannotRead},
        {"huge.pcx", hugePcx(), kErrFileBroken},
        {"huge.j2k", hugeCodestream(60000, 60000), kErrMemory},  // OpenJPEG's code-blocks
        {"canvas.webp", hugeWebpCanvas(16384, 16384), kErrFileBroken},
        // Genuine pictures in a few bytes: not taken for cut-short ones.
        {"grey.j2k", uniformCodestream(30000, 30000), 0},
        {"fax.tif", blankFaxTiff(24000, 24000), 0},
        // Decoded whole by their libraries: refused before decoding.
        {"huge.heic", withHugeExtents(modernFile("photo-q90.heic"), 16000, 16000), kErrMemory},
        {"huge.avif", withHugeExtents(modernFile("photo-q.avif"), 16000, 16000), kErrMemory},
    };
    FixedBudget budget(uint64_t(256) << 20);
    for (const Bomb& bomb : bombs) {
        writeFile(dir.file(bomb.name), bomb.bytes);
        ImageFacts facts;
        EXPECT_TRUE(readImageFacts(dir.file(bomb.name), facts) || lastError() == kErrCannotRead ||
                    lastError() == kErrFileBroken)
            << bomb.name << " " << lastError();
        Image image;
        EXPECT_FALSE(loadImage(dir.file(bomb.name), image)) << bomb.name;
        EXPECT_TRUE(lastError() == kErrMemory || lastError() == bomb.thumbnailError)
            << bomb.name << " " << lastError();
        Image thumb;
        EXPECT_EQ(loadThumbnail(dir.file(bomb.name), 100, thumb), bomb.thumbnailError == 0)
            << bomb.name;
        if (bomb.thumbnailError) {
            EXPECT_EQ(lastError(), bomb.thumbnailError) << bomb.name;
        }
    }
    // The genuine ones show what they hold.
    for (const auto& [name, level] : {std::pair{"grey.j2k", 128}, std::pair{"fax.tif", 255}}) {
        Image thumb;
        ASSERT_TRUE(loadThumbnail(dir.file(name), 100, thumb)) << name;
        EXPECT_EQ(thumb.pixel(thumb.width() / 2, thumb.height() / 2).g, level) << name;
    }
}

// The budget holds for the whole process: what every picture alive holds counts, so copies
// that each fit are refused together, and the room comes back when they go.
TEST(MemoryBudget, HoldsForTheProcessNotPerAllocation) {
    setMemoryLimit(liveBytes() + 100000);
    Image a;
    ASSERT_TRUE(a.allocate(200, 100, 24));  // 60,000 bytes
    EXPECT_LT(memoryLimit(), 40001u);
    Image b = a;  // another 60,000: no room
    EXPECT_TRUE(b.empty());
    EXPECT_EQ(lastError(), kErrMemory);
    Image c;
    EXPECT_FALSE(c.allocate(200, 100, 24));
    a = Image();
    EXPECT_TRUE(c.allocate(200, 100, 24));
    setMemoryLimit(0);  // back to automatic
}
