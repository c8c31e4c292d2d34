#include "engine/thumbs/thumbnail_loader.h"

#include "engine/codecs/registry.h"
#include "engine/core/error.h"
#include "engine/thumbs/embedded_preview.h"
#include "engine/thumbs/thumbnail_scale.h"

namespace ximora::engine {

bool loadThumbnail(const std::string& path, int size, Image& thumb) {
    if (size < 1 || size > kMaxSide) return fail(kErrBadParameter);
    if (thumbnailFromEmbeddedPreview(path, size, thumb)) return true;
    LoadOptions options;
    // Both decoded sides at least `size` leaves the averaging at least one whole source pixel
    // per thumbnail pixel, whatever the aspect ratio.
    options.minSide = size;
    options.keepMetadata = false;
    Image image;
    return loadImage(path, image, options) && makeThumbnail(image, size, thumb);
}

}  // namespace ximora::engine
