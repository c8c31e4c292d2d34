#pragma once
// Adobe RGB (1998) for the colour management tests: its profile built with Little CMS, and its
// colours in sRGB computed from the published matrices, independently of any profile code.

#include <lcms2.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

namespace ximora::testing {

/// Adobe RGB's gamma, 563/256.
inline constexpr double kAdobeGamma = 563.0 / 256.0;

/// The bytes of a profile (which is closed).
inline std::vector<uint8_t> profileBytes(cmsHPROFILE profile) {
    cmsUInt32Number size = 0;
    cmsSaveProfileToMem(profile, nullptr, &size);
    std::vector<uint8_t> bytes(size);
    cmsSaveProfileToMem(profile, bytes.data(), &size);
    cmsCloseProfile(profile);
    return bytes;
}

/// A matrix/curves profile with Adobe RGB's primaries, white point (D65) and gamma.
inline std::vector<uint8_t> adobeRgbProfile() {
    const cmsCIExyY white{0.3127, 0.3290, 1.0};
    const cmsCIExyYTRIPLE primaries{{0.64, 0.33, 1.0}, {0.21, 0.71, 1.0}, {0.15, 0.06, 1.0}};
    cmsToneCurve* gamma = cmsBuildGamma(nullptr, kAdobeGamma);
    cmsToneCurve* curves[3] = {gamma, gamma, gamma};
    cmsHPROFILE profile = cmsCreateRGBProfile(&white, &primaries, curves);
    cmsFreeToneCurve(gamma);
    return profileBytes(profile);
}

inline std::vector<uint8_t> srgbProfile() { return profileBytes(cmsCreate_sRGBProfile()); }

/// An Adobe RGB colour in sRGB: Adobe RGB → XYZ → linear sRGB (both spaces share the D65
/// white, so no adaptation is needed), clipped, then sRGB's curve.
inline std::array<int, 3> adobeToSrgb(int r, int g, int b) {
    const double lin[3] = {std::pow(r / 255.0, kAdobeGamma), std::pow(g / 255.0, kAdobeGamma),
                           std::pow(b / 255.0, kAdobeGamma)};
    const double toXyz[3][3] = {
        {0.57667, 0.18556, 0.18823}, {0.29734, 0.62736, 0.07529}, {0.02703, 0.07069, 0.99134}};
    const double toSrgb[3][3] = {
        {3.24097, -1.53738, -0.49861}, {-0.96924, 1.87597, 0.04156}, {0.05563, -0.20398, 1.05697}};
    double xyz[3];
    for (int i = 0; i < 3; ++i)
        xyz[i] = toXyz[i][0] * lin[0] + toXyz[i][1] * lin[1] + toXyz[i][2] * lin[2];
    std::array<int, 3> result{};
    for (int i = 0; i < 3; ++i) {
        const double linear = std::clamp(
            toSrgb[i][0] * xyz[0] + toSrgb[i][1] * xyz[1] + toSrgb[i][2] * xyz[2], 0.0, 1.0);
        const double encoded =
            linear <= 0.0031308 ? 12.92 * linear : 1.055 * std::pow(linear, 1 / 2.4) - 0.055;
        result[size_t(i)] = int(std::lround(encoded * 255));
    }
    return result;
}

/// The flat colours of the test pictures (Adobe RGB numbers).
inline constexpr std::array<std::array<int, 3>, 6> kFlatColours = {
    {{200, 100, 50}, {30, 160, 220}, {128, 128, 128}, {90, 200, 80}, {255, 255, 255}, {0, 0, 0}}};

}  // namespace ximora::testing
