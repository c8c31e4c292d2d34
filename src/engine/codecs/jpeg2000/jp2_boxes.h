#pragma once
// The metadata boxes of JP2 files that OpenJPEG does not handle: EXIF and XMP in uuid boxes
// (ISO/IEC 15444-1 Annex I.7.2), with the identifiers that common practice uses.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/core/image.h"

namespace ximora::engine {

class ByteSource;  // engine/io/byte_source.h

/// Reads the EXIF and XMP uuid boxes among the top-level boxes of a JP2 file into `metadata`
/// (an EXIF block with a leading "Exif\0\0" is taken as well). Malformed boxes end the search.
/// Only the box headers and the metadata boxes themselves are read.
void readJp2MetadataBoxes(ByteSource& source, Metadata& metadata);

/// Adds `metadata` to a JP2 file written by OpenJPEG: an ICC profile replaces the colour
/// box's enumerated space (method 2 instead of 1), EXIF and XMP go into uuid boxes
/// before the codestream box. Returns false, leaving the file alone, when its boxes are not
/// as OpenJPEG writes them.
bool addJp2Metadata(std::vector<uint8_t>& file, const Metadata& metadata);

}  // namespace ximora::engine
