#pragma once
// Reading and patching the few EXIF fields the engine acts on. The block is TIFF-structured
// (byte order mark, IFD0 at the header's offset), as Image::metadata.exif keeps it.
// Layout reference: https://www.cipa.jp/std/documents/e/DC-X008-Translation-2019-E.pdf

#include <cstddef>
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

/// An EXIF block as JPEG and PNG files carry it, built from a TIFF file: IFD0 holds the file's
/// orientation and a pointer to a copy of its Exif IFD (tag 34665), whose out-of-line values
/// are copied along. Empty when the file has no readable Exif IFD. Sub-directories of the
/// Exif IFD (interoperability) are left out.
std::vector<uint8_t> exifBlockFromTiff(const uint8_t* file, size_t size);

/// Adds an EXIF block's Exif IFD to a TIFF file written by the engine: a copy of IFD0 with an
/// Exif IFD pointer (tag 34665) and the Exif IFD, values converted to the file's byte order,
/// are appended and the header points at the new IFD0. Returns false, leaving the file as it
/// was, when either structure is unreadable or the file already has an Exif IFD.
bool appendExifToTiff(std::vector<uint8_t>& tiffFile, const std::vector<uint8_t>& exif);

}  // namespace ximora::engine
