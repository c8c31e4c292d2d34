#include "engine/codecs/pcx/pcx_codec.h"

#include "engine/codecs/image_row_sink.h"

#include "engine/codecs/pcx/pcx_header.h"

namespace ximora::engine {
namespace {

bool matchesPcx(const uint8_t* head, size_t size) {
    if (size < 4 || head[0] != pcx::kManufacturer) return false;
    const uint8_t version = head[pcx::kOffVersion], encoding = head[pcx::kOffEncoding];
    const uint8_t bits = head[pcx::kOffBitsPerPixel];
    return (version == 0 || (version >= 2 && version <= 5)) && encoding <= 1 &&
           (bits == 1 || bits == 2 || bits == 4 || bits == 8);
}

}  // namespace

const Codec& pcxCodec() {
    static const Codec codec{FileFormat::Pcx,
                             "pcx",
                             matchesPcx,
                             decodePcx,
                             encodePcx,
                             {kSavePcx},
                             nullptr,
                             readPcxFacts,
                             decodePcxRows,
                             decodeSourceByRows<decodePcxRows>,
                             true};
    return codec;
}

}  // namespace ximora::engine
