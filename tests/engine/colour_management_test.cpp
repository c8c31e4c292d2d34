// Colour management: pictures tagged with a profile are converted to sRGB (thumbnails) or to a
// display's profile, and the results must match colorimetry computed here independently.

#include <gtest/gtest.h>
#include <lcms2.h>

#include <array>
#include <cmath>

#include "engine/codecs/registry.h"
#include "engine/colour/cicp_profile.h"
#include "engine/colour/colour_transform.h"
#include "engine/colour/srgb_conversion.h"
#include "engine/core/error.h"
#include "engine/thumbs/thumbnail_loader.h"
#include "op_test_images.h"
#include "support/adobe_rgb.h"
#include "thumbs_test_folder.h"

using namespace ximora::engine;
using namespace ximora::testing;

namespace {

// A flat-coloured "photo": one band per colour, tagged Adobe RGB.
Image adobeBands(int bits) {
    Image image;
    EXPECT_TRUE(image.allocate(int(kFlatColours.size()) * 4, 3, bits));
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < image.width(); ++x) {
            const auto& c = kFlatColours[size_t(x / 4)];
            uint8_t* p = image.row(y) + x * image.bytesPerPixel();
            p[0] = uint8_t(c[0]), p[1] = uint8_t(c[1]), p[2] = uint8_t(c[2]);
            if (bits == 32) p[3] = uint8_t(60 + x);
        }
    image.metadata.icc = adobeRgbProfile();
    return image;
}

void expectSrgbBands(const Image& image) {
    for (int x = 0; x < image.width(); ++x) {
        const auto& c = kFlatColours[size_t(x / 4) % kFlatColours.size()];
        const std::array<int, 3> want = adobeToSrgb(c[0], c[1], c[2]);
        const Colour got = image.pixel(x, 1);
        EXPECT_NEAR(got.r, want[0], 2) << x;
        EXPECT_NEAR(got.g, want[1], 2) << x;
        EXPECT_NEAR(got.b, want[2], 2) << x;
    }
}

}  // namespace

// The conversion that thumbnails use, at 24 and 32 bits (alpha untouched) and for a palette.
TEST(ColourManagement, AdobeRgbPictureConvertsToTheColoursColorimetryGives) {
    for (int bits : {24, 32}) {
        Image image = adobeBands(bits);
        const Image before = image;
        convertToSrgb(image);
        EXPECT_TRUE(image.metadata.icc.empty());
        expectSrgbBands(image);
        for (int x = 0; x < image.width(); ++x)
            EXPECT_EQ(image.pixel(x, 1).a, before.pixel(x, 1).a);
    }
    Image palette;
    ASSERT_TRUE(palette.allocate(int(kFlatColours.size()), 1, 8));
    for (size_t i = 0; i < kFlatColours.size(); ++i) {
        const auto& c = kFlatColours[i];
        palette.palette.push_back(Colour{uint8_t(c[0]), uint8_t(c[1]), uint8_t(c[2]), 255});
        palette.row(0)[i] = uint8_t(i);
    }
    palette.metadata.icc = adobeRgbProfile();
    convertToSrgb(palette);
    for (size_t i = 0; i < kFlatColours.size(); ++i) {
        const auto& c = kFlatColours[i];
        const std::array<int, 3> want = adobeToSrgb(c[0], c[1], c[2]);
        EXPECT_NEAR(palette.palette[i].r, want[0], 2);
        EXPECT_NEAR(palette.palette[i].b, want[2], 2);
    }
}

