#pragma once
// Turning a decoded image into a thumbnail.

#include "engine/core/image.h"

namespace ximora::engine {

struct ThumbnailSize {
    int width = 0, height = 0;
    friend bool operator==(const ThumbnailSize&, const ThumbnailSize&) = default;
};

/// The size of a width × height image fitted into a square of `box` pixels: the longer side
/// becomes `box`, the shorter one keeps the aspect ratio (rounded, at least 1). An image that
/// already fits is never enlarged: small images are shown at their own size. Sizes in pixels,
/// all above 0.
ThumbnailSize fitIntoSquare(int width, int height, int box);

/// Makes a thumbnail of `source` fitted into a square of `box` pixels (1 to 65535) by area
/// averaging: each thumbnail pixel is the exact mean of the source area it covers. It is 24-bit
/// RGB, or 32-bit with straight alpha when transparent pixels (32-bit alpha, palette entries
/// with alpha) leave any of its pixels less than opaque: its colour is then the mean colour of
/// what covers it, its alpha the mean alpha, and the viewer shows what is behind it. Runs on the
/// calling thread (thumbnails are made one per worker). Fails with error 5 for a bad box, 7 for an
/// empty source, 3 when the thumbnail cannot be allocated.
bool makeThumbnail(const Image& source, int box, Image& out);

}  // namespace ximora::engine
