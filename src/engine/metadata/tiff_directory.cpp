#include "engine/metadata/tiff_directory.h"

#include <algorithm>

namespace ximora::engine {
namespace {

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

uint64_t valueBytes(const TiffStructure& from, uint64_t entry) {
    return uint64_t(tiffTypeSize(from.u16(entry + 2))) * from.u32(entry + 4);
}

void appendValue(TiffWriter& out, const TiffStructure& from, uint64_t at, uint64_t bytes,
                 uint16_t type) {
    const size_t start = out.bytes.size();
    out.bytes.resize(start + size_t(bytes));
    if (!from.copy(at, bytes, out.bytes.data() + start))
        std::fill(out.bytes.begin() + long(start), out.bytes.end(), 0);
    const unsigned unit = swapUnit(type);
    if (from.little() != out.little() && unit > 1)
        for (size_t i = start; i + unit <= out.bytes.size(); i += unit)
            std::reverse(out.bytes.begin() + long(i), out.bytes.begin() + long(i + unit));
}

}  // namespace

bool isCameraTag(uint16_t tag) {
    static constexpr uint16_t kTags[] = {271, 272, 305, 306, 315, 33432};
    return std::find(std::begin(kTags), std::end(kTags), tag) != std::end(kTags);
}

std::vector<DirectoryEntry> copyableEntries(const TiffStructure& from, uint64_t ifd,
                                            uint64_t maxValueBytes) {
    std::vector<DirectoryEntry> entries;
    const uint16_t count = from.u16(ifd);
    if (ifd < 8 || ifd + 2 + uint64_t(count) * 12 > from.size()) return entries;
    for (uint32_t i = 0; i < count; ++i) {
        const uint64_t entry = ifd + 2 + uint64_t(i) * 12;
        const uint16_t tag = from.u16(entry);
        const uint64_t bytes = valueBytes(from, entry);
        const bool inside = bytes <= 4 || uint64_t(from.u32(entry + 8)) + bytes <= from.size();
        if (tag != kTagExifIfd && tag != kTagGpsIfd && tag != kTagInteroperabilityIfd && bytes &&
            bytes <= maxValueBytes && inside)
            entries.push_back({tag, &from, entry});
    }
    return entries;
}

uint32_t appendDirectory(TiffWriter& out, std::vector<DirectoryEntry> entries, uint32_t next,
                         std::vector<std::pair<uint16_t, size_t>>& pointerSlots) {
    std::stable_sort(
        entries.begin(), entries.end(),
        [](const DirectoryEntry& a, const DirectoryEntry& b) { return a.tag < b.tag; });
    out.align();
    const auto at = uint32_t(out.bytes.size());
    out.u16(uint32_t(entries.size()));
    std::vector<std::pair<size_t, const DirectoryEntry*>> pending;  // value slot, entry
    for (const DirectoryEntry& e : entries) {
        if (!e.from) {
            out.u16(e.tag), out.u16(4), out.u32(1);
            pointerSlots.emplace_back(e.tag, out.bytes.size());
            out.u32(0);
            continue;
        }
        const uint16_t type = e.from->u16(e.entry + 2);
        const uint64_t bytes = valueBytes(*e.from, e.entry);
        out.u16(e.tag), out.u16(type), out.u32(e.from->u32(e.entry + 4));
        if (bytes <= 4) {
            appendValue(out, *e.from, e.entry + 8, bytes, type);
            out.bytes.resize(out.bytes.size() + 4 - size_t(bytes), 0);
        } else {
            pending.emplace_back(out.bytes.size(), &e);
            out.u32(0);
        }
    }
    out.u32(next);
    for (const auto& [slot, e] : pending) {
        out.align();
        out.put32At(slot, uint32_t(out.bytes.size()));
        const uint16_t type = e->from->u16(e->entry + 2);
        appendValue(out, *e->from, e->from->u32(e->entry + 8), valueBytes(*e->from, e->entry),
                    type);
    }
    return at;
}

}  // namespace ximora::engine
