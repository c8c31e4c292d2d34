#pragma once
// The JPEG application and comment markers the engine keeps: COM (comment), APP1 Exif,
// APP1 XMP and APP2 ICC (read and written through libjpeg's ICC helpers).

#include <cstddef>
#include <cstdio>

#include <jpeglib.h>

#include "engine/core/image.h"

namespace ximora::engine {

/// Asks libjpeg to keep COM, APP1 and APP2 markers; call before jpeg_read_header.
void saveJpegMarkers(jpeg_decompress_struct& cinfo);

/// Copies the first COM marker to `comment` and the Exif and XMP APP1 payloads to `metadata`
/// (ICC is read separately, it may span several markers).
void readJpegMarkers(const jpeg_decompress_struct& cinfo, std::string& comment, Metadata& metadata);

/// Writes the image's Exif, XMP, ICC and comment markers; call right after
/// jpeg_start_compress. Blocks too large for a marker are left out (Exif, XMP) or split
/// (ICC, comment).
void writeJpegMarkers(jpeg_compress_struct& cinfo, const Image& image);

}  // namespace ximora::engine
