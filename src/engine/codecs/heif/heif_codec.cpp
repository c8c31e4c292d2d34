// HEIF: ISO/IEC 23008-12, https://www.iso.org/standard/83650.html
#include "engine/codecs/heif/heif_codec.h"

#include "engine/codecs/isobmff_brands.h"

namespace ximora::engine {
namespace {

bool matchesHeif(const uint8_t* head, size_t size) {
    return hasFileBrand(head, size,
                        {"heic", "heix", "hevc", "hevx", "heim", "heis", "hevm", "hevs", "mif1",
                         "msf1", "avif", "avis"});
}

}  // namespace

const Codec& heifCodec() {
    static const Codec codec{FileFormat::Heif, "heic", matchesHeif, decodeHeif,
                             nullptr,          {},     nullptr,     readHeifFacts};
    return codec;
}

}  // namespace ximora::engine
