#include <gtest/gtest.h>

#include "engine/core/area.h"
#include "engine/core/error.h"
#include "engine/core/image.h"

using namespace ximora::engine;

TEST(Image, DataSizeAndColourCodeFollowTheNominalDepth) {
    struct Case {
        int bpp;
        bool grey;
        int width;
        uint64_t dataSize;
        int code;
    };
    // DIB rows are padded to 4 bytes at the nominal depth.
    const Case cases[] = {{1, false, 33, 8 * 2, 1},   {4, false, 9, 8 * 2, 4},
                          {4, true, 9, 8 * 2, 40},    {8, false, 5, 8 * 2, 8},
                          {8, true, 4, 4 * 2, 80},    {16, false, 3, 8 * 2, 16},
                          {24, false, 3, 12 * 2, 24}, {32, false, 3, 12 * 2, 32}};
    for (const Case& c : cases) {
        Image image;
        ASSERT_TRUE(image.allocateZeroed(c.width, 2, c.bpp, c.grey));
        EXPECT_EQ(image.dataSize(), c.dataSize) << c.bpp;
        EXPECT_EQ(image.colourCode(), c.code) << c.bpp;
        EXPECT_EQ(image.stride() % 4, 0u);
    }
}

TEST(Image, RefusesAbsurdSizesBeforeAllocating) {
    Image image;
    EXPECT_FALSE(image.allocate(70000, 10, 24));
    EXPECT_EQ(lastError(), kErrMemory);
    EXPECT_FALSE(image.allocate(60000, 60000, 32));  // 14 GB: past the default limit
    EXPECT_EQ(lastError(), kErrMemory);
    EXPECT_FALSE(image.allocate(10, 10, 7));
    EXPECT_EQ(lastError(), kErrBadParameter);
    EXPECT_TRUE(image.empty());
}

TEST(Image, CopiesAreIndependent) {
    Image a;
    ASSERT_TRUE(a.allocateZeroed(4, 4, 24));
    a.comment = "note";
    Image b = a;
    b.row(0)[0] = 200;
    EXPECT_EQ(a.row(0)[0], 0);
    EXPECT_EQ(b.comment, "note");
}

TEST(ErrorTable, UnknownAndNegativeCodesReadAsOtherError) {
    EXPECT_EQ(errorText(3), "ﾒﾓﾘｴﾗｰが発生しました");
    EXPECT_EQ(errorText(-1), errorText(2));
    EXPECT_EQ(errorText(99), errorText(2));
    EXPECT_TRUE(errorText(0).empty());
    EXPECT_TRUE(errorText(1).empty());
}

TEST(AreaMask, InsideAndOutsideOfAPolygonPartitionTheImage) {
    const std::vector<Point> square{{2, 2}, {6, 2}, {6, 6}, {2, 6}};
    AreaMask in(Area::inside(square), 10, 10), out(Area::outside(square), 10, 10);
    int covered = 0;
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x) {
            EXPECT_NE(in.contains(x, y), out.contains(x, y)) << x << "," << y;
            covered += in.contains(x, y);
        }
    EXPECT_EQ(covered, 16);
    EXPECT_TRUE(in.contains(2, 2));
    EXPECT_FALSE(in.contains(6, 6));
}

TEST(AreaMask, PolygonOffTheImageIsClipped) {
    AreaMask m(Area::inside({{-50, -50}, {500, -50}, {500, 3}, {-50, 3}}), 8, 8);
    EXPECT_TRUE(m.contains(0, 0));
    EXPECT_TRUE(m.contains(7, 2));
    EXPECT_FALSE(m.contains(0, 3));
}

TEST(AreaMask, RestoreOutsideKeepsUncoveredPixelsBitIdentical) {
    Image before;
    ASSERT_TRUE(before.allocateZeroed(8, 8, 24));
    Image after = before;
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 24; ++x) after.row(y)[x] = 99;
    AreaMask m(Area::inside({{0, 0}, {4, 0}, {4, 8}, {0, 8}}), 8, 8);
    ASSERT_TRUE(restoreOutside(m, before, after));
    EXPECT_EQ(after.row(3)[0], 99);
    EXPECT_EQ(after.row(3)[3 * 4], 0);
}
