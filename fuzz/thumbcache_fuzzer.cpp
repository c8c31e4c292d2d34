// Fuzzes the thumbnail cache file parser. Inputs shaped like a cache file get their checksums
// repaired first, so that the fuzzer reaches the entries and the packed pixels (JPEG) behind
// them, which only a lookup unpacks.
#include <zlib.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "engine/thumbs/thumbnail_cache.h"

using namespace ximora::engine;

namespace {

uint32_t le32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
uint64_t le64(const uint8_t* p) { return uint64_t(le32(p)) | uint64_t(le32(p + 4)) << 32; }
void putLe32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}
uint32_t crcOf(const uint8_t* p, size_t n) { return uint32_t(crc32(0, p, uInt(n))); }

// Repairs the header and entry checksums in place and collects the entries' file facts.
std::vector<FileEntry> repair(std::vector<uint8_t>& file) {
    std::vector<FileEntry> entries;
    if (file.size() < 24 || std::memcmp(file.data(), "XIMTHUMB", 8) != 0) return entries;
    putLe32(&file[20], crcOf(file.data(), 20));
    size_t at = 24;
    while (at + 4 <= file.size()) {
        const size_t body = le32(&file[at]);
        if (body > file.size() - at - 4 || file.size() - at - 4 - body < 4) break;
        const uint8_t* b = &file[at + 4];
        putLe32(&file[at + 4 + body], crcOf(b, body));
        const size_t nameSize = body >= 2 ? size_t(b[0] | b[1] << 8) : 0;
        if (body >= 2 + nameSize + 16) {
            FileEntry entry;
            entry.name.assign(reinterpret_cast<const char*>(b + 2), nameSize);
            entry.size = le64(b + 2 + nameSize);
            entry.mtimeNs = int64_t(le64(b + 10 + nameSize));
            entries.push_back(std::move(entry));
        }
        at += 8 + body;
    }
    return entries;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const uint32_t declared = size >= 16 ? le32(data + 12) : 100;
    const int thumbSize = declared >= 1 && declared <= 1024 ? int(declared) : 100;
    ThumbnailCache raw(thumbSize);
    raw.parse(data, size);

    std::vector<uint8_t> file(data, data + size);
    const std::vector<FileEntry> entries = repair(file);
    ThumbnailCache cache(thumbSize);
    if (!cache.parse(file.data(), file.size())) return 0;
    for (const FileEntry& entry : entries) {
        Image thumb;
        const CacheLookup expected = cache.check(entry);
        const CacheLookup found = cache.lookup(entry, thumb);
        // A lookup gives what check() promised, or drops an entry that does not unpack.
        if (found != expected && found != CacheLookup::Miss) __builtin_trap();
        if (found == CacheLookup::Ready &&
            (thumb.bitsPerPixel() != 24 || thumb.width() < 1 || thumb.width() > thumbSize ||
             thumb.height() < 1 || thumb.height() > thumbSize))
            __builtin_trap();
    }
    // What was accepted must survive a round trip unchanged.
    const std::vector<uint8_t> again = cache.serialise();
    ThumbnailCache reread(thumbSize);
    if (!reread.parse(again.data(), again.size()) || reread.serialise() != again) __builtin_trap();
    return 0;
}
