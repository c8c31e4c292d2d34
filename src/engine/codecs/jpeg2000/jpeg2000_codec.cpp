// JPEG 2000: ITU-T T.800 (https://www.itu.int/rec/T-REC-T.800), JP2 file format (Annex I).
#include "engine/codecs/jpeg2000/jpeg2000_codec.h"

#include "engine/codecs/image_row_sink.h"

#include <cstring>

namespace ximora::engine {
namespace {

bool matchesJp2(const uint8_t* head, size_t size) {
    static constexpr uint8_t kSignatureBox[] = {0,   0,   0,    12,   'j',  'P',
                                                ' ', ' ', 0x0D, 0x0A, 0x87, 0x0A};
    return size >= sizeof kSignatureBox &&
           std::memcmp(head, kSignatureBox, sizeof kSignatureBox) == 0;
}

bool matchesJ2k(const uint8_t* head, size_t size) {
    return size >= 4 && head[0] == 0xFF && head[1] == 0x4F && head[2] == 0xFF && head[3] == 0x51;
}

}  // namespace

const Codec& jp2Codec() {
    static const Codec codec{FileFormat::Jp2,
                             "jp2",
                             matchesJp2,
                             decodeJpeg2000,
                             encodeJpeg2000,
                             {kSaveJp2},
                             nullptr,
                             readJpeg2000Facts,
                             decodeJpeg2000Rows,
                             decodeSourceByRows<decodeJpeg2000Rows>,
                             true};
    return codec;
}

const Codec& j2kCodec() {
    static const Codec codec{FileFormat::J2k,
                             "j2k",
                             matchesJ2k,
                             decodeJpeg2000,
                             encodeJpeg2000,
                             {kSaveJ2k},
                             nullptr,
                             readJpeg2000Facts,
                             decodeJpeg2000Rows,
                             decodeSourceByRows<decodeJpeg2000Rows>,
                             true};
    return codec;
}

}  // namespace ximora::engine
