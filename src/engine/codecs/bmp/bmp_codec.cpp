#include "engine/codecs/bmp/bmp_codec.h"

#include "engine/codecs/image_row_sink.h"

#include <algorithm>
#include <cstdint>

namespace ximora::engine {
namespace {

bool matchesBmp(const uint8_t* head, size_t size) {
    if (size < 2 || head[0] != 'B' || head[1] != 'M') return false;
    if (size < 18) return true;  // too short to tell; the decoder reports the truncation
    const uint32_t infoSize = uint32_t(head[14]) | (uint32_t(head[15]) << 8) |
                              (uint32_t(head[16]) << 16) | (uint32_t(head[17]) << 24);
    return infoSize >= 12 && infoSize <= 4096;
}

}  // namespace

const Codec& bmpCodec() {
    static const Codec codec{FileFormat::Bmp,
                             "bmp",
                             matchesBmp,
                             decodeBmp,
                             encodeBmp,
                             {kSaveBmp, kSaveBmpRle},
                             encodeBmpTo,
                             readBmpFacts,
                             decodeBmpRows,
                             decodeSourceByRows<decodeBmpRows>,
                             true};
    return codec;
}

int dpiFromPixelsPerMetre(int64_t pixelsPerMetre) {
    if (pixelsPerMetre <= 0) return 0;
    return int(std::min<int64_t>((pixelsPerMetre * 254 + 5000) / 10000, 1000000));
}

int32_t pixelsPerMetreFromDpi(int dpi) {
    if (dpi <= 0) return 0;
    return int32_t(std::min<int64_t>((int64_t(dpi) * 10000 + 127) / 254, INT32_MAX));
}

}  // namespace ximora::engine
