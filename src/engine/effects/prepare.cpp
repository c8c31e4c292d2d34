#include "engine/effects/prepare.h"

#include "engine/core/error.h"
#include "engine/ops/samples.h"

namespace ximora::engine {

bool toTrueColour(Image& image) {
    if (image.empty()) return fail(kErrNoImage);
    if (image.bitsPerPixel() >= 24) return true;
    Image out;
    if (!expandToRgb(image, out, 24)) return false;
    image = std::move(out);
    return true;
}

bool prepareEffect(Image& image, bool parametersValid) {
    if (image.empty()) return fail(kErrNoImage);
    if (!parametersValid) return fail(kErrBadParameter);
    return toTrueColour(image);
}

bool snapshot(const Image& image, Image& copy) {
    copy = image;
    return !copy.empty() || fail(kErrMemory);
}

}  // namespace ximora::engine
