#pragma once
// Turning a loaded image upright by its EXIF orientation.

#include "engine/codecs/codec.h"
#include "engine/core/image.h"

namespace ximora::engine {

/// Turns and flips the pixels so that an image stored with EXIF orientation 1 to 8 shows
/// upright; orientations 5 to 8 swap width and height. Palette, resolution (swapped with the
/// sides), comment and metadata are kept. Fails with error 3 when the turned copy cannot be
/// allocated; the image is then unchanged.
bool turnUpright(Image& image, int orientation);

/// The codecs' last step after decoding: turns the image upright by `orientation` (EXIF or
/// TIFF, 1 to 8) when `options.applyOrientation` (and sets the kept EXIF tag to 1), then drops
/// the metadata blocks unless `options.keepMetadata`.
bool finishLoadedImage(Image& image, int orientation, const LoadOptions& options);

/// finishLoadedImage() with the orientation of the kept EXIF block.
bool finishLoadedMetadata(Image& image, const LoadOptions& options);

}  // namespace ximora::engine
