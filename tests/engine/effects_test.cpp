#include <gtest/gtest.h>

#include <cmath>

#include "effects_support.h"
#include "engine/core/error.h"
#include "engine/core/parallel.h"
#include "engine/effects/canvas.h"
#include "engine/effects/contour.h"
#include "engine/effects/emboss.h"
#include "engine/effects/lens.h"
#include "engine/effects/mosaic.h"
#include "engine/effects/motion_blur.h"
#include "engine/effects/ripple.h"
#include "engine/effects/swirl.h"
#include "engine/effects/wave.h"

using namespace ximora::engine;
using namespace ximora::engine::testing;

namespace {

const std::vector<Point> kRange = {{12, 10}, {50, 10}, {50, 60}, {12, 60}};

// How far a relief strays from its flat background.
double reliefDepth(const Image& image, int background) {
    return meanDifference(
        image, flat(image.width(), image.height(),
                    Colour{uint8_t(background), uint8_t(background), uint8_t(background), 255}));
}

}  // namespace

TEST(Effects, NeutralValuesChangeNothing) {
    const std::vector<NamedEffect> neutral = {
        {"mosaic 1x1",
         [](Image& i, const Area& a) {
             return mosaic(i, a, {1, 1});
         }},
        {"wave length 0",
         [](Image& i, const Area& a) {
             return wave(i, a, {0, 0, 0, 10, 0.5, 1});
         }},
        {"wave height 0",
         [](Image& i, const Area& a) {
             return wave(i, a, {1, 1, 100, 0, 0.5, 1});
         }},
        {"ripple height 0",
         [](Image& i, const Area& a) {
             return ripple(i, a, {0, 10, 0.5, 0, true});
         }},
        {"ripple length 0",
         [](Image& i, const Area& a) {
             return ripple(i, a, {20, 0, 0.5, 0, false});
         }},
        {"swirl twist 0",
         [](Image& i, const Area& a) {
             return swirl(i, a, {360, 1, 0});
         }},
        {"lens 1",
         [](Image& i, const Area& a) {
             return lens(i, a, {1.0, false, {}});
         }},
        {"lens 0",
         [](Image& i, const Area& a) {
             return lens(i, a, {0.0, true, {}});
         }},
        {"canvas depth 0",
         [](Image& i, const Area& a) {
             return canvas(i, a, {2, 0});
         }},
        {"motion 0 linear",
         [](Image& i, const Area& a) {
             return motionBlur(i, a, {0, 0, 45});
         }},
        {"motion 0 radial",
         [](Image& i, const Area& a) {
             return motionBlur(i, a, {1, 0, 0});
         }},
        {"motion 0 zoom",
         [](Image& i, const Area& a) {
             return motionBlur(i, a, {2, 0, 0});
         }},
    };
    for (int bpp : {24, 32})
        for (const NamedEffect& e : neutral) {
            const Image before = photo(40, 30, bpp);
            Image image = before;
            ASSERT_TRUE(e.apply(image, Area::whole())) << e.name;
            EXPECT_TRUE(sameRaster(image, before)) << e.name << " at " << bpp;
        }
}

TEST(Effects, StrongerLevelsChangeMore) {
    struct Pair {
        std::string name;
        std::function<bool(Image&, bool strong)> apply;
        std::function<double(const Image& before, const Image& after)> measure;
    };
    const auto changed = [](const Image& b, const Image& a) { return meanDifference(b, a); };
    const auto relief = [](const Image&, const Image& a) { return reliefDepth(a, 128); };
    const auto lightness = [](const Image&, const Image& a) { return reliefDepth(a, 0); };
    const Area all = Area::whole();
    const std::vector<Pair> pairs = {
        {"emboss",
         [&](Image& i, bool s) {
             return emboss(i, all, {4, s ? 5 : 1, 128});
         },
         relief},
        {"contour",
         [&](Image& i, bool s) {
             return contour(i, all, {0, 2, s ? 100 : 1});
         },
         lightness},
        {"mosaic",
         [&](Image& i, bool s) {
             return mosaic(i, all, {s ? 20 : 2, s ? 20 : 2});
         },
         changed},
        {"canvas",
         [&](Image& i, bool s) {
             return canvas(i, all, {0, s ? 200 : 10});
         },
         changed},
        {"linear",
         [&](Image& i, bool s) {
             return motionBlur(i, all, {0, s ? 40 : 2, 30});
         },
         changed},
        {"radial",
         [&](Image& i, bool s) {
             return motionBlur(i, all, {1, s ? 40 : 2, 0});
         },
         changed},
        {"zoom",
         [&](Image& i, bool s) {
             return motionBlur(i, all, {2, s ? 40 : 2, 0});
         },
         changed},
        {"wave",
         [&](Image& i, bool s) {
             return wave(i, all, {1, 0, 20, s ? 12 : 1, 0, 1});
         },
         changed},
        {"ripple",
         [&](Image& i, bool s) {
             return ripple(i, all, {s ? 100.0 : 5.0, 10, 0, 0, false});
         },
         changed},
        {"swirl",
         [&](Image& i, bool s) {
             return swirl(i, all, {360, 1, s ? 1.0 : 0.1});
         },
         changed},
        {"lens",
         [&](Image& i, bool s) {
             return lens(i, all, {s ? 8.0 : 1.2, false, {}});
         },
         changed},
    };
    for (const Pair& p : pairs) {
        const Image before = photo(80, 60);
        Image weak = before, strong = before;
        ASSERT_TRUE(p.apply(weak, false)) << p.name;
        ASSERT_TRUE(p.apply(strong, true)) << p.name;
        const double w = p.measure(before, weak), s = p.measure(before, strong);
        EXPECT_GT(w, 0.05) << p.name << ": the weakest level must be visible";
        EXPECT_GT(s, w * 1.5) << p.name;
    }
}

