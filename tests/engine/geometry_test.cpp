// Geometry: flips, turns and trims are exact at every depth (compared with positions computed
// here); resampling is checked where it has one answer (flat areas, 2 × 2 means, canvas sizes).
#include <cmath>

#include "engine/core/error.h"
#include "engine/core/view.h"
#include "engine/geometry/geometry.h"
#include "op_test_images.h"

using namespace ximora::engine;
using namespace ximora::engine::test;

namespace {

// dst(x, y) must be src(map(x, y)) byte for byte.
template <class Map>
::testing::AssertionResult mapsPixels(const Image& src, const Image& dst, Map map) {
    for (int y = 0; y < dst.height(); ++y)
        for (int x = 0; x < dst.width(); ++x) {
            const auto [sx, sy] = map(x, y);
            if (pixelBytes(dst, x, y) != pixelBytes(src, sx, sy))
                return ::testing::AssertionFailure() << "pixel " << x << "," << y;
        }
    return ::testing::AssertionSuccess();
}

// Past 1-pixel images: sizes on and off the 4-, 8-, 16- and 64-pixel steps of the copying loops,
// with odd widths so that a mirrored row has a middle pixel.
const std::vector<std::pair<int, int>> kSizes = {{1, 1},   {1, 7},   {9, 1},   {13, 6},
                                                 {32, 64}, {65, 17}, {70, 131}};

}  // namespace

TEST(Flip, MirrorsExactlyAtEveryDepth) {
    for (const Depth& depth : allDepths())
        for (auto [w, h] : kSizes) {
            SCOPED_TRACE(depth.name() + " " + std::to_string(w) + "x" + std::to_string(h));
            const Image src = makeImage(w, h, depth);
            Image lr = src, tb = src;
            ASSERT_TRUE(flipHorizontal(lr));
            ASSERT_TRUE(flipVertical(tb));
            EXPECT_TRUE(mapsPixels(src, lr, [&](int x, int y) { return std::pair{w - 1 - x, y}; }));
            EXPECT_TRUE(mapsPixels(src, tb, [&](int x, int y) { return std::pair{x, h - 1 - y}; }));
            EXPECT_EQ(lr.palette, src.palette);
        }
}

TEST(Turn, QuarterAndHalfTurnsAreExactAtEveryDepth) {
    for (const Depth& depth : allDepths())
        for (auto [w, h] : kSizes) {
            SCOPED_TRACE(depth.name() + " " + std::to_string(w) + "x" + std::to_string(h));
            Image src = makeImage(w, h, depth);
            src.dpiX = 300, src.dpiY = 150;
            Image left = src, half = src, right = src;
            ASSERT_TRUE(turn(left, 1));
            ASSERT_TRUE(turn(half, 2));
            ASSERT_TRUE(turn(right, -1));
            ASSERT_EQ(left.width(), h);
            ASSERT_EQ(left.height(), w);
            EXPECT_EQ(left.dpiX, 150);
            EXPECT_EQ(left.grey(), depth.grey);
            // Anticlockwise: the top-right corner comes to the top left.
            EXPECT_TRUE(mapsPixels(src, left, [&](int x, int y) {
                return std::pair{w - 1 - y, x};
            }));
            EXPECT_TRUE(mapsPixels(src, right, [&](int x, int y) {
                return std::pair{y, h - 1 - x};
            }));
            EXPECT_TRUE(mapsPixels(src, half, [&](int x, int y) {
                return std::pair{w - 1 - x, h - 1 - y};
            }));
            Image twice = left;
            ASSERT_TRUE(turn(twice, 1));
            EXPECT_TRUE(sameImage(twice, half));
        }
}

TEST(Turn, RastersTooLargeForTheCacheTurnExactly) {
    // Past 16 MiB the turned tiles reach the raster by streaming stores: a width off every tile
    // and block step, and rows that need not start on a 16-byte boundary.
    for (int bits : {8, 16, 24, 32}) {
        SCOPED_TRACE(bits);
        const int w = 3001, h = (17 << 20) / (w * (bits / 8)) + 1;
        const Image src = randomImage(w, h, bits);
        Image left = src, right = src;
        ASSERT_TRUE(turn(left, 1));
        ASSERT_TRUE(turn(right, -1));
        for (int y = 0; y < left.height(); y += 7)
            for (int x : {0, 1, 15, 16, 17, 63, 64, 65, h / 2, h - 2, h - 1}) {
                ASSERT_EQ(pixelBytes(left, x, y), pixelBytes(src, w - 1 - y, x)) << x << "," << y;
                ASSERT_EQ(pixelBytes(right, x, y), pixelBytes(src, y, h - 1 - x)) << x << "," << y;
            }
        ASSERT_TRUE(turn(left, -1));
        EXPECT_TRUE(sameImage(left, src));
    }
}

