#include "engine/ops/filter_frame.h"

#include <cstring>

#include "engine/core/error.h"

namespace ximora::engine {
namespace {

bool coversNothing(const AreaMask& mask) {
    for (int y = 0; y < mask.height(); ++y)
        if (!mask.spans(y).empty()) return false;
    return true;
}

}  // namespace

void padRow(const Plane& p, const uint8_t* row, int pad, uint8_t* buf) {
    const size_t c = size_t(p.channels), len = size_t(p.width) * c;
    std::memcpy(buf + pad * c, row, len);
    for (int i = 0; i < pad; ++i) {
        std::memcpy(buf + i * c, row, c);
        std::memcpy(buf + pad * c + len + i * c, row + len - c, c);
    }
}

bool runFilter(Image& image, const Area& area, const FilterKernel& kernel) {
    if (image.empty()) return fail(kErrNoImage);
    const AreaMask mask(area, image.width(), image.height());
    if (coversNothing(mask)) return true;
    Image samples;
    const bool native = sampleKind(image) == SampleKind::Native;
    if (!native && !extractSamples(image, samples)) return false;
    const Image& src = native ? image : samples;
    Image dst;
    if (!dst.allocate(src.width(), src.height(), src.bitsPerPixel())) return false;
    kernel(planeOf(src), planeOf(dst));
    if (native && mask.coversAll()) {
        adoptRaster(image, std::move(dst));
        return true;
    }
    return storeSamples(dst, mask, image);
}

}  // namespace ximora::engine
