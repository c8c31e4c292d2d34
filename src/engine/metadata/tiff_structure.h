#pragma once
// Bounds-checked reading of TIFF-structured data (a TIFF file or an EXIF block): byte order
// mark, IFD0 at the header's offset, 12-byte directory entries. Every read past the end gives 0.
// The data lies in memory, or in a file read through a callback a small page at a time, so that
// the directories of a large file are read without the file.
// Layout reference: https://www.itu.int/itudoc/itu-t/com16/tiff-fx/docs/tiff6.pdf

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <unordered_map>

namespace ximora::engine {

inline constexpr uint16_t kTiffTypeShort = 3;
inline constexpr uint16_t kTiffTypeRational = 5;

/// Reads up to `length` bytes at `offset` into `out`; returns how many it read.
using ReadAt = std::function<size_t(uint64_t offset, void* out, size_t length)>;

/// Reads TIFF-structured data in its own byte order.
class TiffStructure {
  public:
    /// Data in memory, which must outlive the reader.
    TiffStructure(const uint8_t* data, size_t size) : b_(data, size), size_(size) { readHeader(); }
    /// `size` bytes read through `read` as they are asked for.
    TiffStructure(ReadAt read, uint64_t size) : read_(std::move(read)), size_(size) {
        readHeader();
    }
    bool valid() const { return valid_; }
    bool little() const { return little_; }

    uint8_t byte(uint64_t at) const {
        if (at >= size_) return 0;
        if (!read_) return b_[at];
        return page(at / kPage)[at % kPage];
    }
    uint16_t u16(uint64_t at) const {
        if (at + 2 > size_) return 0;
        const uint8_t a = byte(at), b = byte(at + 1);
        return little_ ? uint16_t(a | b << 8) : uint16_t(a << 8 | b);
    }
    uint32_t u32(uint64_t at) const {
        if (at + 4 > size_) return 0;
        return little_ ? uint32_t(u16(at)) | uint32_t(u16(at + 2)) << 16
                       : uint32_t(u16(at)) << 16 | uint32_t(u16(at + 2));
    }
    /// Copies `length` bytes at `at` to `out`; false (out unspecified) past the end.
    bool copy(uint64_t at, uint64_t length, uint8_t* out) const;

    uint32_t ifd0() const { return ifd0_; }
    uint64_t size() const { return size_; }

    /// Offset of the 12-byte entry for `tag` in the IFD at `ifd` (IFD0 by default), or 0.
    uint64_t findEntry(uint16_t tag, uint64_t ifd = 0) const {
        if (!valid_) return 0;
        if (!ifd) ifd = ifd0_;
        const uint16_t count = u16(ifd);
        for (uint32_t i = 0; i < count; ++i) {
            const uint64_t entry = ifd + 2 + uint64_t(i) * 12;
            if (entry + 12 > size_) return 0;
            if (u16(entry) == tag) return entry;
        }
        return 0;
    }

    /// A SHORT value of count 1, or 0 when absent or of another type.
    uint16_t shortValue(uint16_t tag) const {
        const uint64_t entry = findEntry(tag);
        if (!entry || u16(entry + 2) != kTiffTypeShort || u32(entry + 4) != 1) return 0;
        return u16(entry + 8);
    }

    /// A RATIONAL value, or a negative number when absent or malformed.
    double rationalValue(uint16_t tag) const {
        const uint64_t entry = findEntry(tag);
        if (!entry || u16(entry + 2) != kTiffTypeRational || u32(entry + 4) != 1) return -1;
        const uint64_t at = u32(entry + 8);
        if (at + 8 > size_) return -1;
        const uint32_t den = u32(at + 4);
        return den ? double(u32(at)) / den : -1;
    }

  private:
    static constexpr uint64_t kPage = 4096;
    using Page = std::array<uint8_t, kPage>;

    void readHeader() {
        if (size_ < 8) return;
        const uint8_t a = byte(0), b = byte(1);
        if (a == 'I' && b == 'I')
            little_ = true;
        else if (a == 'M' && b == 'M')
            little_ = false;
        else
            return;
        if (u16(2) != 42) return;
        ifd0_ = u32(4);
        valid_ = ifd0_ >= 8 && uint64_t(ifd0_) + 2 <= size_;
    }
    const Page& page(uint64_t index) const;

    std::span<const uint8_t> b_;
    ReadAt read_;
    uint64_t size_ = 0;
    mutable std::unordered_map<uint64_t, Page> pages_;  // what was read of a file
    bool little_ = true;
    bool valid_ = false;
    uint32_t ifd0_ = 0;
};

/// Bytes of one value of TIFF field type `type` (1 to 13), or 0 for an unknown type.
inline unsigned tiffTypeSize(uint16_t type) {
    static constexpr unsigned kSizes[] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8, 4};
    return type < 14 ? kSizes[type] : 0;
}

}  // namespace ximora::engine