TEST(Turn, BandsSplitAnywhereGiveTheSameQuarterTurnsAtEveryDepth) {
    // 150 destination rows make bands of 75 and 76 rows on seven workers: the band edges fall
    // inside the blocks a single thread would copy at once.
    for (const Depth& depth : allDepths())
        for (int quarters : {1, 3}) {
            SCOPED_TRACE(depth.name() + " " + std::to_string(quarters));
            const Image src = makeImage(150, 37, depth);
            Image one = src, many = src;
            {
                WorkerCount single(1);
                ASSERT_TRUE(turn(one, quarters));
            }
            {
                WorkerCount seven(7);
                ASSERT_TRUE(turn(many, quarters));
            }
            EXPECT_TRUE(sameImage(one, many));
            Image back = many;
            ASSERT_TRUE(turn(back, -quarters));
            EXPECT_TRUE(sameImage(back, src));
        }
}

TEST(Rotate, MultiplesOfNinetyDegreesAreTheExactTurns) {
    const Image src = makeImage(21, 8, {24, false});
    for (int angle : {9000, -9000, 18000, -18000, 27000, 36000}) {
        Image rotated = src, turned = src;
        ASSERT_TRUE(rotate(rotated, {angle, false, false, {255, 255, 255, 255}, false}));
        ASSERT_TRUE(turn(turned, angle / 9000));
        EXPECT_TRUE(sameImage(rotated, turned)) << angle;
    }
    Image mirrored = src, flipped = src;
    ASSERT_TRUE(rotate(mirrored, {0, true, true, {}, false}));
    ASSERT_TRUE(flipHorizontal(flipped));
    ASSERT_TRUE(flipVertical(flipped));
    EXPECT_TRUE(sameImage(mirrored, flipped));
}

TEST(Rotate, CutCornersKeepsTheSizeOfAQuarterTurnedImage) {
    const Image src = makeImage(10, 4, {24, false});
    Image cut = src;
    ASSERT_TRUE(rotate(cut, {9000, false, false, {255, 255, 255, 255}, true}));
    ASSERT_EQ(cut.width(), 10);
    ASSERT_EQ(cut.height(), 4);
    Image turned = src;
    ASSERT_TRUE(turn(turned, 1));  // 4 × 10, centred at x 3, cut at y 3
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 10; ++x) {
            const bool covered = x >= 3 && x < 7;
            const Colour expected =
                covered ? turned.pixel(x - 3, y + 3) : Colour{255, 255, 255, 255};
            EXPECT_EQ(cut.pixel(x, y), expected) << x << "," << y;
        }
    Image palette = makeImage(10, 4, {8, false});
    ASSERT_TRUE(rotate(palette, {-9000, false, false, {255, 255, 255, 255}, true}));
    EXPECT_EQ(palette.bitsPerPixel(), 8);
    EXPECT_EQ(palette.width(), 10);
}

TEST(Rotate, FreeAnglesGrowTheCanvasAndFillTheCornersWithTheBackground) {
    const Image src = makeImage(60, 40, {24, false});
    Image grown = src;
    ASSERT_TRUE(rotate(grown, {3000, false, false, {255, 255, 255, 255}, false}));
    const double a = 30 * std::acos(-1.0) / 180;
    EXPECT_EQ(grown.width(), int(std::ceil(60 * std::cos(a) + 40 * std::sin(a))));
    EXPECT_EQ(grown.height(), int(std::ceil(60 * std::sin(a) + 40 * std::cos(a))));
    EXPECT_EQ(grown.pixel(0, 0), (Colour{255, 255, 255, 255}));
    EXPECT_EQ(grown.pixel(grown.width() - 1, grown.height() - 1), (Colour{255, 255, 255, 255}));
    // The centre stays where it was and keeps its colour.
    const Colour centre = src.pixel(30, 20),
                 moved = grown.pixel(grown.width() / 2, grown.height() / 2);
    EXPECT_NEAR(moved.r, centre.r, 30);
    EXPECT_NEAR(moved.g, centre.g, 30);
    // Anticlockwise: the right-hand middle of the image rises.
    Image marker;
    ASSERT_TRUE(marker.allocateZeroed(41, 41, 24));
    std::fill_n(marker.row(20) + 36 * 3, 3 * 5, uint8_t(255));  // a white stub right of centre
    ASSERT_TRUE(rotate(marker, {4500, false, false, {0, 0, 0, 255}, true}));
    ASSERT_EQ(marker.width(), 41);
    EXPECT_GT(marker.pixel(33, 7).r, 128);
    EXPECT_LT(marker.pixel(33, 33).r, 128);
}

