// libFuzzer harness for the PCX decoder: any input must decode or fail cleanly.
#include "codec_fuzz.h"
#include "engine/codecs/pcx/pcx_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzCodec(ximora::engine::pcxCodec(), ximora::engine::kSavePcx, data, size);
    return 0;
}
