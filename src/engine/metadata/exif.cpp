#include "engine/metadata/exif.h"

#include <cmath>

namespace ximora::engine {
namespace {

constexpr uint16_t kTagOrientation = 274;
constexpr uint16_t kTagXResolution = 282;
constexpr uint16_t kTagYResolution = 283;
constexpr uint16_t kTagResolutionUnit = 296;
constexpr uint16_t kTypeShort = 3;
constexpr uint16_t kTypeRational = 5;

// Bounds-checked access to a TIFF-structured block in its own byte order.
class TiffBlock {
  public:
    explicit TiffBlock(const std::vector<uint8_t>& bytes) : b_(bytes) {
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

    /// Offset of IFD0's 12-byte entry for `tag`, or 0 when absent.
    uint64_t findEntry(uint16_t tag) const {
        if (!valid_) return 0;
        const uint16_t count = u16(ifd0_);
        for (uint32_t i = 0; i < count; ++i) {
            const uint64_t entry = uint64_t(ifd0_) + 2 + uint64_t(i) * 12;
            if (entry + 12 > b_.size()) return 0;
            if (u16(entry) == tag) return entry;
        }
        return 0;
    }

    /// A SHORT value of count 1, or 0 when absent or of another type.
    uint16_t shortValue(uint16_t tag) const {
        const uint64_t entry = findEntry(tag);
        if (!entry || u16(entry + 2) != kTypeShort || u32(entry + 4) != 1) return 0;
        return u16(entry + 8);
    }

    /// A RATIONAL value, or a negative number when absent or malformed.
    double rationalValue(uint16_t tag) const {
        const uint64_t entry = findEntry(tag);
        if (!entry || u16(entry + 2) != kTypeRational || u32(entry + 4) != 1) return -1;
        const uint64_t at = u32(entry + 8);
        if (at + 8 > b_.size()) return -1;
        const uint32_t den = u32(at + 4);
        return den ? double(u32(at)) / den : -1;
    }

  private:
    const std::vector<uint8_t>& b_;
    bool little_ = true;
    bool valid_ = false;
    uint32_t ifd0_ = 0;
};

}  // namespace

int exifOrientation(const std::vector<uint8_t>& exif) {
    const TiffBlock block(exif);
    const int value = block.shortValue(kTagOrientation);
    return value >= 1 && value <= 8 ? value : 0;
}

bool setExifOrientation(std::vector<uint8_t>& exif, int orientation) {
    if (orientation < 1 || orientation > 8) return false;
    const TiffBlock block(exif);
    if (block.shortValue(kTagOrientation) == 0) return false;
    const uint64_t at = block.findEntry(kTagOrientation) + 8;
    exif[at] = block.little() ? uint8_t(orientation) : 0;
    exif[at + 1] = block.little() ? 0 : uint8_t(orientation);
    return true;
}

bool exifResolution(const std::vector<uint8_t>& exif, int& dpiX, int& dpiY) {
    const TiffBlock block(exif);
    const double x = block.rationalValue(kTagXResolution);
    const double y = block.rationalValue(kTagYResolution);
    if (x <= 0 || y <= 0 || x > 1e6 || y > 1e6) return false;
    const uint16_t unit = block.shortValue(kTagResolutionUnit);
    double scale = 1.0;  // the default unit is the inch
    if (unit == 3)
        scale = 2.54;
    else if (unit == 1)
        return false;  // no absolute unit
    dpiX = int(std::lround(x * scale));
    dpiY = int(std::lround(y * scale));
    return true;
}

}  // namespace ximora::engine
