// WebP container: https://developers.google.com/speed/webp/docs/riff_container
#include "engine/codecs/webp/webp_codec.h"

#include <cstring>

namespace ximora::engine {
namespace {

bool matchesWebp(const uint8_t* head, size_t size) {
    return size >= 12 && std::memcmp(head, "RIFF", 4) == 0 && std::memcmp(head + 8, "WEBP", 4) == 0;
}

}  // namespace

const Codec& webpCodec() {
    static const Codec codec{FileFormat::Webp, "webp",       matchesWebp,
                             decodeWebp,       encodeWebp,   {kSaveWebp, kSaveWebpLossless},
                             nullptr,          readWebpFacts};
    return codec;
}

}  // namespace ximora::engine
