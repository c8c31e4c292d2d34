#pragma once
// Little-endian reading and writing for the formats the engine parses itself (BMP, PCX), and
// the big-endian reading of chunk and box headers (PNG, JPEG 2000).
// Readers never read past the buffer: every access is checked by the caller through has().

#include <cstddef>
#include <cstdint>
#include <vector>

namespace ximora::engine {

inline uint16_t readLe16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
inline uint32_t readLe32(const uint8_t* p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

inline uint32_t readBe32(const uint8_t* p) {
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

inline void writeLe16(uint8_t* p, uint32_t v) { p[0] = uint8_t(v), p[1] = uint8_t(v >> 8); }

/// Appends little-endian values to a byte vector.
class ByteWriter {
  public:
    explicit ByteWriter(std::vector<uint8_t>& out) : out_(out) {}
    void u8(uint32_t v) { out_.push_back(uint8_t(v)); }
    void le16(uint32_t v) {
        u8(v);
        u8(v >> 8);
    }
    void le32(uint32_t v) {
        le16(v);
        le16(v >> 16);
    }
    void zeros(size_t count) { out_.insert(out_.end(), count, 0); }
    void bytes(const uint8_t* p, size_t count) { out_.insert(out_.end(), p, p + count); }
    size_t size() const { return out_.size(); }
    /// Overwrites four bytes already written at `offset`.
    void patchLe32(size_t offset, uint32_t v) {
        for (int i = 0; i < 4; ++i) out_[offset + size_t(i)] = uint8_t(v >> (8 * i));
    }

  private:
    std::vector<uint8_t>& out_;
};

}  // namespace ximora::engine
