// Property set streams: [MS-OLEPS]
// https://learn.microsoft.com/en-us/openspecs/windows_protocols/ms-oleps/
#include "engine/codecs/flashpix/property_set.h"

#include <algorithm>
#include <cstring>

#include "engine/core/error.h"
#include "engine/io/bytes.h"

namespace ximora::engine {
namespace {

constexpr size_t kHeaderSize = 28;    // byte order, version, system, class id, section count
constexpr size_t kSectionEntry = 20;  // format id and offset
constexpr uint32_t kMaxProperties = 1u << 16;

}  // namespace

bool PropertySetReader::parse(std::vector<uint8_t> stream) {
    stream_ = std::move(stream);
    offsets_.clear();
    const auto& s = stream_;
    if (s.size() < kHeaderSize + kSectionEntry || readLe16(s.data()) != 0xFFFE ||
        readLe32(s.data() + 24) == 0)
        return fail(kErrFileBroken);
    std::memcpy(formatId_.data(), s.data() + kHeaderSize, 16);
    section_ = readLe32(s.data() + kHeaderSize + 16);
    if (section_ > s.size() || s.size() - section_ < 8) return fail(kErrFileBroken);
    const uint64_t sectionSize = readLe32(s.data() + section_);
    const uint32_t count = readLe32(s.data() + section_ + 4);
    if (count > kMaxProperties || uint64_t(count) * 8 + 8 > s.size() - section_)
        return fail(kErrFileBroken);
    const uint64_t end = std::min<uint64_t>(s.size(), section_ + sectionSize);
    for (uint32_t i = 0; i < count; ++i) {
        const uint8_t* pair = s.data() + section_ + 8 + 8 * size_t(i);
        const uint64_t at = section_ + uint64_t(readLe32(pair + 4));
        if (at + 4 <= end) offsets_.emplace_back(readLe32(pair), size_t(at));
    }
    return true;
}

size_t PropertySetReader::value(uint32_t id, uint16_t type, size_t bytes) const {
    for (const auto& [key, at] : offsets_)
        if (key == id) {
            if (readLe16(stream_.data() + at) != type || stream_.size() - at - 4 < bytes) return 0;
            return at + 4;
        }
    return 0;
}

std::optional<uint32_t> PropertySetReader::integer(uint32_t id) const {
    if (size_t at = value(id, kVtUi4, 4)) return readLe32(stream_.data() + at);
    if (size_t at = value(id, kVtI4, 4)) return readLe32(stream_.data() + at);
    if (size_t at = value(id, kVtUi2, 2)) return readLe16(stream_.data() + at);
    if (size_t at = value(id, kVtI2, 2)) return readLe16(stream_.data() + at);
    return std::nullopt;
}

std::optional<float> PropertySetReader::real(uint32_t id) const {
    const size_t at = value(id, kVtR4, 4);
    if (!at) return std::nullopt;
    const uint32_t bits = readLe32(stream_.data() + at);
    float v;
    std::memcpy(&v, &bits, 4);
    return v;
}

std::optional<std::vector<uint8_t>> PropertySetReader::blob(uint32_t id) const {
    const size_t at = value(id, kVtBlob, 4);
    if (!at) return std::nullopt;
    const uint32_t length = readLe32(stream_.data() + at);
    if (length > stream_.size() - at - 4) return std::nullopt;
    const uint8_t* begin = stream_.data() + at + 4;
    return std::vector<uint8_t>(begin, begin + length);
}

std::optional<std::string> PropertySetReader::text(uint32_t id) const {
    const size_t at = value(id, kVtLpstr, 4);
    if (!at) return std::nullopt;
    const uint32_t length = readLe32(stream_.data() + at);
    if (length > stream_.size() - at - 4) return std::nullopt;
    std::string s(reinterpret_cast<const char*>(stream_.data() + at + 4), length);
    while (!s.empty() && s.back() == '\0') s.pop_back();
    return s;
}

std::optional<std::vector<uint32_t>> PropertySetReader::integers(uint32_t id) const {
    size_t at = value(id, kVtVector | kVtUi4, 4);
    if (!at) at = value(id, kVtVector | kVtI4, 4);
    if (!at) return std::nullopt;
    const uint32_t count = readLe32(stream_.data() + at);
    if (count > (stream_.size() - at - 4) / 4) return std::nullopt;
    std::vector<uint32_t> values(count);
    for (uint32_t i = 0; i < count; ++i) values[i] = readLe32(stream_.data() + at + 4 + 4 * i);
    return values;
}

std::vector<uint8_t>& PropertySetWriter::add(uint32_t id, uint16_t type) {
    values_.emplace_back(id, std::vector<uint8_t>{});
    auto& bytes = values_.back().second;
    ByteWriter(bytes).le32(type);
    return bytes;
}

void PropertySetWriter::i2(uint32_t id, int16_t value) {
    ByteWriter w(add(id, kVtI2));
    w.le16(uint16_t(value)), w.le16(0);
}

void PropertySetWriter::i4(uint32_t id, int32_t value) {
    ByteWriter(add(id, kVtI4)).le32(uint32_t(value));
}

void PropertySetWriter::u4(uint32_t id, uint32_t value) { ByteWriter(add(id, kVtUi4)).le32(value); }

void PropertySetWriter::r4(uint32_t id, float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, 4);
    ByteWriter(add(id, kVtR4)).le32(bits);
}

void PropertySetWriter::text(uint32_t id, const std::string& value) {
    ByteWriter w(add(id, kVtLpstr));
    w.le32(uint32_t(value.size() + 1));
    w.bytes(reinterpret_cast<const uint8_t*>(value.data()), value.size());
    w.zeros(1 + (4 - (value.size() + 1) % 4) % 4);
}

void PropertySetWriter::blob(uint32_t id, const std::vector<uint8_t>& value) {
    ByteWriter w(add(id, kVtBlob));
    w.le32(uint32_t(value.size()));
    w.bytes(value.data(), value.size());
    w.zeros((4 - value.size() % 4) % 4);
}

void PropertySetWriter::u4Vector(uint32_t id, const std::vector<uint32_t>& values) {
    ByteWriter w(add(id, kVtVector | kVtUi4));
    w.le32(uint32_t(values.size()));
    for (uint32_t v : values) w.le32(v);
}

void PropertySetWriter::classId(uint32_t id, const ClassId& value) {
    ByteWriter(add(id, kVtClsid)).bytes(value.data(), value.size());
}

std::vector<uint8_t> PropertySetWriter::finish(const ClassId& formatId) const {
    std::vector<uint8_t> out;
    ByteWriter w(out);
    w.le16(0xFFFE), w.le16(0), w.le32(0x00020006);  // version 0, written on Win32 6.0
    w.zeros(16);
    w.le32(1);
    w.bytes(formatId.data(), formatId.size());
    w.le32(uint32_t(kHeaderSize + kSectionEntry));
    size_t sectionSize = 8 + 8 * values_.size();
    for (const auto& entry : values_) sectionSize += entry.second.size();
    w.le32(uint32_t(sectionSize)), w.le32(uint32_t(values_.size()));
    size_t at = 8 + 8 * values_.size();
    for (const auto& [id, bytes] : values_) {
        w.le32(id), w.le32(uint32_t(at));
        at += bytes.size();
    }
    for (const auto& entry : values_) w.bytes(entry.second.data(), entry.second.size());
    return out;
}

}  // namespace ximora::engine
