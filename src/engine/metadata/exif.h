#pragma once
// Reading and patching the few EXIF fields the engine acts on. The block is TIFF-structured
// (byte order mark, IFD0 at the header's offset), as Image::metadata.exif keeps it.
// Layout reference: https://www.cipa.jp/std/documents/e/DC-X008-Translation-2019-E.pdf

#include <cstdint>
#include <vector>

namespace ximora::engine {

/// The orientation tag (274) of IFD0: 1 to 8, or 0 when absent or unreadable.
int exifOrientation(const std::vector<uint8_t>& exif);

/// Rewrites the orientation tag in place (value 1 to 8). Returns false when the block has no
/// well-formed orientation entry; the block is then unchanged.
bool setExifOrientation(std::vector<uint8_t>& exif, int orientation);

/// Horizontal and vertical dots per inch from IFD0's XResolution, YResolution and
/// ResolutionUnit (inch or centimetre). Returns false, leaving the outputs alone, when absent.
bool exifResolution(const std::vector<uint8_t>& exif, int& dpiX, int& dpiY);

}  // namespace ximora::engine
