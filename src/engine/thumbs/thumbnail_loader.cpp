#include "engine/thumbs/thumbnail_loader.h"

#include "engine/codecs/registry.h"
#include "engine/colour/srgb_conversion.h"
#include "engine/core/error.h"
#include "engine/thumbs/drawing_thumbnails.h"
#include "engine/thumbs/embedded_preview.h"
#include "engine/thumbs/thumbnail_scale.h"

namespace ximora::engine {

bool loadThumbnail(const std::string& path, int size, Image& thumb) {
    if (size < 1 || size > kMaxSide) return fail(kErrBadParameter);
    if (isDrawingFile(path)) return drawingThumbnail(path, size, thumb);
    if (thumbnailFromEmbeddedPreview(path, size, thumb)) return true;
    LoadOptions options;
    // Both decoded sides at least `size` leaves the averaging at least one whole source pixel
    // per thumbnail pixel, whatever the aspect ratio.
    options.minSide = size;
    Image image;
    if (!loadImage(path, image, options) || !makeThumbnail(image, size, thumb)) return false;
    // Converting the small picture costs next to nothing; its averages are close enough to
    // the averages of the converted large one.
    thumb.metadata = {};
    if (profileDescribesPixels(image)) {
        thumb.metadata.icc = std::move(image.metadata.icc);
        convertToSrgb(thumb);
    }
    return true;
}

}  // namespace ximora::engine
