// JPEG XL: ISO/IEC 18181, https://jpeg.org/jpegxl/
#include "engine/codecs/jxl/jxl_codec.h"

#include <algorithm>
#include <cstring>

namespace ximora::engine {
namespace {

bool matchesJxl(const uint8_t* head, size_t size) {
    const JxlSignature signature = jxlSignature(head, size);
    return signature == JXL_SIG_CODESTREAM || signature == JXL_SIG_CONTAINER;
}

}  // namespace

JxlSignature jxlSignature(const uint8_t* data, size_t size) {
    static constexpr uint8_t kCodestream[] = {0xFF, 0x0A};
    static constexpr uint8_t kContainer[] = {0,   0,   0,    12,   'J',  'X',
                                             'L', ' ', 0x0D, 0x0A, 0x87, 0x0A};
    const auto begins = [&](const uint8_t* signature, size_t length) {
        return std::memcmp(data, signature, std::min(size, length)) == 0;
    };
    if (size == 0) return JXL_SIG_NOT_ENOUGH_BYTES;
    if (begins(kCodestream, sizeof kCodestream))
        return size < sizeof kCodestream ? JXL_SIG_NOT_ENOUGH_BYTES : JXL_SIG_CODESTREAM;
    if (begins(kContainer, sizeof kContainer))
        return size < sizeof kContainer ? JXL_SIG_NOT_ENOUGH_BYTES : JXL_SIG_CONTAINER;
    return JXL_SIG_INVALID;
}

const Codec& jxlCodec() {
    static const Codec codec{FileFormat::Jxl, "jxl", matchesJxl, decodeJxl,
                             nullptr,         {},    nullptr,    readJxlFacts};
    return codec;
}

}  // namespace ximora::engine