TEST(Rotate, PaletteImagesAtFreeAnglesBecomeFullColourGreyOnesStayGrey) {
    Image colour = makeImage(12, 9, {4, false}), grey = makeImage(12, 9, {8, true});
    ASSERT_TRUE(rotate(colour, {1234, false, false, {0, 0, 255, 255}, false}));
    EXPECT_EQ(colour.bitsPerPixel(), 24);
    EXPECT_EQ(colour.pixel(0, 0), (Colour{0, 0, 255, 255}));
    ASSERT_TRUE(rotate(grey, {-4500, true, false, {255, 255, 255, 255}, false}));
    EXPECT_EQ(grey.colourCode(), 80);
    EXPECT_EQ(grey.pixel(0, 0), (Colour{255, 255, 255, 255}));
}

TEST(Trim, KeepsTheRectangleClippedToTheImage) {
    for (const Depth& depth : allDepths()) {
        const Image src = makeImage(20, 15, depth);
        Image cut = src;
        ASSERT_TRUE(trim(cut, {3, 4, 11, 9}));
        ASSERT_EQ(cut.width(), 8);
        ASSERT_EQ(cut.height(), 5);
        EXPECT_TRUE(mapsPixels(src, cut, [](int x, int y) { return std::pair{x + 3, y + 4}; }));
        Image clipped = src;
        ASSERT_TRUE(trim(clipped, {-5, 10, 100, 100}));
        EXPECT_EQ(clipped.width(), 20);
        EXPECT_EQ(clipped.height(), 5);
        Image untouched = src;
        EXPECT_FALSE(trim(untouched, {30, 0, 40, 10}));
        EXPECT_EQ(lastError(), kErrBadParameter);
        EXPECT_FALSE(trim(untouched, {5, 5, 5, 9}));
        EXPECT_TRUE(sameImage(untouched, src));
    }
}

TEST(Resize, HalvingAveragesEachTwoByTwoBlock) {
    const Image src = makeImage(18, 10, {32, false});
    Image half = src;
    ASSERT_TRUE(resize(half, {9, 5}));
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 9; ++x)
            for (int ch = 0; ch < 4; ++ch) {
                int sum = 0;
                for (int j = 0; j < 2; ++j)
                    for (int i = 0; i < 2; ++i) sum += src.row(2 * y + j)[(2 * x + i) * 4 + ch];
                ASSERT_EQ(half.row(y)[x * 4 + ch], (sum + 2) / 4) << x << "," << y;
            }
}

TEST(Resize, FlatImagesStayFlatAndEnlargingKeepsTheSamples) {
    Image flat;
    ASSERT_TRUE(flat.allocate(7, 5, 24));
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 21; ++x) flat.row(y)[x] = uint8_t(50 + x % 3 * 60);
    for (auto [w, h] :
         std::vector<std::pair<int, int>>{{3, 2}, {1, 1}, {19, 13}, {7, 11}, {500, 3}}) {
        Image out = flat;
        ASSERT_TRUE(resize(out, {w, h}));
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                ASSERT_EQ(out.pixel(x, y), (Colour{50, 110, 170, 255})) << w << "x" << h;
    }
    // Bicubic at a whole factor of 3 passes through the old samples at the old pixel centres.
    const Image src = makeImage(8, 6, {24, false});
    Image big = src;
    ASSERT_TRUE(resize(big, {24, 18}));
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 8; ++x) {
            const Colour a = src.pixel(x, y), b = big.pixel(3 * x + 1, 3 * y + 1);
            EXPECT_NEAR(a.r, b.r, 1);
            EXPECT_NEAR(a.b, b.b, 1);
        }
}

TEST(Resize, KeepsGreyAndSixteenBitDepthsAndRefusesBadSizes) {
    for (const Depth& depth : {Depth{4, true}, Depth{8, true}, Depth{16, false}}) {
        Image image = makeImage(30, 20, depth);
        ASSERT_TRUE(resize(image, {17, 41}));
        EXPECT_EQ(image.bitsPerPixel(), depth.bits);
        EXPECT_EQ(image.grey(), depth.grey);
    }
    Image colour = makeImage(30, 20, {1, false});
    ASSERT_TRUE(resize(colour, {10, 10}));
    EXPECT_EQ(colour.bitsPerPixel(), 24);
    const Image src = makeImage(5, 5, {24, false});
    Image same = src;
    EXPECT_FALSE(resize(same, {0, 5}));
    EXPECT_FALSE(resize(same, {5, 70000}));
    EXPECT_TRUE(sameImage(same, src));
}

