// AVIF: https://aomediacodec.github.io/av1-avif/
#include "engine/codecs/avif/avif_codec.h"

#include "engine/codecs/isobmff_brands.h"

namespace ximora::engine {
namespace {

bool matchesAvif(const uint8_t* head, size_t size) {
    return hasFileBrand(head, size, {"avif", "avis"});
}

}  // namespace

const Codec& avifCodec() {
    static const Codec codec{FileFormat::Avif, "avif", matchesAvif, decodeAvif,
                             nullptr,          {},     nullptr,     readAvifFacts};
    return codec;
}

}  // namespace ximora::engine
