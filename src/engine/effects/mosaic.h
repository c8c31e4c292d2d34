#pragma once

#include "engine/core/area.h"
#include "engine/core/image.h"

namespace ximora::engine {

/// Mosaic: the picture is cut into blocks that each take their average colour.
struct MosaicParams {
    /// Block width and height in pixels, 1 to 65535 (the dialog offers 1 to 100). Blocks start at
    /// the image's top-left corner; 1 × 1 leaves the image unchanged.
    int width = 10;
    int height = 10;
};

/// Gives each covered pixel the rounded mean of its whole block (including block pixels outside
/// the area, so a block keeps one colour across the area's border). Alpha is averaged too.
/// Palette and 16-bit images become 24-bit first. Fails with kErrBadParameter for sizes out of
/// range, kErrNoImage for an empty image; the image is unchanged then.
bool mosaic(Image& image, const Area& area, const MosaicParams& params);

}  // namespace ximora::engine
