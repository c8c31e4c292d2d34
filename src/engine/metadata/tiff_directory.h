#pragma once
// Copying TIFF directories between TIFF-structured buffers (a TIFF file, an EXIF block), with
// their out-of-line values and in the byte order of the buffer written.

#include <cstdint>
#include <vector>

#include "engine/metadata/tiff_structure.h"
#include "engine/metadata/tiff_writer.h"

namespace ximora::engine {

inline constexpr uint16_t kTagExifIfd = 34665;
inline constexpr uint16_t kTagGpsIfd = 34853;
inline constexpr uint16_t kTagInteroperabilityIfd = 40965;
inline constexpr uint16_t kTagOrientation = 274;

/// IFD0 tags that tell how the picture was made and travel with the EXIF block: make,
/// model, software, date, artist and copyright.
bool isCameraTag(uint16_t tag);

/// One entry of a directory to write: a copy of the 12-byte entry at `entry` of `from`, or,
/// without `from`, a LONG of count 1 whose value is patched later (a sub-directory pointer).
struct DirectoryEntry {
    uint16_t tag = 0;
    const TiffStructure* from = nullptr;
    uint64_t entry = 0;
};

/// The entries of the directory at `ifd` that can be copied: known types, values wholly
/// inside the buffer and at most `maxValueBytes` long, and none of the sub-directory pointers
/// (Exif, GPS, interoperability), whose targets would not come along.
std::vector<DirectoryEntry> copyableEntries(const TiffStructure& from, uint64_t ifd,
                                            uint64_t maxValueBytes = 1 << 20);

/// Appends a directory of `entries` in tag order, then their out-of-line values, to `out`,
/// values converted to out's byte order; `next` is the offset of the next directory. Returns
/// the directory's offset; `pointerSlots` receives, for each entry made without `from`, its
/// tag and the offset of its value.
uint32_t appendDirectory(TiffWriter& out, std::vector<DirectoryEntry> entries, uint32_t next,
                         std::vector<std::pair<uint16_t, size_t>>& pointerSlots);

}  // namespace ximora::engine
