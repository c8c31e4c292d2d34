#pragma once
// The sizes a HEIF or AVIF file declares for its images: the image spatial extents ("ispe")
// among the item properties in its "meta" box (ISO/IEC 23008-12, 6.5.3), one for every image
// item, grid tiles, alpha planes and thumbnails included.

#include <cstddef>
#include <cstdint>

namespace ximora::engine {

/// The longest side any image of the file declares, 0 when none can be read.
int largestDeclaredSide(const uint8_t* data, size_t size);

}  // namespace ximora::engine
