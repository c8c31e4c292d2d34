// Marker layout: ITU-T T.81 Annex B (https://www.w3.org/Graphics/JPEG/itu-t81.pdf).
#include "engine/codecs/jpeg/jpeg_head.h"

#include <cstring>

namespace ximora::engine {
namespace {

bool isFrameHeader(uint8_t marker) {
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

}  // namespace

bool readJpegHead(const uint8_t* data, size_t size, JpegHead& head) {
    if (size < 4 || data[0] != 0xFF || data[1] != 0xD8) return false;
    for (size_t at = 2; at + 4 <= size;) {
        if (data[at] != 0xFF) return false;
        const uint8_t marker = data[at + 1];
        if (marker == 0xFF) {  // fill byte
            ++at;
            continue;
        }
        const size_t length = size_t(data[at + 2]) << 8 | data[at + 3];
        if (length < 2 || at + 2 + length > size) return false;
        const uint8_t* payload = data + at + 4;
        const size_t payloadSize = length - 2;
        if (isFrameHeader(marker)) {
            if (payloadSize < 5) return false;
            head.height = payload[1] << 8 | payload[2];
            head.width = payload[3] << 8 | payload[4];
            return head.width > 0 && head.height > 0;
        }
        if (marker == 0xDA) return false;  // scan data before any frame header
        if (marker == 0xE1 && !head.exif && payloadSize > 6 &&
            std::memcmp(payload, "Exif\0\0", 6) == 0) {
            head.exif = payload + 6;
            head.exifSize = payloadSize - 6;
        }
        if (marker == 0xE2 && payloadSize > 12 && std::memcmp(payload, "ICC_PROFILE\0", 12) == 0)
            head.iccProfile = true;
        at += 2 + length;
    }
    return false;
}

}  // namespace ximora::engine
