// PNG: https://www.w3.org/TR/png/
#include "engine/codecs/png/png_codec.h"

#include <cstring>

namespace ximora::engine {
namespace {

bool matchesPng(const uint8_t* head, size_t size) {
    static constexpr uint8_t kSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    return size >= sizeof kSignature && std::memcmp(head, kSignature, sizeof kSignature) == 0;
}

}  // namespace

const Codec& pngCodec() {
    static const Codec codec{FileFormat::Png, "png",           matchesPng,  decodePng,
                             encodePng,       {kSavePng},      encodePngTo, readPngFacts,
                             decodePngRows,   decodePngSource, true,        coverPngIndexes};
    return codec;
}

}  // namespace ximora::engine
