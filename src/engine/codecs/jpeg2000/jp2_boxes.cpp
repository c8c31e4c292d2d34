// JP2 boxes: ISO/IEC 15444-1 Annex I (https://www.itu.int/rec/T-REC-T.800).
#include "engine/codecs/jpeg2000/jp2_boxes.h"

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

// The top-level box at `at`; false when none fits.
bool boxAt(const uint8_t* data, size_t size, uint64_t at, Box& box) {
    if (at + 8 > size) return false;
    uint64_t length = readBe32(data + at);
    box.start = at, box.type = readBe32(data + at + 4), box.content = at + 8;
    if (length == 1) {
        if (at + 16 > size) return false;
        length = uint64_t(readBe32(data + at + 8)) << 32 | readBe32(data + at + 12);
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

void readJp2MetadataBoxes(const uint8_t* data, size_t size, Metadata& metadata) {
    Box box{};
    for (uint64_t at = 0; boxAt(data, size, at, box); at = box.end) {
        if (box.type == fourCc("uuid") && box.end - box.content >= 16) {
            const uint8_t* id = data + box.content;
            const uint8_t* payload = id + 16;
            size_t length = size_t(box.end - box.content - 16);
            if (std::memcmp(id, kExifUuid, 16) == 0) {
                if (length >= 6 && std::memcmp(payload, kExifHeader, 6) == 0)
                    payload += 6, length -= 6;
                metadata.exif.assign(payload, payload + length);
            } else if (std::memcmp(id, kXmpUuid, 16) == 0) {
                metadata.xmp.assign(payload, payload + length);
            }
        }
    }
}

bool addJp2Metadata(std::vector<uint8_t>& file, const Metadata& metadata) {
    Box header{}, colour{}, codestream{};
    bool haveHeader = false, haveCodestream = false;
    for (uint64_t at = 0; boxAt(file.data(), file.size(), at, codestream); at = codestream.end) {
        if (codestream.type == fourCc("jp2h")) header = codestream, haveHeader = true;
        if (codestream.type == fourCc("jp2c")) {
            haveCodestream = true;
            break;
        }
    }
    if (!haveHeader || !haveCodestream || header.content != header.start + 8) return false;
    bool haveColour = false;
    for (uint64_t at = header.content; !haveColour && at < header.end; at = colour.end)
        haveColour =
            boxAt(file.data(), size_t(header.end), at, colour) && colour.type == fourCc("colr");
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
