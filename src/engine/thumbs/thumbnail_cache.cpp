#include "engine/thumbs/thumbnail_cache.h"

#include <zlib.h>

#include <cstring>
#include <filesystem>
#include <set>
#include <string_view>

#include "engine/core/error.h"
#include "engine/io/atomic_file.h"
#include "engine/io/file_io.h"
#include "engine/thumbs/pixel_packing.h"

// Cache file layout, all numbers little-endian:
//   header  "XIMTHUMB", u32 version (4), u32 thumbnail size, u32 entry count,
//           u16 folder length, the folder's bytes (empty for a cache kept beside the images),
//           u32 CRC-32 of the header bytes before it
//   entry   u32 body length, body, u32 CRC-32 of the body
//   body    u16 name length, name bytes, u64 file size, i64 modification time (ns),
//           u8 state (0 thumbnail, 1 failed), u16 width, u16 height, u32 packed length,
//           packed pixels (pixel_packing.h, a JPEG; none for a failed entry)
// The file ends right after the last entry. Any deviation makes the whole file count as
// damaged: a cache is only a copy, and rebuilding it is always safe. Version 1 held deflated
// RGB, version 2 thumbnails not yet converted to sRGB, version 3 no folder; such files are not
// read and get rewritten. Loading checks the structure and checksums
// only; packed pixels that do not decode are found by lookup(), which drops that entry.

namespace ximora::engine {
namespace {

constexpr std::string_view kMagic = "XIMTHUMB";
constexpr uint32_t kVersion = 4;
// The header's fixed part: magic, version, size, count, folder length.
constexpr size_t kHeaderFixed = 22;
// Fixed part of a body: name length, file size, time, state, width, height, packed length.
constexpr size_t kBodyFixed = 2 + 8 + 8 + 1 + 2 + 2 + 4;
// Cache files hold small thumbnails; anything past this is not one of ours.
constexpr uint64_t kMaxFileBytes = uint64_t(1) << 30;

class Writer {
  public:
    explicit Writer(std::vector<uint8_t>& out) : out_(out) {}
    void u8(uint8_t v) { out_.push_back(v); }
    void u16(uint16_t v) { number(v, 2); }
    void u32(uint32_t v) { number(v, 4); }
    void u64(uint64_t v) { number(v, 8); }
    void bytes(const void* data, size_t size) {
        const auto* p = static_cast<const uint8_t*>(data);
        out_.insert(out_.end(), p, p + size);
    }

  private:
    void number(uint64_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) out_.push_back(uint8_t(v >> (8 * i)));
    }
    std::vector<uint8_t>& out_;
};

class Reader {
  public:
    Reader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    size_t left() const { return size_ - at_; }
    const uint8_t* here() const { return data_ + at_; }
    bool skip(size_t n) {
        if (n > left()) return false;
        at_ += n;
        return true;
    }
    bool u8(uint8_t& v) { return number(v, 1); }
    bool u16(uint16_t& v) { return number(v, 2); }
    bool u32(uint32_t& v) { return number(v, 4); }
    bool u64(uint64_t& v) { return number(v, 8); }

  private:
    template <typename T>
    bool number(T& v, int bytes) {
        if (size_t(bytes) > left()) return false;
        uint64_t value = 0;
        for (int i = 0; i < bytes; ++i) value |= uint64_t(data_[at_ + size_t(i)]) << (8 * i);
        at_ += size_t(bytes);
        v = T(value);
        return true;
    }
    const uint8_t* data_;
    size_t size_;
    size_t at_ = 0;
};

uint32_t crcOf(const uint8_t* data, size_t size) {
    return uint32_t(crc32(crc32(0, nullptr, 0), data, uInt(size)));
}

}  // namespace

ThumbnailCache::ThumbnailCache(int size, std::string_view folder)
    : size_(size), folder_(folder.size() <= 0xFFFF ? std::string(folder) : std::string()) {}

bool recordedCacheFolder(const std::string& path, std::string& folder) {
    std::vector<uint8_t> head;
    if (!readFileHead(path, kHeaderFixed + 0xFFFF + 4, head)) return false;
    Reader in(head.data(), head.size());
    uint32_t version = 0, size = 0, count = 0, crc = 0;
    uint16_t folderSize = 0;
    if (head.size() < kHeaderFixed + 4 ||
        std::memcmp(head.data(), kMagic.data(), kMagic.size()) != 0)
        return false;
    in.skip(kMagic.size());
    in.u32(version), in.u32(size), in.u32(count), in.u16(folderSize);
    const auto* text = reinterpret_cast<const char*>(in.here());
    if (version != kVersion || !in.skip(folderSize) || !in.u32(crc) ||
        crc != crcOf(head.data(), kHeaderFixed + folderSize))
        return false;
    folder.assign(text, folderSize);
    return true;
}

