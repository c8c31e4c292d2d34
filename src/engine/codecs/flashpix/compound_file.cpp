// Compound file reader: [MS-CFB]
// https://learn.microsoft.com/en-us/openspecs/windows_protocols/ms-cfb/
#include "engine/codecs/flashpix/compound_file.h"

#include <algorithm>
#include <cstring>

#include "engine/core/error.h"
#include "engine/core/image.h"
#include "engine/io/bytes.h"

namespace ximora::engine {
namespace {

using namespace cfb;

constexpr size_t kHeaderSize = 512;

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return 0;
}

char upperAscii(char c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c; }

}  // namespace

ClassId classIdFromText(std::string_view text) {
    // Hex digits in text order; the first three fields are stored byte-reversed.
    uint8_t bytes[16] = {};
    size_t n = 0;
    for (size_t i = 0; i + 1 < text.size() && n < 16; ++i) {
        if (text[i] == '-') continue;
        bytes[n++] = uint8_t(hexDigit(text[i]) << 4 | hexDigit(text[i + 1]));
        ++i;
    }
    return ClassId{bytes[3],  bytes[2],  bytes[1],  bytes[0], bytes[5],  bytes[4],
                   bytes[7],  bytes[6],  bytes[8],  bytes[9], bytes[10], bytes[11],
                   bytes[12], bytes[13], bytes[14], bytes[15]};
}

bool CompoundFile::hasSignature(const uint8_t* data, size_t size) {
    return size >= sizeof kSignature && std::memcmp(data, kSignature, sizeof kSignature) == 0;
}

bool CompoundFile::open(const uint8_t* data, size_t size) {
    data_ = data;
    size_ = size;
    entries_.clear();
    if (!hasSignature(data, size)) return fail(kErrBadFile);
    if (size < kHeaderSize) return fail(kErrCannotRead);
    return readHeader() && readFat() && readDirectory() && collectChildren();
}

bool CompoundFile::readHeader() {
    const uint8_t* h = data_;
    if (readLe16(h + 28) != 0xFFFE) return fail(kErrFileBroken);
    sectorShift_ = readLe16(h + 30);
    if ((sectorShift_ != 9 && sectorShift_ != 12) || readLe16(h + 32) != kMiniShift)
        return fail(kErrFileBroken);
    version4_ = sectorShift_ == 12;
    sectorSize_ = uint64_t(1) << sectorShift_;
    if (size_ <= sectorSize_) return fail(kErrCannotRead);
    sectorCount_ = (size_ - sectorSize_ + sectorSize_ - 1) / sectorSize_;
    fatSectors_ = readLe32(h + 44);
    firstDirectory_ = readLe32(h + 48);
    miniCutoff_ = readLe32(h + 56);
    firstMiniFat_ = readLe32(h + 60);
    miniFatSectors_ = readLe32(h + 64);
    firstDifat_ = readLe32(h + 68);
    difatSectors_ = readLe32(h + 72);
    // The cutoff is fixed at 4096 by the format; other values are taken as written by
    // writers that knew better only when they are sane.
    if (miniCutoff_ == 0 || miniCutoff_ > (1u << 20)) miniCutoff_ = 4096;
    if (fatSectors_ == 0 || fatSectors_ > sectorCount_) return fail(kErrFileBroken);
    return true;
}

bool CompoundFile::readFat() {
    // The FAT's own sectors: 109 in the header, the rest in the DIFAT chain.
    std::vector<uint32_t> fatSectors;
    fatSectors.reserve(fatSectors_);
    for (size_t i = 0; i < kHeaderDifatEntries && fatSectors.size() < fatSectors_; ++i)
        fatSectors.push_back(readLe32(data_ + 76 + 4 * i));
    const uint64_t perSector = sectorSize_ / 4;
    uint32_t difat = firstDifat_;
    for (uint64_t visited = 0; fatSectors.size() < fatSectors_; ++visited) {
        if (difat >= sectorCount_ || visited > sectorCount_) return fail(kErrFileBroken);
        const uint64_t at = sectorOffset(difat);
        if (at + sectorSize_ > size_) return fail(kErrCannotRead);
        for (uint64_t i = 0; i + 1 < perSector && fatSectors.size() < fatSectors_; ++i)
            fatSectors.push_back(readLe32(data_ + at + 4 * i));
        difat = readLe32(data_ + at + 4 * (perSector - 1));
    }
    fat_.assign(size_t(fatSectors_ * perSector), kNoStream);
    for (size_t i = 0; i < fatSectors.size(); ++i) {
        if (fatSectors[i] >= sectorCount_) return fail(kErrFileBroken);
        const uint64_t at = sectorOffset(fatSectors[i]);
        const uint64_t available = std::min<uint64_t>(sectorSize_, size_ - at);
        for (uint64_t j = 0; j + 4 <= available; j += 4)
            fat_[size_t(i * perSector + j / 4)] = readLe32(data_ + at + j);
    }
    return true;
}

bool CompoundFile::chain(const std::vector<uint32_t>& table, uint32_t start, uint64_t bytes,
                         unsigned shift, uint64_t sectorCount, std::vector<uint32_t>& out) const {
    out.clear();
    const uint64_t wanted = bytes ? (bytes + (uint64_t(1) << shift) - 1) >> shift : UINT64_MAX;
    uint32_t sector = start;
    while (out.size() < wanted && sector != kEndOfChain) {
        // A chain longer than the sectors there are has a loop in it.
        if (sector > kMaxRegularSector || sector >= table.size() || out.size() >= sectorCount)
            return fail(kErrFileBroken);
        if (sector >= sectorCount) return fail(kErrCannotRead);
        out.push_back(sector);
        sector = table[sector];
    }
    if (out.size() < wanted && bytes) return fail(kErrFileBroken);
    return true;
}