TEST(Effects, EveryEffectStaysInsideItsArea) {
    for (const NamedEffect& e : menuEffects())
        for (const Area& area : {Area::inside(kRange), Area::outside(kRange)})
            for (int bpp : {24, 32}) {
                const Image before = photo(64, 72, bpp);
                Image image = before;
                ASSERT_TRUE(e.apply(image, area)) << e.name;
                const AreaMask mask(area, 64, 72);
                int changedInside = 0, changedOutside = 0;
                for (int y = 0; y < 72; ++y)
                    for (int x = 0; x < 64; ++x) {
                        const bool changed = !(image.pixel(x, y) == before.pixel(x, y));
                        (mask.contains(x, y) ? changedInside : changedOutside) += changed;
                    }
                EXPECT_EQ(changedOutside, 0) << e.name << " area code " << area.areaCode;
                EXPECT_GT(changedInside, 0) << e.name << " area code " << area.areaCode;
            }
}

TEST(Effects, OneWorkerGivesTheSameResultAsMany) {
    for (const NamedEffect& e : menuEffects())
        for (const Area& area : {Area::whole(), Area::outside(kRange)}) {
            const Image before = photo(61, 97, 32);
            Image single = before, many = before;
            setWorkerCount(1);
            ASSERT_TRUE(e.apply(single, area));
            setWorkerCount(5);
            ASSERT_TRUE(e.apply(many, area));
            setWorkerCount(0);
            EXPECT_TRUE(sameRaster(single, many)) << e.name;
        }
}

TEST(Effects, TinyImagesAndFarPolygonsAreHandled) {
    const std::vector<Point> far = {{-500, -500}, {-400, -500}, {-400, -400}, {-500, -400}};
    const std::vector<Point> huge = {
        {-90000, -90000}, {90000, -90000}, {90000, 90000}, {-90000, 90000}};
    for (const NamedEffect& e : menuEffects())
        for (auto [w, h] : {std::pair{1, 1}, {2, 3}, {3, 1}, {1, 40}})
            for (const Area& area : {Area::whole(), Area::inside(far), Area::outside(far),
                                     Area::inside(huge), Area::inside({{0, 0}, {5, 5}})}) {
                const Image before = photo(w, h);
                Image image = before;
                EXPECT_TRUE(e.apply(image, area)) << e.name << " " << w << "x" << h;
                if (area.regionKind == 2 && area.areaCode == 1 && area.polygon == far) {
                    EXPECT_TRUE(sameRaster(image, before)) << e.name;
                }
            }
}

TEST(Effects, BadInputFailsAndChangesNothing) {
    Image palette;
    ASSERT_TRUE(palette.allocateZeroed(8, 8, 8));
    palette.palette = {{10, 20, 30, 255}};
    const Image before = palette;
    const Area all = Area::whole();
    const std::vector<std::function<bool(Image&)>> bad = {
        [&](Image& i) {
            return emboss(i, all, {8, 3, 100});
        },
        [&](Image& i) {
            return emboss(i, all, {0, 0, 100});
        },
        [&](Image& i) {
            return emboss(i, all, {0, 3, 256});
        },
        [&](Image& i) {
            return mosaic(i, all, {0, 10});
        },
        [&](Image& i) {
            return contour(i, all, {4, 0, 10});
        },
        [&](Image& i) {
            return contour(i, all, {0, 3, 10});
        },
        [&](Image& i) {
            return contour(i, all, {0, 0, 101});
        },
        [&](Image& i) {
            return motionBlur(i, all, {3, 30, 0});
        },
        [&](Image& i) {
            return motionBlur(i, all, {0, 256, 0});
        },
        [&](Image& i) {
            return wave(i, all, {2, 0, 100, 10, 0.5, 1});
        },
        [&](Image& i) {
            return wave(i, all, {0, 0, 100, 10, std::nan(""), 1});
        },
        [&](Image& i) {
            return ripple(i, all, {20, -1, 0.5, 0, false});
        },
        [&](Image& i) {
            return swirl(i, all, {360, 0, 1});
        },
        [&](Image& i) {
            return lens(i, all, {-1, true, {}});
        },
        [&](Image& i) {
            return canvas(i, all, {4, 20});
        },
    };
    for (size_t k = 0; k < bad.size(); ++k) {
        Image image = palette;
        EXPECT_FALSE(bad[k](image)) << k;
        EXPECT_EQ(lastError(), kErrBadParameter) << k;
        EXPECT_TRUE(sameRaster(image, before) && image.palette == before.palette) << k;
    }
    Image empty;
    EXPECT_FALSE(mosaic(empty, all, {2, 2}));
    EXPECT_EQ(lastError(), kErrNoImage);
}

TEST(Effects, PaletteAndSixteenBitImagesBecomeFullColour) {
    Image grey;
    ASSERT_TRUE(grey.allocate(4, 3, 8, true));
    grey.palette = greyPalette(8);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) grey.row(y)[x] = uint8_t(x * 60 + y);
    Image wide;
    ASSERT_TRUE(wide.allocate(4, 3, 16));
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            reinterpret_cast<uint16_t*>(wide.row(y))[x] =
                packRgb565(uint8_t(x * 60), 99, uint8_t(y * 90));
    for (const Image& source : {grey, wide}) {
        Image image = source;
        ASSERT_TRUE(mosaic(image, Area::whole(), {1, 1}));
        EXPECT_EQ(image.bitsPerPixel(), 24);
        EXPECT_FALSE(image.grey());
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 4; ++x) EXPECT_EQ(image.pixel(x, y), source.pixel(x, y));
    }
}
