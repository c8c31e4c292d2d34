// Blur, sharpen, noise removal and edge smoothing: exact against brute-force references where
// the filter has one right answer, otherwise neutral levels inert and stronger levels stronger.
#include <algorithm>
#include <cmath>

#include "engine/core/error.h"
#include "engine/ops/corrections.h"
#include "op_test_images.h"

using namespace ximora::engine;
using namespace ximora::engine::test;

namespace {

Image flat(int w, int h, Colour c) {
    Image image;
    EXPECT_TRUE(image.allocate(w, h, 24));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.row(y)[x * 3] = c.r, image.row(y)[x * 3 + 1] = c.g, image.row(y)[x * 3 + 2] = c.b;
    return image;
}

uint8_t sampleAt(const Image& image, int x, int y, int ch) {
    x = std::clamp(x, 0, image.width() - 1);
    y = std::clamp(y, 0, image.height() - 1);
    return image.row(y)[x * image.bytesPerPixel() + ch];
}

}  // namespace

TEST(Blur, MatchesAFloatingPointGaussianWithinOneLevel) {
    const Image before = makeImage(29, 21, {24, false}, 5);
    for (int level : {1, 4, 9}) {
        Image after = before;
        ASSERT_TRUE(blur(after, Area::whole(), {level}));
        const double sigma = level / 2.0;
        const int r = int(std::ceil(3 * sigma));
        std::vector<double> w;
        double sum = 0;
        for (int i = -r; i <= r; ++i) sum += w.emplace_back(std::exp(-i * i / (2 * sigma * sigma)));
        for (double& v : w) v /= sum;
        for (int y = 0; y < before.height(); ++y)
            for (int x = 0; x < before.width(); ++x)
                for (int ch = 0; ch < 3; ++ch) {
                    double acc = 0;
                    for (int j = -r; j <= r; ++j)
                        for (int i = -r; i <= r; ++i)
                            acc += w[size_t(j + r)] * w[size_t(i + r)] *
                                   sampleAt(before, x + i, y + j, ch);
                    ASSERT_NEAR(sampleAt(after, x, y, ch), acc, 1.0)
                        << level << " at " << x << "," << y;
                }
    }
}

TEST(Blur, StrongerLevelsChangeMoreAndFlatAreasStayFlat) {
    const Image before = makeImage(40, 30, {24, false}, 2);
    int64_t previous = 0;
    for (int level : {1, 2, 5, 12, 20}) {
        Image after = before;
        ASSERT_TRUE(blur(after, Area::whole(), {level}));
        const int64_t d = colourDistance(after, before);
        EXPECT_GT(d, previous) << level;
        previous = d;
    }
    const Image grey = flat(9, 7, {90, 160, 230, 255});
    Image blurred = grey;
    ASSERT_TRUE(blur(blurred, Area::whole(), {20}));
    EXPECT_TRUE(sameImage(blurred, grey));
    for (int bad : {0, 21}) {
        EXPECT_FALSE(blur(blurred, Area::whole(), {bad}));
        EXPECT_EQ(lastError(), kErrBadParameter);
    }
}

TEST(Sharpen, LevelZeroChangesNothingAndStrongerLevelsChangeMore) {
    const Image before = makeImage(40, 30, {32, false}, 4);
    Image neutral = before;
    ASSERT_TRUE(sharpen(neutral, Area::whole(), {0}));
    EXPECT_TRUE(sameImage(neutral, before));
    int64_t previous = 0;
    for (int level : {1, 5, 30, 100}) {
        Image after = before;
        ASSERT_TRUE(sharpen(after, Area::whole(), {level}));
        const int64_t d = colourDistance(after, before);
        EXPECT_GT(d, previous) << level;
        previous = d;
    }
    EXPECT_FALSE(sharpen(neutral, Area::whole(), {101}));
}

TEST(Sharpen, StepsGetSteeper) {
    Image step = flat(12, 3, {100, 100, 100, 255});
    for (int y = 0; y < 3; ++y)
        for (int x = 6; x < 12; ++x) std::fill_n(step.row(y) + x * 3, 3, uint8_t(150));
    ASSERT_TRUE(sharpen(step, Area::whole(), {40}));
    EXPECT_LT(step.pixel(5, 1).r, 100);  // the dark side gets darker next to the edge
    EXPECT_GT(step.pixel(6, 1).r, 150);  // the light side lighter
    EXPECT_EQ(step.pixel(0, 1).r, 100);  // far from the edge nothing moves
    EXPECT_EQ(step.pixel(11, 1).r, 150);
}

