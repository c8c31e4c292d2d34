// JP2 boxes: ISO/IEC 15444-1 Annex I (https://www.itu.int/rec/T-REC-T.800).
#include "engine/codecs/jpeg2000/jp2_boxes.h"

#include "engine/io/byte_source.h"
#include "engine/io/bytes.h"

#include <cstring>

namespace ximora::engine {
namespace {

constexpr uint8_t kExifUuid[16] = {'J', 'p', 'g', 'T', 'i', 'f', 'f', 'E',
                                   'x', 'i', 'f', '-', '>', 'J', 'P', '2'};
constexpr uint8_t kXmpUuid[16] = {0xBE, 0x7A, 0xCF, 0xCB, 0x97, 0xA9, 0x42, 0xE8,
                                  0x9C, 0x71, 0x99, 0x94, 0x91, 0xE3, 0xAF, 0xAC};
constexpr uint8_t kExifHeader[6] = {'E', 'x', 'i', 'f', 0, 0};

struct Box {
    uint64_t start, content, end;  // the header's first byte, the content's, one past the box
    uint32_t type;
};

// Metadata boxes larger than this are left alone: no camera writes EXIF or XMP of this size.
constexpr uint64_t kMaxMetadataBox = uint64_t(16) << 20;

// The box at `at` of the first `size` bytes of `source`; false when none fits.
bool boxAt(ByteSource& source, uint64_t size, uint64_t at, Box& box) {
    uint8_t head[16];
    if (at + 8 > size || source.read(at, head, 8) != 8) return false;
    uint64_t length = readBe32(head);
    box.start = at, box.type = readBe32(head + 4), box.content = at + 8;
    if (length == 1) {
        if (at + 16 > size || source.read(at + 8, head + 8, 8) != 8) return false;
        length = uint64_t(readBe32(head + 8)) << 32 | readBe32(head + 12);
        box.content = at + 16;
    } else if (length == 0) {
        length = size - at;  // the last box runs to the end of the file
    }
    if (length < box.content - at || length > size - at) return false;
    box.end = at + length;
    return true;
}

constexpr uint32_t fourCc(const char (&s)[5]) {
    return uint32_t(uint8_t(s[0])) << 24 | uint32_t(uint8_t(s[1])) << 16 |
           uint32_t(uint8_t(s[2])) << 8 | uint8_t(s[3]);
}

void putBe32(std::vector<uint8_t>& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(uint8_t(v >> shift));
}

void appendUuidBox(std::vector<uint8_t>& out, const uint8_t (&uuid)[16],
                   const std::vector<uint8_t>& payload) {
    putBe32(out, uint32_t(8 + 16 + payload.size()));
    for (char c : {'u', 'u', 'i', 'd'}) out.push_back(uint8_t(c));
    out.insert(out.end(), uuid, uuid + 16);
    out.insert(out.end(), payload.begin(), payload.end());
}

}  // namespace

void readJp2MetadataBoxes(ByteSource& source, Metadata& metadata) {
    Box box{};
    const uint64_t size = source.size();
    for (uint64_t at = 0; boxAt(source, size, at, box); at = box.end) {
        if (box.type != fourCc("uuid") || box.end - box.content < 16 ||
            box.end - box.content - 16 > kMaxMetadataBox)
            continue;
        uint8_t id[16];
        if (source.read(box.content, id, 16) != 16) return;
        const bool exif = std::memcmp(id, kExifUuid, 16) == 0;
        if (!exif && std::memcmp(id, kXmpUuid, 16) != 0) continue;
        std::vector<uint8_t> payload(size_t(box.end - box.content - 16));
        if (source.read(box.content + 16, payload.data(), payload.size()) != payload.size()) return;
        if (exif && payload.size() >= 6 && std::memcmp(payload.data(), kExifHeader, 6) == 0)
            payload.erase(payload.begin(), payload.begin() + 6);
        (exif ? metadata.exif : metadata.xmp) = std::move(payload);
    }
}

bool addJp2Metadata(std::vector<uint8_t>& file, const Metadata& metadata) {
    Box header{}, colour{}, codestream{};
    bool haveHeader = false, haveCodestream = false;
    MemorySource source(file.data(), file.size());
    for (uint64_t at = 0; boxAt(source, file.size(), at, codestream); at = codestream.end) {
        if (codestream.type == fourCc("jp2h")) header = codestream, haveHeader = true;
        if (codestream.type == fourCc("jp2c")) {
            haveCodestream = true;
            break;
        }
    }
    if (!haveHeader || !haveCodestream || header.content != header.start + 8) return false;
    bool haveColour = false;
    for (uint64_t at = header.content; !haveColour && at < header.end; at = colour.end)
        haveColour = boxAt(source, header.end, at, colour) && colour.type == fourCc("colr");
    if (!haveColour) return false;

    std::vector<uint8_t> boxes;
    if (!metadata.exif.empty()) appendUuidBox(boxes, kExifUuid, metadata.exif);
    if (!metadata.xmp.empty()) appendUuidBox(boxes, kXmpUuid, metadata.xmp);
    file.insert(file.begin() + long(codestream.start), boxes.begin(), boxes.end());
    if (metadata.icc.empty()) return true;
    std::vector<uint8_t> profile;
    const uint64_t length = 8 + 3 + metadata.icc.size();
    putBe32(profile, uint32_t(length));
    for (char c : {'c', 'o', 'l', 'r'}) profile.push_back(uint8_t(c));
    profile.insert(profile.end(), {2, 0, 0});  // method 2, precedence, approximation
    profile.insert(profile.end(), metadata.icc.begin(), metadata.icc.end());
    file.erase(file.begin() + long(colour.start), file.begin() + long(colour.end));
    file.insert(file.begin() + long(colour.start), profile.begin(), profile.end());
    const uint64_t headerLength = header.end - header.start - (colour.end - colour.start) + length;
    for (int i = 0; i < 4; ++i)
        file[header.start + size_t(i)] = uint8_t(headerLength >> (24 - 8 * i));
    return true;
}

}  // namespace ximora::engine
