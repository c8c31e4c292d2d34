// GIF: https://www.w3.org/Graphics/GIF/spec-gif89a.txt
#include "engine/codecs/gif/gif_codec.h"

#include <cstring>

namespace ximora::engine {
namespace {

bool matchesGif(const uint8_t* head, size_t size) {
    return size >= 6 &&
           (std::memcmp(head, "GIF87a", 6) == 0 || std::memcmp(head, "GIF89a", 6) == 0);
}

}  // namespace

const Codec& gifCodec() {
    static const Codec codec{FileFormat::Gif, "gif",          matchesGif, decodeGif,
                             encodeGif,       {kSaveGif},     nullptr,    readGifFacts,
                             decodeGifRows,   decodeGifSource};
    return codec;
}

}  // namespace ximora::engine
