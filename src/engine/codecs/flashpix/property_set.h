#pragma once
// OLE property sets, the form of FlashPix's descriptive streams ("\005Image Contents",
// "\005SummaryInformation"): [MS-OLEPS]
// https://learn.microsoft.com/en-us/openspecs/windows_protocols/ms-oleps/
// Only the first section is read and only the value types FlashPix uses.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/codecs/flashpix/compound_file.h"

namespace ximora::engine {

/// Property value types ([MS-OLEPS] 2.15).
enum PropertyType : uint16_t {
    kVtI2 = 2,
    kVtI4 = 3,
    kVtR4 = 4,
    kVtUi1 = 17,
    kVtUi2 = 18,
    kVtUi4 = 19,
    kVtLpstr = 30,
    kVtFiletime = 64,
    kVtBlob = 65,
    kVtClsid = 72,
    kVtVector = 0x1000,
};

/// The properties of a property set stream, looked up by identifier. Values that do not fit
/// in the stream or have an unexpected type read as absent.
class PropertySetReader {
  public:
    /// False (error 17) when the stream is not a property set.
    bool parse(std::vector<uint8_t> stream);
    const ClassId& formatId() const { return formatId_; }

    /// An integer of type I2, I4, UI2 or UI4.
    std::optional<uint32_t> integer(uint32_t id) const;
    std::optional<float> real(uint32_t id) const;
    std::optional<std::vector<uint8_t>> blob(uint32_t id) const;
    /// An LPSTR, without its terminating zeros.
    std::optional<std::string> text(uint32_t id) const;
    /// A vector of UI4 (or I4) values.
    std::optional<std::vector<uint32_t>> integers(uint32_t id) const;

  private:
    /// Offset of the value of `id` (after its type word) when its type is `type` and at least
    /// `bytes` bytes follow; 0 otherwise.
    size_t value(uint32_t id, uint16_t type, size_t bytes) const;

    std::vector<uint8_t> stream_;
    ClassId formatId_{};
    size_t section_ = 0;
    std::vector<std::pair<uint32_t, size_t>> offsets_;  // identifier, value offset in stream_
};

/// Builds a property set stream with one section.
class PropertySetWriter {
  public:
    void i2(uint32_t id, int16_t value);
    void i4(uint32_t id, int32_t value);
    void u4(uint32_t id, uint32_t value);
    void r4(uint32_t id, float value);
    void text(uint32_t id, const std::string& value);
    void blob(uint32_t id, const std::vector<uint8_t>& value);
    void u4Vector(uint32_t id, const std::vector<uint32_t>& values);
    void classId(uint32_t id, const ClassId& value);
    /// The stream: header, the section of `formatId` and the values in the order given.
    std::vector<uint8_t> finish(const ClassId& formatId) const;

  private:
    std::vector<uint8_t>& add(uint32_t id, uint16_t type);
    std::vector<std::pair<uint32_t, std::vector<uint8_t>>> values_;
};

}  // namespace ximora::engine
