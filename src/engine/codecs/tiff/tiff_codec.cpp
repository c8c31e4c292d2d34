// TIFF 6.0: https://www.itu.int/itudoc/itu-t/com16/tiff-fx/docs/tiff6.pdf
#include "engine/codecs/tiff/tiff_codec.h"

#include "engine/codecs/image_row_sink.h"

#include <cstring>

namespace ximora::engine {
namespace {

bool matchesTiff(const uint8_t* head, size_t size) {
    if (size < 4) return false;
    const bool little =
        head[0] == 'I' && head[1] == 'I' && (head[2] == 42 || head[2] == 43) && head[3] == 0;
    const bool big =
        head[0] == 'M' && head[1] == 'M' && head[2] == 0 && (head[3] == 42 || head[3] == 43);
    return little || big;
}

}  // namespace

const Codec& tiffCodec() {
    static const Codec codec{FileFormat::Tiff,
                             "tif",
                             matchesTiff,
                             decodeTiff,
                             encodeTiff,
                             {kSaveTiff, kSaveTiffLzw},
                             nullptr,
                             readTiffFacts,
                             decodeTiffRows,
                             decodeSourceByRows<decodeTiffRows>,
                             true};
    return codec;
}

}  // namespace ximora::engine
