#include "engine/effects/plane.h"

#include <cstring>

#include "engine/core/parallel.h"
#include "engine/effects/luma.h"

namespace ximora::engine {

bool PaddedPlane::build(const Image& image, Source source) {
    const int w = image.width(), h = image.height(), n = image.bytesPerPixel();
    if (!storage_.allocate(w + 2, h + 2, 8, true)) return false;
    parallelRows(h, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            const uint8_t* src = image.row(y);
            uint8_t* dst = storage_.row(y + 1) + 1;
            if (source == kLuma)
                for (int x = 0; x < w; ++x) dst[x] = luma(src + x * n);
            else
                for (int x = 0; x < w; ++x) dst[x] = src[x * n + int(source) - 1];
            dst[-1] = dst[0];
            dst[w] = dst[w - 1];
        }
    });
    std::memcpy(storage_.row(0), storage_.row(1), size_t(w + 2));
    std::memcpy(storage_.row(h + 1), storage_.row(h), size_t(w + 2));
    return true;
}

}  // namespace ximora::engine
