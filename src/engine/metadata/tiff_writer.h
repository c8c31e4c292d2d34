#pragma once
// Writing TIFF-structured data (EXIF blocks, directories appended to a TIFF file).

#include <cstddef>
#include <cstdint>
#include <vector>

namespace ximora::engine {

/// Appends integers to a TIFF-structured buffer in its byte order.
class TiffWriter {
  public:
    explicit TiffWriter(bool little) : little_(little) {}
    bool little() const { return little_; }
    void u16(uint32_t v) {
        const uint8_t lo = uint8_t(v), hi = uint8_t(v >> 8);
        bytes.push_back(little_ ? lo : hi), bytes.push_back(little_ ? hi : lo);
    }
    void u32(uint32_t v) {
        if (little_)
            u16(v & 0xFFFF), u16(v >> 16);
        else
            u16(v >> 16), u16(v & 0xFFFF);
    }
    void put32At(size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            bytes[at + size_t(i)] = uint8_t(v >> (little_ ? 8 * i : 24 - 8 * i));
    }
    /// Pads to an even length: TIFF values and directories start on word boundaries.
    void align() {
        if (bytes.size() % 2) bytes.push_back(0);
    }
    std::vector<uint8_t> bytes;

  private:
    bool little_;
};

}  // namespace ximora::engine
