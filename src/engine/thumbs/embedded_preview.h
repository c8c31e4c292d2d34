#pragma once
// Thumbnails from the small picture a camera stores inside its JPEG files (the EXIF thumbnail,
// IFD1), which is far cheaper to decode than the picture itself.

#include "engine/core/image.h"
#include "engine/io/byte_source.h"

namespace ximora::engine {

/// Makes the thumbnail of the JPEG file `file` from its EXIF thumbnail when that one can
/// stand in for the picture: it shows the picture's aspect (within a pixel, so a preview padded
/// with bars or stored the other way round is not taken) and is at least as large as the
/// thumbnail fitted into a square of `size` pixels; a picture with a colour profile is never
/// stood in for (its thumbnail is converted to sRGB from the decoded picture). The result is made
/// as loadThumbnail() makes it: upright by the picture's EXIF orientation, fitted by area
/// averaging. Returns false (the caller decodes the picture) when there is no such preview; the
/// last error is then unspecified.
bool thumbnailFromEmbeddedPreview(ByteSource& file, int size, Image& thumb);

}  // namespace ximora::engine