size_t ThumbnailCache::count() const {
    std::lock_guard lock(mutex_);
    return entries_.size();
}

bool ThumbnailCache::changed() const {
    std::lock_guard lock(mutex_);
    return changed_;
}

bool ThumbnailCache::load(const std::string& path) {
    std::vector<uint8_t> bytes;
    std::error_code ec;
    const bool tooLarge = std::filesystem::file_size(path, ec) > kMaxFileBytes && !ec;
    if (tooLarge || !readWholeFile(path, bytes)) {
        const int error = tooLarge ? kErrFileBroken : lastError();
        std::lock_guard lock(mutex_);
        entries_.clear();
        // An unreadable file is rewritten like a damaged one; a missing one simply is not there.
        changed_ = error != kErrFileNotFound;
        return fail(error == kErrFileNotFound ? kErrFileNotFound : kErrFileBroken);
    }
    return parseShared(std::make_shared<const std::vector<uint8_t>>(std::move(bytes)));
}

bool ThumbnailCache::parse(const uint8_t* data, size_t size) {
    return parseShared(std::make_shared<const std::vector<uint8_t>>(data, data + size));
}

bool ThumbnailCache::parseShared(std::shared_ptr<const std::vector<uint8_t>> file) {
    const uint8_t* data = file->data();
    const size_t size = file->size();
    std::map<std::string, Entry> parsed;
    const auto damaged = [&] {
        std::lock_guard lock(mutex_);
        entries_.clear();
        changed_ = true;
        return fail(kErrFileBroken);
    };
    Reader in(data, size);
    uint32_t version = 0, thumbSize = 0, count = 0, headerCrc = 0;
    uint16_t folderSize = 0;
    if (size < kHeaderFixed + 4 || std::memcmp(data, kMagic.data(), kMagic.size()) != 0)
        return damaged();
    in.skip(kMagic.size());
    in.u32(version), in.u32(thumbSize), in.u32(count), in.u16(folderSize);
    const auto* folder = reinterpret_cast<const char*>(in.here());
    if (version != kVersion || !in.skip(folderSize) || !in.u32(headerCrc) ||
        headerCrc != crcOf(data, kHeaderFixed + folderSize) || thumbSize != uint32_t(size_))
        return damaged();
    // Another folder's cache under the same name (two folders whose names encode alike) is not
    // this folder's: nothing of it is shown here.
    if (!folder_.empty() && std::string_view(folder, folderSize) != folder_) return damaged();
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t bodySize = 0, bodyCrc = 0;
        if (!in.u32(bodySize) || bodySize < kBodyFixed || bodySize > in.left()) return damaged();
        const uint8_t* body = in.here();
        in.skip(bodySize);
        if (!in.u32(bodyCrc) || bodyCrc != crcOf(body, bodySize)) return damaged();

        Reader b(body, bodySize);
        uint16_t nameSize = 0, width = 0, height = 0;
        uint64_t fileSize = 0, mtime = 0;
        uint8_t state = 0;
        uint32_t packedSize = 0;
        b.u16(nameSize);
        const auto* name = reinterpret_cast<const char*>(b.here());
        if (nameSize == 0 || !b.skip(nameSize) || !b.u64(fileSize) || !b.u64(mtime) ||
            !b.u8(state) || !b.u16(width) || !b.u16(height) || !b.u32(packedSize) ||
            packedSize != b.left())
            return damaged();
        Entry entry{fileSize, int64_t(mtime), state == 1, width, height, nullptr, 0, 0};
        if (state == 0) {
            if (width < 1 || height < 1 || width > size_ || height > size_ ||
                !looksPacked(b.here(), packedSize))
                return damaged();
            entry.owner = file;
            entry.packedAt = size_t(b.here() - data);
            entry.packedSize = packedSize;
        } else if (state != 1 || width != 0 || height != 0 || packedSize != 0) {
            return damaged();
        }
        if (!parsed.emplace(std::string(name, nameSize), std::move(entry)).second) return damaged();
    }
    if (in.left() != 0) return damaged();
    std::lock_guard lock(mutex_);
    entries_ = std::move(parsed);
    changed_ = false;
    return true;
}