bool CompoundFile::readRegular(uint32_t start, uint64_t size, std::vector<uint8_t>& out) const {
    std::vector<uint32_t> sectors;
    if (!chain(fat_, start, size, sectorShift_, sectorCount_, sectors)) return false;
    if (!size) size = uint64_t(sectors.size()) * sectorSize_;
    out.resize(size_t(size));
    uint64_t done = 0;
    for (uint32_t sector : sectors) {
        const uint64_t at = sectorOffset(sector);
        const uint64_t count = std::min(sectorSize_, size - done);
        if (at + count > size_) return fail(kErrCannotRead);
        std::memcpy(out.data() + done, data_ + at, size_t(count));
        done += count;
    }
    return true;
}

bool CompoundFile::readDirectory() {
    std::vector<uint8_t> directory;
    if (!readRegular(firstDirectory_, 0, directory)) return false;
    const size_t count = directory.size() / kEntrySize;
    if (count == 0) return fail(kErrFileBroken);
    entries_.resize(count);
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* e = directory.data() + i * kEntrySize;
        Entry& entry = entries_[i];
        entry.type = e[66];
        const size_t units = std::min<size_t>(readLe16(e + 64) / 2, 32);
        for (size_t u = 0; u < units; ++u) {
            const uint16_t c = readLe16(e + 2 * u);
            if (c == 0) break;
            entry.name.push_back(c < 0x80 ? char(c) : '?');
        }
        entry.left = readLe32(e + 68);
        entry.right = readLe32(e + 72);
        entry.child = readLe32(e + 76);
        std::memcpy(entry.classId.data(), e + 80, 16);
        entry.start = readLe32(e + 116);
        // Version 3 files keep only 32 bits of size; the high half is often junk.
        entry.size = readLe32(e + 120) | (version4_ ? uint64_t(readLe32(e + 124)) << 32 : 0);
        if (entry.type != kStorage && entry.type != kStream && entry.type != kRoot) entry.type = 0;
    }
    if (entries_[0].type != kRoot) return fail(kErrFileBroken);

    // The mini stream lives in the root's chain, the mini FAT in its own.
    std::vector<uint8_t> table;
    const uint64_t miniFatBytes = uint64_t(miniFatSectors_) * sectorSize_;
    if (miniFatSectors_ && firstMiniFat_ != kEndOfChain) {
        if (miniFatBytes > size_) return fail(kErrFileBroken);
        if (!readRegular(firstMiniFat_, miniFatBytes, table)) return false;
    }
    miniFat_.resize(table.size() / 4);
    for (size_t i = 0; i < miniFat_.size(); ++i) miniFat_[i] = readLe32(table.data() + 4 * i);
    const Entry& root = entries_[0];
    if (!miniFat_.empty() && root.start != kEndOfChain) {
        // The root's size may be junk; the mini stream is never larger than the file.
        const uint64_t miniSize = std::min<uint64_t>(root.size & 0xFFFFFFFF, size_);
        if (!readRegular(root.start, miniSize, miniStream_)) return false;
    }
    return true;
}

bool CompoundFile::collectChildren() {
    // Each entry belongs to at most one storage; an entry met twice (a loop, or two parents)
    // is left out the second time.
    std::vector<bool> seen(entries_.size(), false);
    seen[0] = true;
    std::vector<int> storages{0};
    std::vector<uint32_t> stack;
    for (size_t s = 0; s < storages.size(); ++s) {
        Entry& storage = entries_[size_t(storages[s])];
        stack.assign(1, storage.child);
        while (!stack.empty()) {
            const uint32_t id = stack.back();
            stack.pop_back();
            if (id >= entries_.size() || seen[id] || entries_[id].type == 0 ||
                entries_[id].type == kRoot)
                continue;
            seen[id] = true;
            const Entry& entry = entries_[id];
            stack.push_back(entry.right);
            stack.push_back(entry.left);
            storage.children.push_back(int(id));
            if (entry.type == kStorage) storages.push_back(int(id));
        }
        std::sort(storage.children.begin(), storage.children.end());
    }
    return true;
}

int CompoundFile::child(int storage, std::string_view name) const {
    for (int id : children(storage)) {
        const std::string& own = entries_[size_t(id)].name;
        if (own.size() == name.size() &&
            std::equal(own.begin(), own.end(), name.begin(),
                       [](char a, char b) { return upperAscii(a) == upperAscii(b); }))
            return id;
    }
    return kNoEntry;
}

bool CompoundFile::read(int id, std::vector<uint8_t>& out) const {
    const Entry& entry = entries_[size_t(id)];
    if (entry.type != kStream) return fail(kErrFileBroken);
    if (entry.size > memoryLimit()) return fail(kErrMemory);
    if (entry.size == 0) {
        out.clear();
        return true;
    }
    if (entry.size >= miniCutoff_) {
        if (entry.size > size_) return fail(kErrFileBroken);
        return readRegular(entry.start, entry.size, out);
    }
    std::vector<uint32_t> sectors;
    const uint64_t miniSectors = miniStream_.size() >> kMiniShift;
    if (!chain(miniFat_, entry.start, entry.size, kMiniShift, miniSectors, sectors)) return false;
    out.resize(size_t(entry.size));
    uint64_t done = 0;
    for (uint32_t sector : sectors) {
        const uint64_t count = std::min<uint64_t>(uint64_t(1) << kMiniShift, entry.size - done);
        std::memcpy(out.data() + done, miniStream_.data() + (uint64_t(sector) << kMiniShift),
                    size_t(count));
        done += count;
    }
    return true;
}

}  // namespace ximora::engine
