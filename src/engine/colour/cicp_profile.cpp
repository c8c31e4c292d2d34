// Code points: ITU-T H.273, tables 2 (colour primaries) and 3 (transfer characteristics).
#include "engine/colour/cicp_profile.h"

#include <array>
#include <string>

#include "engine/colour/lcms_library.h"

namespace ximora::engine {
namespace {

struct Primaries {
    int code;
    double rx, ry, gx, gy, bx, by, wx, wy;
};

constexpr double kD65x = 0.3127, kD65y = 0.3290;
constexpr double kCx = 0.310, kCy = 0.316;  // illuminant C

constexpr Primaries kPrimaries[] = {
    {1, 0.640, 0.330, 0.300, 0.600, 0.150, 0.060, kD65x, kD65y},   // BT.709, sRGB
    {4, 0.670, 0.330, 0.210, 0.710, 0.140, 0.080, kCx, kCy},       // BT.470 System M
    {5, 0.640, 0.330, 0.290, 0.600, 0.150, 0.060, kD65x, kD65y},   // BT.470 System B, G
    {6, 0.630, 0.340, 0.310, 0.595, 0.155, 0.070, kD65x, kD65y},   // BT.601 525 lines
    {7, 0.630, 0.340, 0.310, 0.595, 0.155, 0.070, kD65x, kD65y},   // SMPTE 240M
    {8, 0.681, 0.319, 0.243, 0.692, 0.145, 0.049, kCx, kCy},       // generic film
    {9, 0.708, 0.292, 0.170, 0.797, 0.131, 0.046, kD65x, kD65y},   // BT.2020, BT.2100
    {11, 0.680, 0.320, 0.265, 0.690, 0.150, 0.060, 0.314, 0.351},  // SMPTE 431 (DCI-P3)
    {12, 0.680, 0.320, 0.265, 0.690, 0.150, 0.060, kD65x, kD65y},  // SMPTE 432 (Display P3)
    {22, 0.630, 0.340, 0.295, 0.605, 0.155, 0.077, kD65x, kD65y},  // EBU Tech. 3213
};

const Primaries* primariesFor(int code) {
    if (code == 2) code = 1;
    for (const Primaries& p : kPrimaries)
        if (p.code == code) return &p;
    return nullptr;
}

// The decoding curve of a transfer as an ICC parametric curve: type 1 is a plain gamma, type
// 4 is Y = (aX + b)^g from d on and cX below it. Type 0 for the transfers a display profile
// cannot hold.
struct Curve {
    int type = 0;
    std::array<double, 5> params{};
};

Curve curveFor(int code) {
    // The inverse of the BT.709 camera curve, which BT.601 and BT.2020 share.
    const Curve bt709{4, {1 / 0.45, 1 / 1.099, 0.099 / 1.099, 1 / 4.5, 0.081}};
    switch (code) {
        case 1:
        case 6:
        case 14:
        case 15:
            return bt709;
        case 2:
        case 13:
            return {4, {2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045}};
        case 4:
            return {1, {2.2}};
        case 5:
            return {1, {2.8}};
        case 7:
            return {4, {1 / 0.45, 1 / 1.1115, 0.1115 / 1.1115, 1 / 4.0, 0.0913}};
        case 8:
            return {1, {1.0}};
        default:
            return {};
    }
}

}  // namespace

std::vector<uint8_t> iccFromCicp(int primaries, int transfer) {
    const Primaries* p = primariesFor(primaries);
    const Curve curve = curveFor(transfer);
    if (!p || curve.type == 0) return {};
    if (p->code == 1 && (transfer == 13 || transfer == 2)) return {};

    const LcmsLibrary* cms = lcms();
    if (!cms) return {};
    const cmsContext context = cms->context;
    const cmsCIExyY white{p->wx, p->wy, 1.0};
    const cmsCIExyYTRIPLE colorants{{p->rx, p->ry, 1.0}, {p->gx, p->gy, 1.0}, {p->bx, p->by, 1.0}};
    cmsToneCurve* tone = cms->cmsBuildParametricToneCurve(context, curve.type, curve.params.data());
    if (!tone) return {};
    cmsToneCurve* curves[3] = {tone, tone, tone};
    cmsHPROFILE profile = cms->cmsCreateRGBProfileTHR(context, &white, &colorants, curves);
    cms->cmsFreeToneCurve(tone);
    if (!profile) return {};

    const std::string name =
        "CICP " + std::to_string(primaries) + "/" + std::to_string(transfer) + " (Ximora)";
    if (cmsMLU* description = cms->cmsMLUalloc(context, 1)) {
        cms->cmsMLUsetASCII(description, "en", "US", name.c_str());
        cms->cmsWriteTag(profile, cmsSigProfileDescriptionTag, description);
        cms->cmsMLUfree(description);
    }
    std::vector<uint8_t> bytes;
    cmsUInt32Number size = 0;
    if (cms->cmsSaveProfileToMem(profile, nullptr, &size) && size > 0) {
        bytes.resize(size);
        if (!cms->cmsSaveProfileToMem(profile, bytes.data(), &size)) bytes.clear();
    }
    cms->cmsCloseProfile(profile);
    return bytes;
}

}  // namespace ximora::engine
