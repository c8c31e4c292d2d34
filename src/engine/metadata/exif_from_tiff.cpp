#include "engine/metadata/exif.h"
#include "engine/metadata/tiff_directory.h"

namespace ximora::engine {

std::vector<uint8_t> exifBlockFromTiff(const uint8_t* file, size_t size) {
    return exifBlockFromTiff(TiffStructure(file, size));
}

std::vector<uint8_t> exifBlockFromTiff(const TiffStructure& tiff) {
    const uint64_t exifPointer = tiff.findEntry(kTagExifIfd);
    const uint64_t gpsPointer = tiff.findEntry(kTagGpsIfd);
    if (!exifPointer && !gpsPointer) return {};

    std::vector<DirectoryEntry> ifd0;
    for (const DirectoryEntry& e : copyableEntries(tiff, tiff.ifd0()))
        if (isCameraTag(e.tag) || e.tag == kTagOrientation) ifd0.push_back(e);
    if (exifPointer) ifd0.push_back({kTagExifIfd});
    if (gpsPointer) ifd0.push_back({kTagGpsIfd});

    TiffWriter out(tiff.little());
    out.bytes = {tiff.byte(0), tiff.byte(1)};
    out.u16(42), out.u32(8);
    std::vector<std::pair<uint16_t, size_t>> slots;
    appendDirectory(out, ifd0, 0, slots);
    for (const auto& [tag, slot] : slots) {
        const uint64_t pointer = tag == kTagExifIfd ? exifPointer : gpsPointer;
        std::vector<std::pair<uint16_t, size_t>> none;
        out.put32At(slot,
                    appendDirectory(out, copyableEntries(tiff, tiff.u32(pointer + 8)), 0, none));
    }
    return out.bytes;
}

}  // namespace ximora::engine
