#pragma once
// What a JPEG file's markers say before its image data, read without libjpeg: the frame's size
// and the EXIF block. For deciding how to decode a file (a first view of a large picture, an
// embedded thumbnail) before decoding it.

#include <cstddef>
#include <cstdint>

namespace ximora::engine {

struct JpegHead {
    int width = 0, height = 0;      ///< the frame's size as stored (before any EXIF turn)
    const uint8_t* exif = nullptr;  ///< the TIFF-structured block after "Exif\0\0", or none
    size_t exifSize = 0;
    bool iccProfile = false;  ///< an APP2 "ICC_PROFILE" marker comes before the frame header
};

/// Walks the markers of `data` up to the frame header. False when the data does not start as
/// a JPEG file or ends (or reaches image data) before a frame header.
bool readJpegHead(const uint8_t* data, size_t size, JpegHead& head);

}  // namespace ximora::engine
