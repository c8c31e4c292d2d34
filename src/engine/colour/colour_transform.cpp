// ICC profiles: ICC.1:2022, the International Color Consortium's profile format (color.org).
#include "engine/colour/colour_transform.h"

#include <algorithm>
#include <cstdlib>
#include <list>
#include <mutex>
#include <tuple>

#include "engine/colour/lcms_library.h"
#include "engine/core/parallel.h"

namespace ximora::engine {
namespace {

int bytesPerPixel(PixelLayout layout) { return layout == PixelLayout::Rgb ? 3 : 4; }

// Little CMS formats for each layout: colour in, colour out, and a grey source that reads the
// first byte of the pixel and skips the others.
cmsUInt32Number colourFormat(PixelLayout layout) {
    switch (layout) {
        case PixelLayout::Rgb:
            return TYPE_RGB_8;
        case PixelLayout::Rgba:
            return TYPE_RGBA_8;
        case PixelLayout::Bgra:
            return TYPE_BGRA_8;
    }
    return TYPE_RGB_8;
}

cmsUInt32Number greyFormat(PixelLayout layout) {
    return COLORSPACE_SH(PT_GRAY) | CHANNELS_SH(1) | BYTES_SH(1) |
           EXTRA_SH(bytesPerPixel(layout) - 1);
}

cmsHPROFILE openProfile(const LcmsLibrary& cms, const std::vector<uint8_t>& icc) {
    if (icc.empty()) return cms.cmsCreate_sRGBProfileTHR(cms.context);
    return cms.cmsOpenProfileFromMemTHR(cms.context, icc.data(), cmsUInt32Number(icc.size()));
}

// The answers kept by between(): the last few profile pairs, most recent first.
struct Kept {
    std::vector<uint8_t> source, target;
    PixelLayout layout;
    std::shared_ptr<const ColourTransform> transform;
};
constexpr size_t kKept = 8;
std::mutex keptMutex;
std::list<Kept> kept;

}  // namespace

std::shared_ptr<const ColourTransform> ColourTransform::between(const std::vector<uint8_t>& source,
                                                                const std::vector<uint8_t>& target,
                                                                PixelLayout layout) {
    if (source.empty() && target.empty()) return nullptr;
    {
        const std::lock_guard lock(keptMutex);
        for (auto it = kept.begin(); it != kept.end(); ++it)
            if (it->layout == layout && it->source == source && it->target == target) {
                kept.splice(kept.begin(), kept, it);
                return it->transform;
            }
    }
    // Made outside the lock: a profile can take milliseconds to prepare.
    std::shared_ptr<const ColourTransform> made = make(source, target, layout);
    const std::lock_guard lock(keptMutex);
    kept.push_front({source, target, layout, made});
    if (kept.size() > kKept) kept.pop_back();
    return made;
}

std::shared_ptr<const ColourTransform> ColourTransform::make(const std::vector<uint8_t>& source,
                                                             const std::vector<uint8_t>& target,
                                                             PixelLayout layout) {
    const LcmsLibrary* cms = lcms();
    if (!cms) return nullptr;
    cmsHPROFILE in = openProfile(*cms, source);
    cmsHPROFILE out = openProfile(*cms, target);
    void* handle = nullptr;
    bool grey = false;
    if (in && out && cms->cmsGetColorSpace(out) == cmsSigRgbData) {
        const cmsColorSpaceSignature space = cms->cmsGetColorSpace(in);
        if (space == cmsSigRgbData || space == cmsSigGrayData) {
            grey = space == cmsSigGrayData;
            // A grey source has one channel and the output three, so alpha cannot be copied by
            // Little CMS; converting in place leaves it where it is all the same.
            cmsUInt32Number flags = cmsFLAGS_NOCACHE;  // the cache would race between threads
            if (!grey && layout != PixelLayout::Rgb) flags |= cmsFLAGS_COPY_ALPHA;
            handle = cms->cmsCreateTransformTHR(
                cms->context, in, grey ? greyFormat(layout) : colourFormat(layout), out,
                colourFormat(layout), INTENT_PERCEPTUAL, flags);
        }
    }
    if (in) cms->cmsCloseProfile(in);
    if (out) cms->cmsCloseProfile(out);
    if (!handle) return nullptr;
    std::shared_ptr<const ColourTransform> transform(
        new ColourTransform(*cms, handle, layout, grey));
    return transform->changesColours() ? transform : nullptr;
}

ColourTransform::~ColourTransform() {
    cms_.cmsDeleteTransform(static_cast<cmsHTRANSFORM>(handle_));
}

// Runs a 9 × 9 × 9 grid of opaque colours (grey levels for a grey source) through the
// transform: an sRGB picture tagged with an sRGB profile of its own, the common case, needs no
// conversion at all.
bool ColourTransform::changesColours() const {
    constexpr int kSteps = 9;
    const int bytes = bytesPerPixel(layout_);
    std::vector<uint8_t> samples, converted;
    for (int r = 0; r < kSteps; ++r)
        for (int g = 0; g < kSteps; ++g)
            for (int b = 0; b < kSteps; ++b) {
                const auto level = [](int step) { return uint8_t(std::min(255, step * 32)); };
                const uint8_t rgb[3] = {level(r), level(greySource_ ? r : g),
                                        level(greySource_ ? r : b)};
                if (layout_ == PixelLayout::Bgra)
                    samples.insert(samples.end(), {rgb[2], rgb[1], rgb[0], 255});
                else
                    samples.insert(samples.end(), rgb, rgb + 3);
                if (layout_ == PixelLayout::Rgba) samples.push_back(255);
            }
    converted = samples;
    applyRow(converted.data(), int(converted.size()) / bytes);
    for (size_t i = 0; i < samples.size(); ++i)
        if (std::abs(int(samples[i]) - int(converted[i])) > 1) return true;
    return false;
}

void ColourTransform::applyRow(uint8_t* row, int width) const {
    if (width > 0)
        cms_.cmsDoTransform(static_cast<cmsHTRANSFORM>(handle_), row, row, cmsUInt32Number(width));
}

void ColourTransform::apply(uint8_t* pixels, size_t stride, int width, int height) const {
    parallelRows(height, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) applyRow(pixels + size_t(y) * stride, width);
    });
}

}  // namespace ximora::engine
