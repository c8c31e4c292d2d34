#include <algorithm>

#include "engine/metadata/exif.h"
#include "engine/metadata/tiff_structure.h"
#include "engine/metadata/tiff_writer.h"

namespace ximora::engine {
namespace {

constexpr uint16_t kTagOrientation = 274;
constexpr uint16_t kTagExifIfd = 34665;
constexpr uint16_t kTagInteroperabilityIfd = 40965;
constexpr uint32_t kMaxValueBytes = 1 << 20;

}  // namespace

std::vector<uint8_t> exifBlockFromTiff(const uint8_t* file, size_t size) {
    const TiffStructure tiff(file, size);
    const uint64_t pointer = tiff.findEntry(kTagExifIfd);
    if (!pointer) return {};
    const uint64_t exifIfd = tiff.u32(pointer + 8);
    const uint16_t count = tiff.u16(exifIfd);
    if (exifIfd < 8 || count == 0 || exifIfd + 2 + uint64_t(count) * 12 + 4 > size) return {};

    // Entries worth keeping: known types, values inside the file, no sub-directories.
    std::vector<uint64_t> entries;
    for (uint32_t i = 0; i < count; ++i) {
        const uint64_t entry = exifIfd + 2 + uint64_t(i) * 12;
        const uint64_t bytes = uint64_t(tiffTypeSize(tiff.u16(entry + 2))) * tiff.u32(entry + 4);
        const bool inside = bytes <= 4 || uint64_t(tiff.u32(entry + 8)) + bytes <= size;
        if (tiff.u16(entry) != kTagInteroperabilityIfd && bytes && bytes <= kMaxValueBytes &&
            inside)
            entries.push_back(entry);
    }
    const uint16_t orientation = tiff.shortValue(kTagOrientation);

    TiffWriter out(tiff.little());
    out.bytes = {tiff.data()[0], tiff.data()[1]};
    out.u16(42), out.u32(8);
    const uint16_t ifd0Entries = orientation ? 2 : 1;
    out.u16(ifd0Entries);
    if (orientation)
        out.u16(kTagOrientation), out.u16(kTiffTypeShort), out.u32(1), out.u16(orientation),
            out.u16(0);
    const uint32_t exifAt = uint32_t(8 + 2 + ifd0Entries * 12 + 4);
    out.u16(kTagExifIfd), out.u16(4), out.u32(1), out.u32(exifAt);
    out.u32(0);

    out.u16(uint32_t(entries.size()));
    std::vector<std::pair<size_t, uint64_t>> pending;  // value slot in the block, entry in the file
    for (uint64_t entry : entries) {
        out.bytes.insert(out.bytes.end(), tiff.data() + entry, tiff.data() + entry + 8);
        const uint64_t bytes = uint64_t(tiffTypeSize(tiff.u16(entry + 2))) * tiff.u32(entry + 4);
        if (bytes <= 4)
            out.bytes.insert(out.bytes.end(), tiff.data() + entry + 8, tiff.data() + entry + 12);
        else
            pending.emplace_back(out.bytes.size(), entry), out.u32(0);
    }
    out.u32(0);
    for (const auto& [slot, entry] : pending) {
        if (out.bytes.size() % 2) out.bytes.push_back(0);  // values start on a word boundary
        const uint64_t bytes = uint64_t(tiffTypeSize(tiff.u16(entry + 2))) * tiff.u32(entry + 4);
        const uint32_t from = tiff.u32(entry + 8);
        out.put32At(slot, uint32_t(out.bytes.size()));
        out.bytes.insert(out.bytes.end(), tiff.data() + from, tiff.data() + from + bytes);
    }
    return out.bytes;
}

}  // namespace ximora::engine