TEST(Geometry, ResultsDoNotDependOnTheNumberOfThreads) {
    const std::vector<std::function<bool(Image&)>> ops = {
        [](Image& i) {
            return resize(i, {37, 123});
        },
        [](Image& i) {
            return resize(i, {11, 40});
        },
        [](Image& i) {
            return rotate(i, {1750, false, true, {9, 9, 9, 255}, false});
        },
        [](Image& i) {
            return rotate(i, {-3333, false, false, {9, 9, 9, 255}, true});
        },
        [](Image& i) { return turn(i, 1); },
        [](Image& i) { return turn(i, 2); },
        [](Image& i) { return flipHorizontal(i); },
    };
    const Image src = makeImage(45, 99, {24, false});
    for (size_t k = 0; k < ops.size(); ++k) {
        Image one = src, many = src;
        {
            WorkerCount single(1);
            ASSERT_TRUE(ops[k](one));
        }
        {
            WorkerCount seven(7);
            ASSERT_TRUE(ops[k](many));
        }
        EXPECT_TRUE(sameImage(one, many)) << k;
    }
}

TEST(Composite, CopiesTheOverlapAtAnOffset) {
    const Image source = makeImage(6, 4, {24, false}, 2);
    for (auto [ox, oy] :
         std::vector<std::pair<int, int>>{{2, 3}, {-3, -1}, {8, 5}, {20, 20}, {-10, 0}}) {
        const Image before = makeImage(10, 7, {24, false}, 3);
        Image target = before;
        ASSERT_TRUE(composite(target, source, ox, oy));
        for (int y = 0; y < 7; ++y)
            for (int x = 0; x < 10; ++x) {
                const bool inside = x - ox >= 0 && x - ox < 6 && y - oy >= 0 && y - oy < 4;
                ASSERT_EQ(pixelBytes(target, x, y),
                          inside ? pixelBytes(source, x - ox, y - oy) : pixelBytes(before, x, y));
            }
    }
}

TEST(Composite, ConvertsColoursBetweenDepths) {
    const Image source = makeImage(5, 5, {4, false});
    for (const Depth& depth : {Depth{16, false}, Depth{32, false}, Depth{8, false}}) {
        Image target;
        ASSERT_TRUE(target.allocateZeroed(5, 5, depth.bits));
        if (depth.bits == 8) target.palette = {Colour{0, 0, 0, 255}};
        ASSERT_TRUE(composite(target, source, 0, 0));
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 5; ++x) {
                const Colour c = source.pixel(x, y);
                const Colour expected =
                    depth.bits == 16 ? unpackRgb565(packRgb565(c.r, c.g, c.b)) : c;
                ASSERT_EQ(target.pixel(x, y), expected);
            }
    }
}

TEST(Overlay, ViewMarksDisappearOnRefreshAndWithAnotherImage) {
    HandleTable table;
    View view(table);
    int changes = 0;
    view.onChanged = [&] { ++changes; };
    view.drawRectangle({98, 98}, {102, 102});
    view.drawLine({100, 100}, {200, 150}, {255, 0, 0, 255});
    ASSERT_EQ(view.overlay().shapes.size(), 2u);
    EXPECT_EQ(view.overlay().shapes[1].kind, OverlayShape::Kind::Line);
    EXPECT_EQ(view.overlay().shapes[1].to, (Point{200, 150}));
    EXPECT_EQ(changes, 2);
    view.refresh();
    EXPECT_TRUE(view.overlay().empty());
    view.drawLine({1, 1}, {5, 5});
    ASSERT_TRUE(view.setHandle(0));
    EXPECT_TRUE(view.overlay().empty());
}

TEST(Geometry, ResultsPastTheMemoryLimitAreRefusedAndChangeNothing) {
    const Image src = makeImage(40, 30, {24, false});
    const uint64_t saved = memoryLimit();
    setMemoryLimit(8000);  // the two 3600-byte images fit together, neither result does
    Image image = src;
    EXPECT_FALSE(resize(image, {400, 300}));
    EXPECT_EQ(lastError(), kErrMemory);
    EXPECT_FALSE(rotate(image, {4500, true, false, {255, 255, 255, 255}, false}));
    EXPECT_EQ(lastError(), kErrMemory);
    setMemoryLimit(saved);
    EXPECT_TRUE(sameImage(image, src));
}

TEST(Composite, AnImageShiftedOverItselfReadsTheOriginalPixels) {
    const Image before = makeImage(12, 9, {24, false});
    Image image = before;
    ASSERT_TRUE(composite(image, image, 3, 2));
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 12; ++x) {
            const bool moved = x >= 3 && y >= 2;
            ASSERT_EQ(pixelBytes(image, x, y),
                      moved ? pixelBytes(before, x - 3, y - 2) : pixelBytes(before, x, y));
        }
}
