#pragma once
// Reading and patching the few EXIF fields the engine acts on. The block is TIFF-structured
// (byte order mark, IFD0 at the header's offset), as Image::metadata.exif keeps it.
// Layout reference: https://www.cipa.jp/std/documents/e/DC-X008-Translation-2019-E.pdf

#include <cstddef>
#include <cstdint>
#include <vector>

namespace ximora::engine {

class TiffStructure;  // engine/metadata/tiff_structure.h

/// The orientation tag (274) of IFD0: 1 to 8, or 0 when absent or unreadable.
int exifOrientation(const std::vector<uint8_t>& exif);

/// Rewrites the orientation tag in place (value 1 to 8). Returns false when the block has no
/// well-formed orientation entry; the block is then unchanged.
bool setExifOrientation(std::vector<uint8_t>& exif, int orientation);

/// Horizontal and vertical dots per inch from IFD0's XResolution, YResolution and
/// ResolutionUnit (inch or centimetre). Returns false, leaving the outputs alone, when absent.
bool exifResolution(const std::vector<uint8_t>& exif, int& dpiX, int& dpiY);

/// An EXIF block as JPEG and PNG files carry it, built from a TIFF file: IFD0 holds the file's
/// orientation, make, model, software, date, artist and copyright, and pointers to copies of
/// its Exif IFD (tag 34665) and GPS IFD (tag 34853) with their out-of-line values. Empty when
/// the file has neither. The interoperability sub-directory is left out.
std::vector<uint8_t> exifBlockFromTiff(const uint8_t* file, size_t size);
/// As above, for a file read through `tiff` (only its directories and their values are read).
std::vector<uint8_t> exifBlockFromTiff(const TiffStructure& tiff);

/// Adds an EXIF block to a TIFF file written by the engine: a copy of IFD0 with the block's
/// make, model, software, date, artist and copyright (those the file lacks) and pointers to
/// the block's Exif and GPS IFDs, which follow, values converted to the file's byte order; the
/// header then points at the new IFD0. Returns false, leaving the file as it was, when either
/// structure is unreadable, the block has neither IFD or the file already has an Exif IFD.
bool appendExifToTiff(std::vector<uint8_t>& tiffFile, const std::vector<uint8_t>& exif);

}  // namespace ximora::engine
