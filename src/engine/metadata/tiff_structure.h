#pragma once
// Bounds-checked reading of TIFF-structured data (a TIFF file or an EXIF block): byte order
// mark, IFD0 at the header's offset, 12-byte directory entries. Every read past the end gives 0.
// Layout reference: https://www.itu.int/itudoc/itu-t/com16/tiff-fx/docs/tiff6.pdf

#include <cstddef>
#include <cstdint>
#include <span>

namespace ximora::engine {

inline constexpr uint16_t kTiffTypeShort = 3;
inline constexpr uint16_t kTiffTypeRational = 5;

/// Reads a TIFF-structured buffer (which must outlive it) in its own byte order.
class TiffStructure {
  public:
    TiffStructure(const uint8_t* data, size_t size) : b_(data, size) {
        if (b_.size() < 8) return;
        if (b_[0] == 'I' && b_[1] == 'I')
            little_ = true;
        else if (b_[0] == 'M' && b_[1] == 'M')
            little_ = false;
        else
            return;
        if (u16(2) != 42) return;
        ifd0_ = u32(4);
        valid_ = ifd0_ >= 8 && uint64_t(ifd0_) + 2 <= b_.size();
    }
    bool valid() const { return valid_; }
    bool little() const { return little_; }

    uint16_t u16(uint64_t at) const {
        if (at + 2 > b_.size()) return 0;
        return little_ ? uint16_t(b_[at] | b_[at + 1] << 8) : uint16_t(b_[at] << 8 | b_[at + 1]);
    }
    uint32_t u32(uint64_t at) const {
        if (at + 4 > b_.size()) return 0;
        return little_ ? uint32_t(u16(at)) | uint32_t(u16(at + 2)) << 16
                       : uint32_t(u16(at)) << 16 | uint32_t(u16(at + 2));
    }

    uint32_t ifd0() const { return ifd0_; }
    size_t size() const { return b_.size(); }
    const uint8_t* data() const { return b_.data(); }

    /// Offset of the 12-byte entry for `tag` in the IFD at `ifd` (IFD0 by default), or 0.
    uint64_t findEntry(uint16_t tag, uint64_t ifd = 0) const {
        if (!valid_) return 0;
        if (!ifd) ifd = ifd0_;
        const uint16_t count = u16(ifd);
        for (uint32_t i = 0; i < count; ++i) {
            const uint64_t entry = ifd + 2 + uint64_t(i) * 12;
            if (entry + 12 > b_.size()) return 0;
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
        if (at + 8 > b_.size()) return -1;
        const uint32_t den = u32(at + 4);
        return den ? double(u32(at)) / den : -1;
    }

  private:
    std::span<const uint8_t> b_;
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
