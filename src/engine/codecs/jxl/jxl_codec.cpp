// JPEG XL: ISO/IEC 18181, https://jpeg.org/jpegxl/
#include "engine/codecs/jxl/jxl_codec.h"

#include <jxl/decode.h>

namespace ximora::engine {
namespace {

bool matchesJxl(const uint8_t* head, size_t size) {
    const JxlSignature signature = JxlSignatureCheck(head, size);
    return signature == JXL_SIG_CODESTREAM || signature == JXL_SIG_CONTAINER;
}

}  // namespace

const Codec& jxlCodec() {
    static const Codec codec{FileFormat::Jxl, "jxl", matchesJxl, decodeJxl,
                             nullptr,         {},    nullptr,    readJxlFacts};
    return codec;
}

}  // namespace ximora::engine
