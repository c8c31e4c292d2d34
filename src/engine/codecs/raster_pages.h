#pragma once
// Page handling for freshly allocated rasters that a decoder is about to fill.

#include "engine/core/image.h"

namespace ximora::engine {

/// Asks the kernel to back a large, not yet touched raster with huge pages: filling a 24-bit
/// 24-megapixel raster otherwise costs some 18000 page faults, a third of a JPEG decode.
/// A hint only; nothing changes where the system does not offer it.
void preferHugePages(Image& image);
/// The same for any other large block a decoder is about to fill.
void preferHugePages(void* data, size_t bytes);

}  // namespace ximora::engine
