#include <algorithm>
#include <cstring>

#include "engine/metadata/exif.h"
#include "engine/metadata/tiff_structure.h"
#include "engine/metadata/tiff_writer.h"

namespace ximora::engine {
namespace {

constexpr uint16_t kTagExifIfd = 34665;
constexpr uint16_t kTagInteroperabilityIfd = 40965;
constexpr uint32_t kMaxValueBytes = 1 << 20;

// Bytes per unit that swaps when the byte order changes (RATIONAL swaps its two LONGs).
unsigned swapUnit(uint16_t type) {
    switch (type) {
        case 3:
        case 8:
            return 2;
        case 4:
        case 5:
        case 9:
        case 10:
        case 11:
        case 13:
            return 4;
        case 12:
            return 8;
        default:
            return 1;
    }
}

void appendValue(std::vector<uint8_t>& out, const uint8_t* value, uint64_t bytes, unsigned unit,
                 bool swap) {
    const size_t start = out.size();
    out.insert(out.end(), value, value + bytes);
    if (swap && unit > 1)
        for (size_t at = start; at + unit <= out.size(); at += unit)
            std::reverse(out.begin() + long(at), out.begin() + long(at + unit));
}

}  // namespace

bool appendExifToTiff(std::vector<uint8_t>& tiffFile, const std::vector<uint8_t>& exif) {
    const TiffStructure file(tiffFile.data(), tiffFile.size());
    const TiffStructure block(exif.data(), exif.size());
    if (!file.valid() || !block.valid() || file.findEntry(kTagExifIfd)) return false;
    const uint64_t pointer = block.findEntry(kTagExifIfd);
    if (!pointer) return false;
    const uint64_t exifIfd = block.u32(pointer + 8);
    const uint16_t exifCount = block.u16(exifIfd);
    if (exifIfd < 8 || exifIfd + 2 + uint64_t(exifCount) * 12 + 4 > exif.size()) return false;
    const uint64_t ifd0 = file.ifd0();
    const uint16_t count = file.u16(ifd0);
    if (ifd0 + 2 + uint64_t(count) * 12 + 4 > tiffFile.size()) return false;
    const bool swap = file.little() != block.little();

    TiffWriter out(file.little());
    out.bytes = tiffFile;
    out.align();
    const uint32_t newIfd0 = uint32_t(out.bytes.size());
    const uint32_t exifAt = newIfd0 + 2 + (count + 1u) * 12 + 4;
    out.u16(count + 1u);
    bool placed = false;
    for (uint32_t i = 0; i <= count; ++i) {
        const uint64_t entry = ifd0 + 2 + uint64_t(i) * 12;
        if (!placed && (i == count || file.u16(entry) > kTagExifIfd)) {
            out.u16(kTagExifIfd), out.u16(4), out.u32(1), out.u32(exifAt);
            placed = true;
        }
        if (i < count)
            out.bytes.insert(out.bytes.end(), tiffFile.begin() + long(entry),
                             tiffFile.begin() + long(entry + 12));
    }
    out.u32(file.u32(ifd0 + 2 + uint64_t(count) * 12));

    std::vector<uint64_t> kept;
    for (uint32_t i = 0; i < exifCount; ++i) {
        const uint64_t entry = exifIfd + 2 + uint64_t(i) * 12;
        const uint64_t bytes = uint64_t(tiffTypeSize(block.u16(entry + 2))) * block.u32(entry + 4);
        const bool inside = bytes <= 4 || uint64_t(block.u32(entry + 8)) + bytes <= exif.size();
        if (block.u16(entry) != kTagInteroperabilityIfd && bytes && bytes <= kMaxValueBytes &&
            inside)
            kept.push_back(entry);
    }
    out.u16(uint32_t(kept.size()));
    std::vector<std::pair<size_t, uint64_t>>
        pending;  // offset slot in the file, entry in the block
    for (uint64_t entry : kept) {
        const uint16_t type = block.u16(entry + 2);
        const uint64_t bytes = uint64_t(tiffTypeSize(type)) * block.u32(entry + 4);
        out.u16(block.u16(entry)), out.u16(type), out.u32(block.u32(entry + 4));
        if (bytes <= 4) {
            appendValue(out.bytes, exif.data() + entry + 8, bytes, swapUnit(type), swap);
            out.bytes.resize(out.bytes.size() + 4 - size_t(bytes), 0);
        } else {
            pending.emplace_back(out.bytes.size(), entry);
            out.u32(0);
        }
    }
    out.u32(0);
    for (const auto& [slot, entry] : pending) {
        out.align();
        const uint16_t type = block.u16(entry + 2);
        const uint64_t bytes = uint64_t(tiffTypeSize(type)) * block.u32(entry + 4);
        out.put32At(slot, uint32_t(out.bytes.size()));
        appendValue(out.bytes, exif.data() + block.u32(entry + 8), bytes, swapUnit(type), swap);
    }
    if (out.bytes.size() > UINT32_MAX) return false;
    out.put32At(4, newIfd0);
    tiffFile = std::move(out.bytes);
    return true;
}

}  // namespace ximora::engine
