// libFuzzer harness for the JPEG XL decoder: any input must decode or fail cleanly.
#include "codec_fuzz.h"
#include "engine/codecs/jxl/jxl_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzCodec(ximora::engine::jxlCodec(), 0, data, size);
    return 0;
}
