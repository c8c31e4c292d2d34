// JPEG: ITU-T T.81 (https://www.w3.org/Graphics/JPEG/itu-t81.pdf), JFIF
// (https://www.w3.org/Graphics/JPEG/jfif3.pdf), Exif (CIPA DC-008).
#include "engine/codecs/jpeg/jpeg_codec.h"

#include "engine/codecs/image_row_sink.h"

namespace ximora::engine {
namespace {

bool matchesJpeg(const uint8_t* head, size_t size) {
    return size >= 3 && head[0] == 0xFF && head[1] == 0xD8 && head[2] == 0xFF;
}

}  // namespace

const Codec& jpegCodec() {
    static const Codec codec{FileFormat::Jpeg,
                             "jpg",
                             matchesJpeg,
                             decodeJpeg,
                             encodeJpeg,
                             {kSaveJpeg, kSaveJpegProgressive},
                             encodeJpegTo,
                             readJpegFacts,
                             decodeJpegRows,
                             decodeSourceByRows<decodeJpegRows>,
                             true};
    return codec;
}

}  // namespace ximora::engine