TEST(NoiseRemoval, FullLevelIsTheThreeByThreeMedianOfEachChannel) {
    const Image before = makeImage(17, 13, {24, false}, 9);
    Image after = before;
    ASSERT_TRUE(removeNoise(after, Area::whole(), {true, 255}));
    for (int y = 0; y < before.height(); ++y)
        for (int x = 0; x < before.width(); ++x)
            for (int ch = 0; ch < 3; ++ch) {
                std::vector<uint8_t> n;
                for (int j = -1; j <= 1; ++j)
                    for (int i = -1; i <= 1; ++i) n.push_back(sampleAt(before, x + i, y + j, ch));
                std::nth_element(n.begin(), n.begin() + 4, n.end());
                ASSERT_EQ(sampleAt(after, x, y, ch), n[4]) << x << "," << y << "," << ch;
            }
}

TEST(NoiseRemoval, TheDefaultLevelRemovesSpecksAndLeavesTheRest) {
    Image image = flat(10, 10, {120, 120, 120, 255});
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x)
            image.row(y)[x * 3] = uint8_t(110 + (x + y) % 3 * 10);  // gentle texture
    const Image texture = image;
    image.row(4)[4 * 3 + 1] = 255;  // a white speck in green
    image.row(7)[2 * 3 + 2] = 0;    // a black speck in blue
    ASSERT_TRUE(removeNoise(image, Area::whole(), {true, 50}));
    EXPECT_TRUE(sameImage(image, texture));
    Image neutral = texture;
    neutral.row(4)[4 * 3 + 1] = 255;
    const Image speckled = neutral;
    ASSERT_TRUE(removeNoise(neutral, Area::whole(), {true, 0}));
    EXPECT_TRUE(sameImage(neutral, speckled));
}

TEST(NoiseRemoval, StrongerLevelsChangeMore) {
    Image before = makeImage(30, 20, {24, false}, 8);
    // Grain of every strength: one sample in five moved by up to ±150.
    std::mt19937 rng(4);
    for (int y = 0; y < 20; ++y)
        for (int i = 0; i < 90; ++i)
            if (rng() % 5 == 0)
                before.row(y)[i] =
                    uint8_t(std::clamp(int(before.row(y)[i]) + int(rng() % 301) - 150, 0, 255));
    int64_t previous = 0;
    for (int level : {50, 150, 255}) {
        Image after = before;
        ASSERT_TRUE(removeNoise(after, Area::whole(), {true, level}));
        const int64_t d = colourDistance(after, before);
        EXPECT_GT(d, previous) << level;
        previous = d;
    }
}

TEST(NoiseRemoval, ByGreyLevelPicksAnExistingNeighbour) {
    const Image before = makeImage(15, 11, {24, false}, 6);
    Image after = before;
    ASSERT_TRUE(removeNoise(after, Area::whole(), {false, 0}));
    for (int y = 0; y < before.height(); ++y)
        for (int x = 0; x < before.width(); ++x) {
            bool found = false;
            for (int j = -1; j <= 1 && !found; ++j)
                for (int i = -1; i <= 1 && !found; ++i)
                    found = after.pixel(x, y) ==
                            before.pixel(std::clamp(x + i, 0, 14), std::clamp(y + j, 0, 10));
            ASSERT_TRUE(found) << x << "," << y;
        }
}

TEST(SmoothEdges, SoftensHardStepsOnlyNearThem) {
    Image step = flat(12, 12, {0, 0, 0, 255});
    for (int y = 0; y < 12; ++y)
        for (int x = 6; x < 12; ++x) std::fill_n(step.row(y) + x * 3, 3, uint8_t(255));
    ASSERT_TRUE(smoothEdges(step, Area::whole()));
    EXPECT_GT(step.pixel(5, 5).r, 0);
    EXPECT_LT(step.pixel(6, 5).r, 255);
    EXPECT_EQ(step.pixel(2, 5).r, 0);
    EXPECT_EQ(step.pixel(10, 5).r, 255);
    const Image grey = flat(8, 8, {77, 77, 77, 255});
    Image same = grey;
    ASSERT_TRUE(smoothEdges(same, Area::whole()));
    EXPECT_TRUE(sameImage(same, grey));
}

TEST(Corrections, GreyImagesStayGreyAndSixteenBitsStaySixteen) {
    for (const Depth& depth : {Depth{4, true}, Depth{8, true}, Depth{16, false}}) {
        Image image = makeImage(20, 20, depth, 3);
        ASSERT_TRUE(blur(image, Area::whole(), {4}));
        EXPECT_EQ(image.bitsPerPixel(), depth.bits);
        EXPECT_EQ(image.grey(), depth.grey);
        if (depth.grey) {
            EXPECT_EQ(image.palette, greyPalette(depth.bits));
        }
    }
}
