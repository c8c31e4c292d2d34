// libFuzzer harness for the JPEG 2000 decoder (JP2 files and codestreams): any input must
// decode or fail cleanly.
#include "codec_fuzz.h"
#include "engine/codecs/jpeg2000/jpeg2000_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzCodec(ximora::engine::jp2Codec(), ximora::engine::kSaveJ2k, data, size);
    return 0;
}
