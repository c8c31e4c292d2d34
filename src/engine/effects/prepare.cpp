#include "engine/effects/prepare.h"

#include "engine/core/error.h"
#include "engine/core/parallel.h"

namespace ximora::engine {

bool toTrueColour(Image& image) {
    if (image.empty()) return fail(kErrNoImage);
    if (image.bitsPerPixel() >= 24) return true;
    Image out;
    if (!out.allocate(image.width(), image.height(), 24)) return false;
    parallelRows(image.height(), [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            uint8_t* dst = out.row(y);
            for (int x = 0; x < image.width(); ++x) {
                const Colour c = image.pixel(x, y);
                dst[x * 3] = c.r;
                dst[x * 3 + 1] = c.g;
                dst[x * 3 + 2] = c.b;
            }
        }
    });
    out.dpiX = image.dpiX;
    out.dpiY = image.dpiY;
    out.comment = std::move(image.comment);
    out.metadata = std::move(image.metadata);
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
