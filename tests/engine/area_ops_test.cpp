// Every pixel operation against every depth and every kind of area: pixels outside the area keep
// their colour (and their bytes where the depth stays), and the result does not depend on how
// the rows were split between threads.
#include <functional>

#include "engine/core/error.h"
#include "engine/ops/corrections.h"
#include "engine/ops/tone.h"
#include "op_test_images.h"

using namespace ximora::engine;
using namespace ximora::engine::test;

namespace {

struct Operation {
    const char* name;
    std::function<bool(Image&, const Area&)> run;
    bool keepsColourPaletteDepth;  // false: colour palette images come back at 24 bits
};

const std::vector<Operation>& operations() {
    static const std::vector<Operation> ops = {
        {"brightness",
         [](Image& i, const Area& a) {
             return adjustBrightness(i, a, {40, -30, 80});
         },
         true},
        {"saturation", [](Image& i, const Area& a) { return adjustSaturation(i, a, {200}); }, true},
        {"grey", [](Image& i, const Area& a) { return adjustSaturation(i, a, {-100}); }, true},
        {"invertRed",
         [](Image& i, const Area& a) {
             return invertChannels(i, a, {true, false, false});
         },
         true},
        {"toneRgb",
         [](Image& i, const Area& a) {
             return applyToneCurve(i, a,
                                   {{0, 64, 128, 192, 255},
                                    {0, 30, 128, 225, 255},
                                    ToneSpace::Rgb,
                                    {true, true, false}});
         },
         true},
        {"toneYCrCb",
         [](Image& i, const Area& a) {
             return applyToneCurve(i, a,
                                   {{0, 64, 128, 192, 255},
                                    {0, 30, 128, 225, 255},
                                    ToneSpace::YCrCb,
                                    {true, true, true}});
         },
         true},
        {"fill",
         [](Image& i, const Area& a) {
             return fillArea(i, a, Colour{10, 200, 30, 255});
         },
         true},
        {"blur", [](Image& i, const Area& a) { return blur(i, a, {3}); }, false},
        {"sharpen", [](Image& i, const Area& a) { return sharpen(i, a, {60}); }, false},
        {"median",
         [](Image& i, const Area& a) {
             return removeNoise(i, a, {true, 255});
         },
         false},
        {"lumaMedian",
         [](Image& i, const Area& a) {
             return removeNoise(i, a, {false, 0});
         },
         false},
        {"smoothEdges", [](Image& i, const Area& a) { return smoothEdges(i, a); }, false},
    };
    return ops;
}

struct Range {
    const char* name;
    Area area;
    // Independent expectation of coverage for the rectangles used here.
    std::function<bool(int x, int y)> covers;
};

std::vector<Range> ranges() {
    return {
        {"whole", Area::whole(), [](int, int) { return true; }},
        {"inside", Area::inside(rangePolygon(5, 3, 17, 11)),
         [](int x, int y) { return x >= 5 && x < 17 && y >= 3 && y < 11; }},
        {"outside", Area::outside(rangePolygon(5, 3, 17, 11)),
         [](int x, int y) { return !(x >= 5 && x < 17 && y >= 3 && y < 11); }},
        {"insideOffImage", Area::inside(rangePolygon(40, 40, 60, 60)),
         [](int, int) { return false; }},
        {"insideOverEdge", Area::inside(rangePolygon(-5, -5, 8, 6)),
         [](int x, int y) { return x < 8 && y < 6; }},
    };
}

}  // namespace

TEST(AreaOperations, PixelsOutsideTheAreaKeepTheirColourAtEveryDepth) {
    for (const Operation& op : operations())
        for (const Depth& depth : allDepths())
            for (const Range& range : ranges()) {
                SCOPED_TRACE(std::string(op.name) + " " + depth.name() + " " + range.name);
                const Image before = makeImage(23, 14, depth, 7);
                Image after = before;
                ASSERT_TRUE(op.run(after, range.area));
                const bool colourPalette = depth.bits <= 8 && !depth.grey;
                const int expectedBits =
                    colourPalette && !op.keepsColourPaletteDepth ? 24 : depth.bits;
                const bool anyCovered = range.name != std::string("insideOffImage");
                EXPECT_EQ(after.bitsPerPixel(), anyCovered ? expectedBits : depth.bits);
                const bool sameLayout = after.bitsPerPixel() == before.bitsPerPixel();
                for (int y = 0; y < before.height(); ++y)
                    for (int x = 0; x < before.width(); ++x) {
                        if (range.covers(x, y)) continue;
                        ASSERT_EQ(after.pixel(x, y), before.pixel(x, y)) << x << "," << y;
                        if (sameLayout) {
                            ASSERT_EQ(pixelBytes(after, x, y), pixelBytes(before, x, y));
                        }
                    }
                if (!anyCovered) {
                    EXPECT_TRUE(sameImage(after, before));
                }
            }
}

TEST(AreaOperations, ResultsDoNotDependOnTheNumberOfThreads) {
    for (const Operation& op : operations())
        for (const Depth& depth :
             {Depth{8, true}, Depth{16, false}, Depth{24, false}, Depth{32, false}})
            for (const Range& range : ranges()) {
                SCOPED_TRACE(std::string(op.name) + " " + depth.name() + " " + range.name);
                const Image source = makeImage(31, 97, depth, 3);
                Image single = source, many = source;
                {
                    WorkerCount one(1);
                    ASSERT_TRUE(op.run(single, range.area));
                }
                {
                    WorkerCount seven(7);
                    ASSERT_TRUE(op.run(many, range.area));
                }
                EXPECT_TRUE(sameImage(single, many));
            }
}

TEST(AreaOperations, WithoutAnImageEveryOperationFails) {
    for (const Operation& op : operations()) {
        Image empty;
        EXPECT_FALSE(op.run(empty, Area::whole())) << op.name;
        EXPECT_EQ(lastError(), kErrNoImage) << op.name;
    }
}