std::vector<uint8_t> ThumbnailCache::serialise() const {
    std::lock_guard lock(mutex_);
    std::vector<uint8_t> out(kMagic.begin(), kMagic.end());
    Writer w(out);
    w.u32(kVersion);
    w.u32(uint32_t(size_));
    w.u32(uint32_t(entries_.size()));
    w.u16(uint16_t(folder_.size()));
    w.bytes(folder_.data(), folder_.size());
    w.u32(crcOf(out.data(), out.size()));
    std::vector<uint8_t> body;
    for (const auto& [name, entry] : entries_) {
        body.clear();
        Writer b(body);
        b.u16(uint16_t(name.size()));
        b.bytes(name.data(), name.size());
        b.u64(entry.fileSize);
        b.u64(uint64_t(entry.mtimeNs));
        b.u8(entry.failed ? 1 : 0);
        b.u16(entry.width);
        b.u16(entry.height);
        b.u32(uint32_t(entry.packedSize));
        if (entry.packedSize) b.bytes(entry.packed(), entry.packedSize);
        w.u32(uint32_t(body.size()));
        w.bytes(body.data(), body.size());
        w.u32(crcOf(body.data(), body.size()));
    }
    return out;
}

bool ThumbnailCache::save(const std::string& path, bool always) {
    if (!always && !changed()) return true;
    const std::vector<uint8_t> bytes = serialise();
    if (!writeFileAtomically(path, bytes.data(), bytes.size())) return false;
    std::lock_guard lock(mutex_);
    changed_ = false;
    return true;
}

CacheLookup ThumbnailCache::check(const FileEntry& file) const {
    std::lock_guard lock(mutex_);
    const auto it = entries_.find(file.name);
    if (it == entries_.end() || it->second.fileSize != file.size ||
        it->second.mtimeNs != file.mtimeNs)
        return CacheLookup::Miss;
    return it->second.failed ? CacheLookup::Failed : CacheLookup::Ready;
}

CacheLookup ThumbnailCache::lookup(const FileEntry& file, Image& thumb) {
    Entry entry;
    {
        std::lock_guard lock(mutex_);
        const auto it = entries_.find(file.name);
        if (it == entries_.end()) return CacheLookup::Miss;
        entry = it->second;
    }
    if (entry.fileSize != file.size || entry.mtimeNs != file.mtimeNs) return CacheLookup::Miss;
    if (entry.failed) return CacheLookup::Failed;
    // Unpacking runs outside the lock so that workers do it side by side.
    if (unpackPixels(entry.packed(), entry.packedSize, entry.width, entry.height, thumb))
        return CacheLookup::Ready;
    {
        // Unless a worker stored a new thumbnail meanwhile, the damaged entry goes.
        std::lock_guard lock(mutex_);
        const auto it = entries_.find(file.name);
        if (it != entries_.end() && it->second.owner == entry.owner &&
            it->second.packedAt == entry.packedAt) {
            entries_.erase(it);
            changed_ = true;
        }
    }
    fail(kErrFileBroken);
    return CacheLookup::Miss;
}

void ThumbnailCache::store(const FileEntry& file, const Image& thumb) {
    if ((thumb.bitsPerPixel() != 24 && thumb.bitsPerPixel() != 32) || thumb.width() > size_ ||
        thumb.height() > size_ || thumb.width() < 1 || thumb.height() < 1 || file.name.empty() ||
        file.name.size() > 0xFFFF)
        return;
    auto packed = std::make_shared<std::vector<uint8_t>>();
    if (!packPixels(thumb, *packed)) return;
    const size_t packedSize = packed->size();
    put(file.name, Entry{file.size, file.mtimeNs, false, uint16_t(thumb.width()),
                         uint16_t(thumb.height()), std::move(packed), 0, packedSize});
}

void ThumbnailCache::storeFailure(const FileEntry& file) {
    if (file.name.empty() || file.name.size() > 0xFFFF) return;
    put(file.name, Entry{file.size, file.mtimeNs, true, 0, 0, nullptr, 0, 0});
}

void ThumbnailCache::put(const std::string& name, Entry entry) {
    std::lock_guard lock(mutex_);
    entries_[name] = std::move(entry);
    changed_ = true;
}

void ThumbnailCache::retain(const std::vector<FileEntry>& files) {
    std::set<std::string_view> keep;
    for (const FileEntry& f : files) keep.insert(f.name);
    std::lock_guard lock(mutex_);
    for (auto it = entries_.begin(); it != entries_.end();) {
        if (keep.count(it->first)) {
            ++it;
        } else {
            it = entries_.erase(it);
            changed_ = true;
        }
    }
}

}  // namespace ximora::engine
