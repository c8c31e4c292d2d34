#include "editor/document/colour_steps.h"

#include <algorithm>

#include "engine/colour/colour_reduce.h"

namespace ximora::editor {
namespace {

bool reduceOnce(engine::Image& image, int code) {
    engine::ColourReduction params;
    params.code = code;
    params.fixedPalette = false;
    params.errorDiffusion = !(code == 1 || code == 4 || code == 40);
    params.threshold = 128;
    return engine::reduceColours(image, params);
}

bool survivesSixteenBits(const engine::Colour& c) {
    const engine::Colour back = engine::unpackRgb565(engine::packRgb565(c.r, c.g, c.b));
    return back.r == c.r && back.g == c.g && back.b == c.b;
}

}  // namespace

bool changeColourCode(engine::Image& image, int code) {
    if (code != 40) return reduceOnce(image, code);
    // 16 grey levels by way of 256 grey levels; a failed second step keeps the original.
    engine::Image work = image;
    if (!reduceOnce(work, 80) || !reduceOnce(work, 40)) return false;
    image = std::move(work);
    return true;
}

bool toGeometryDepth(engine::Image& image) {
    const bool exact = std::all_of(image.palette.begin(), image.palette.end(), survivesSixteenBits);
    return changeColourCode(image, exact ? 16 : 24);
}

}  // namespace ximora::editor