// What the display is painted with: BGRA pieces (alpha kept) towards a display profile. An
// sRGB display gives the sRGB colours; the same profile on both sides, or a profile that cannot
// be read, asks for no work at all.
TEST(ColourManagement, DisplayTransformsConvertTilesOrStandAside) {
    const auto toSrgb =
        ColourTransform::between(adobeRgbProfile(), srgbProfile(), PixelLayout::Bgra);
    ASSERT_TRUE(toSrgb);
    std::vector<uint8_t> tile;
    for (const auto& c : kFlatColours)
        tile.insert(tile.end(), {uint8_t(c[2]), uint8_t(c[1]), uint8_t(c[0]), 255});
    tile.insert(tile.end(), {0, 0, 0, 0});  // transparent: stays so
    toSrgb->apply(tile.data(), tile.size(), int(tile.size() / 4), 1);
    for (size_t i = 0; i < kFlatColours.size(); ++i) {
        const auto& c = kFlatColours[i];
        const std::array<int, 3> want = adobeToSrgb(c[0], c[1], c[2]);
        EXPECT_NEAR(tile[4 * i + 2], want[0], 2);
        EXPECT_NEAR(tile[4 * i + 1], want[1], 2);
        EXPECT_NEAR(tile[4 * i + 0], want[2], 2);
        EXPECT_EQ(tile[4 * i + 3], 255);
    }
    EXPECT_EQ(tile[4 * kFlatColours.size() + 3], 0);

    EXPECT_FALSE(ColourTransform::between(srgbProfile(), {}, PixelLayout::Rgb));
    EXPECT_FALSE(ColourTransform::between(adobeRgbProfile(), adobeRgbProfile(), PixelLayout::Rgb));
    const std::vector<uint8_t> garbage(300, 0x41);
    EXPECT_FALSE(ColourTransform::between(garbage, {}, PixelLayout::Rgba));
    EXPECT_FALSE(ColourTransform::between(adobeRgbProfile(), garbage, PixelLayout::Rgba));
}

// A grey picture with a grey profile (gamma 1.8, not sRGB's curve) gets lighter mid-tones; its
// grey levels stay grey. A grey profile describes only grey pictures.
TEST(ColourManagement, GreyProfilesConvertGreyLevels) {
    cmsToneCurve* gamma = cmsBuildGamma(nullptr, 1.8);
    const std::vector<uint8_t> grey = profileBytes(cmsCreateGrayProfile(cmsD50_xyY(), gamma));
    cmsFreeToneCurve(gamma);
    Image levels = test::patternImage(4, 4, 8, true);
    levels.metadata.icc = grey;
    EXPECT_TRUE(profileDescribesPixels(levels));
    Image colour = test::patternImage(4, 4, 24);
    colour.metadata.icc = grey;
    EXPECT_FALSE(profileDescribesPixels(colour));
    colour.metadata.icc = adobeRgbProfile();
    EXPECT_TRUE(profileDescribesPixels(colour));
    colour.metadata.icc[16] = 'C';  // "CMYK" would not fit RGB pixels either
    EXPECT_FALSE(profileDescribesPixels(colour));

    const auto transform = ColourTransform::between(grey, {}, PixelLayout::Rgb);
    ASSERT_TRUE(transform);
    uint8_t pixel[3] = {128, 128, 128};
    transform->applyRow(pixel, 1);
    EXPECT_GT(pixel[0], 140);
    EXPECT_NEAR(pixel[0], pixel[1], 1);
    EXPECT_NEAR(pixel[1], pixel[2], 1);
}

// Profiles from H.273 code points: sRGB needs none, HDR transfers have none, other pairs get
// one with their primaries.
TEST(ColourManagement, CicpCodePointsBecomeProfiles) {
    EXPECT_TRUE(iccFromCicp(1, 13).empty());
    EXPECT_TRUE(iccFromCicp(2, 2).empty());
    EXPECT_TRUE(iccFromCicp(9, 16).empty());  // PQ
    EXPECT_TRUE(iccFromCicp(9, 18).empty());  // HLG
    EXPECT_TRUE(iccFromCicp(10, 8).empty());  // XYZ
    for (auto [primaries, transfer] : {std::pair{12, 13}, {9, 14}, {1, 1}, {1, 8}, {11, 13}}) {
        const std::vector<uint8_t> icc = iccFromCicp(primaries, transfer);
        ASSERT_FALSE(icc.empty()) << primaries << "/" << transfer;
        EXPECT_TRUE(ColourTransform::between(icc, {}, PixelLayout::Rgb))
            << primaries << "/" << transfer;
    }
}

// Thumbnails are made in sRGB from the file's profile.
TEST(ColourManagement, ThumbnailsAreMadeInSrgb) {
    test::TestFolder folder;
    Image bands = adobeBands(24);
    SaveOptions png;
    png.format = kSavePng;
    const std::string path = folder.file("adobe.png");
    ASSERT_TRUE(saveImage(path, bands, png));
    Image thumb;
    ASSERT_TRUE(loadThumbnail(path, 100, thumb)) << lastError();
    EXPECT_TRUE(thumb.metadata.icc.empty());
    ASSERT_EQ(thumb.width(), bands.width());
    expectSrgbBands(thumb);
}
