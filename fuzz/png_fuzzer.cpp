// libFuzzer harness for the PNG decoder: any input must decode or fail cleanly.
#include "codec_fuzz.h"
#include "engine/codecs/png/png_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzCodec(ximora::engine::pngCodec(), ximora::engine::kSavePng, data, size);
    return 0;
}
