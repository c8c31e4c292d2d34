#include "engine/metadata/exif.h"
#include "engine/metadata/tiff_directory.h"

namespace ximora::engine {

bool appendExifToTiff(std::vector<uint8_t>& tiffFile, const std::vector<uint8_t>& exif) {
    const TiffStructure file(tiffFile.data(), tiffFile.size());
    const TiffStructure block(exif.data(), exif.size());
    if (!file.valid() || !block.valid() || file.findEntry(kTagExifIfd)) return false;
    const uint64_t exifPointer = block.findEntry(kTagExifIfd);
    const uint64_t gpsPointer = block.findEntry(kTagGpsIfd);
    if (!exifPointer && !gpsPointer) return false;
    const uint64_t ifd0 = file.ifd0();
    const uint16_t count = file.u16(ifd0);
    if (ifd0 + 2 + uint64_t(count) * 12 + 4 > tiffFile.size()) return false;

    // The file's own IFD0 whole (strip tables can be long), then the block's IFD0 tags the
    // file does not have (camera, dates, author), then the pointers.
    std::vector<DirectoryEntry> entries = copyableEntries(file, ifd0, UINT32_MAX);
    if (entries.size() != count) return false;
    for (const DirectoryEntry& e : copyableEntries(block, block.ifd0()))
        if (isCameraTag(e.tag) && !file.findEntry(e.tag)) entries.push_back(e);
    if (exifPointer) entries.push_back({kTagExifIfd});
    if (gpsPointer) entries.push_back({kTagGpsIfd});

    TiffWriter out(file.little());
    out.bytes = tiffFile;
    std::vector<std::pair<uint16_t, size_t>> slots;
    const uint32_t newIfd0 =
        appendDirectory(out, entries, file.u32(ifd0 + 2 + uint64_t(count) * 12), slots);
    for (const auto& [tag, slot] : slots) {
        const uint64_t pointer = tag == kTagExifIfd ? exifPointer : gpsPointer;
        std::vector<std::pair<uint16_t, size_t>> none;
        out.put32At(slot,
                    appendDirectory(out, copyableEntries(block, block.u32(pointer + 8)), 0, none));
    }
    if (out.bytes.size() > UINT32_MAX) return false;
    out.put32At(4, newIfd0);
    tiffFile = std::move(out.bytes);
    return true;
}

}  // namespace ximora::engine
