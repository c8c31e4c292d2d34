#pragma once
// The thumbnail of one image file, decoded at reduced size where the codec allows.

#include <string>

#include "engine/core/image.h"
#include "engine/io/byte_source.h"

namespace ximora::engine {

/// Loads the image at `path` (any format the engine reads, detected by content) and fits it
/// into a square of `size` pixels (1 to 65535) as makeThumbnail() does (24-bit RGB, 32-bit with
/// alpha where it is transparent), upright by
/// the EXIF orientation, never enlarged, converted to sRGB from the file's colour profile. A
/// camera's EXIF thumbnail stands in for a JPEG picture where it fits
/// (thumbnailFromEmbeddedPreview). The rows are reduced as they are decoded and the file is read
/// through a small buffer, so a picture of any size takes little memory; JPEG files are decoded
/// with DCT scaling and JPEG 2000 files at a reduced resolution, no smaller than the thumbnail
/// needs. Codecs without a row decoder decode the picture (at reduced size where they can)
/// within the memory budget. Drawings (by their extension) go to the installed drawing
/// rasteriser (drawing_thumbnails.h). Errors as loadImage() (16 vanished, 6 not an image, 17/23
/// damaged, 3 past the memory budget) or makeThumbnail(). A ThumbnailMaker.
bool loadThumbnail(const std::string& path, int size, Image& thumb);

/// As loadThumbnail for a picture file (no drawing) already open, decoded in this process:
/// what loadThumbnail does, and what a decode worker does for it.
bool loadPictureThumbnail(FileSource& file, int size, Image& thumb);

}  // namespace ximora::engine
