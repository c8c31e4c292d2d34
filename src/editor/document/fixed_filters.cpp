#include "editor/document/fixed_filters.h"

#include <utility>

#include "engine/effects/canvas.h"
#include "engine/effects/contour.h"
#include "engine/effects/emboss.h"
#include "engine/effects/lens.h"
#include "engine/effects/mosaic.h"
#include "engine/effects/motion_blur.h"
#include "engine/effects/ripple.h"
#include "engine/effects/swirl.h"
#include "engine/effects/wave.h"
#include "engine/ops/corrections.h"
#include "engine/ops/tone.h"

namespace ximora::editor {
namespace {

using engine::Area;
using engine::Image;

// The parameters the menu commands use; the adjustment dialogs start from their own.
const std::pair<const char*, FixedFilter> kFilters[] = {
    {"ﾉｲｽﾞの除去",
     [](Image& i, const Area& a) {
         return engine::removeNoise(i, a, {true, 50});
     }},
    {"ぼかし", [](Image& i, const Area& a) { return engine::blur(i, a, {2}); }},
    {"ｼｬ-ﾌﾟ", [](Image& i, const Area& a) { return engine::sharpen(i, a, {5}); }},
    {"淵を滑らかに", [](Image& i, const Area& a) { return engine::smoothEdges(i, a); }},
    {"ｽﾌﾟﾗｲﾝ補正",
     [](Image& i, const Area& a) {
         engine::ToneCurveParams p;
         p.inputs = {0, 64, 128, 192, 255};
         p.outputs = {0, 30, 128, 225, 255};
         p.space = engine::ToneSpace::YCrCb;
         return engine::applyToneCurve(i, a, p);
     }},
    {"ｴﾝﾎﾞｽ",
     [](Image& i, const Area& a) {
         return engine::emboss(i, a, {0, 3, 100});
     }},
    {"ﾓｻﾞｲｸ",
     [](Image& i, const Area& a) {
         return engine::mosaic(i, a, {10, 10});
     }},
    {"輪郭",
     [](Image& i, const Area& a) {
         return engine::contour(i, a, {0, 0, 10});
     }},
    {"ﾓｰｼｮﾝ",
     [](Image& i, const Area& a) {
         return engine::motionBlur(i, a, {2, 30, 20});
     }},
    {"波",
     [](Image& i, const Area& a) {
         return engine::wave(i, a, {0, 0, 100, 10, 0.5, 1});
     }},
    {"波紋",
     [](Image& i, const Area& a) {
         return engine::ripple(i, a, {20.0, 10.0, 0.5, 0.0, false});
     }},
    {"渦巻",
     [](Image& i, const Area& a) {
         return engine::swirl(i, a, {360.0, 1.0, 1.0});
     }},
    {"ﾚﾝｽﾞ",
     [](Image& i, const Area& a) {
         engine::LensParams p;
         p.magnification = 3.0;
         p.fillOutside = false;
         return engine::lens(i, a, p);
     }},
    {"ｷｬﾝﾊﾞｽ",
     [](Image& i, const Area& a) {
         return engine::canvas(i, a, {1, 20});
     }},
};

}  // namespace

FixedFilter fixedFilter(const QString& job) {
    for (const auto& [name, filter] : kFilters)
        if (job == QString::fromUtf8(name)) return filter;
    return nullptr;
}

}  // namespace ximora::editor
