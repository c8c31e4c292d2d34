#include "engine/metadata/orientation.h"

#include <cstring>
#include <utility>

#include "engine/core/orientation_map.h"
#include "engine/core/parallel.h"
#include "engine/metadata/exif.h"

namespace ximora::engine {
namespace {

template <int Bytes>
void remap(const Image& from, Image& to, const OrientationMap& map) {
    parallelRows(to.height(), [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            uint8_t* out = to.row(y);
            for (int x = 0; x < to.width(); ++x) {
                int sx, sy;
                map(x, y, sx, sy);
                std::memcpy(out + size_t(x) * Bytes, from.row(sy) + size_t(sx) * Bytes, Bytes);
            }
        }
    });
}

}  // namespace

bool turnUpright(Image& image, int orientation) {
    if (image.empty() || orientation < 2 || orientation > 8) return true;
    const bool swap = orientation >= 5;
    std::unique_ptr<DeepSamples> deep;
    if (const DeepSamples* samples = currentDeepSamples(image)) {
        deep = reorientedDeepSamples(*samples, orientation);
        if (!deep) return false;
    }
    Image turned;
    if (!turned.allocate(swap ? image.height() : image.width(),
                         swap ? image.width() : image.height(), image.bitsPerPixel(), image.grey()))
        return false;
    const OrientationMap map{orientation, image.width(), image.height()};
    switch (image.bytesPerPixel()) {
        case 1:
            remap<1>(image, turned, map);
            break;
        case 2:
            remap<2>(image, turned, map);
            break;
        case 3:
            remap<3>(image, turned, map);
            break;
        default:
            remap<4>(image, turned, map);
            break;
    }
    turned.palette = std::move(image.palette);
    turned.dpiX = swap ? image.dpiY : image.dpiX;
    turned.dpiY = swap ? image.dpiX : image.dpiY;
    turned.comment = std::move(image.comment);
    turned.metadata = std::move(image.metadata);
    image = std::move(turned);
    attachDeepSamples(image, std::move(deep));
    return true;
}

bool finishLoadedImage(Image& image, int orientation, const LoadOptions& options) {
    if (options.applyOrientation && orientation >= 2) {
        if (!turnUpright(image, orientation)) return false;
        setExifOrientation(image.metadata.exif, 1);
    }
    if (!options.keepMetadata) image.metadata = Metadata{};
    return true;
}

bool finishLoadedMetadata(Image& image, const LoadOptions& options) {
    return finishLoadedImage(image, exifOrientation(image.metadata.exif), options);
}

}  // namespace ximora::engine
