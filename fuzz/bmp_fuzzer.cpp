// libFuzzer harness for the BMP decoder: any input must decode or fail cleanly.
#include "codec_fuzz.h"
#include "engine/codecs/bmp/bmp_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzCodec(ximora::engine::bmpCodec(), ximora::engine::kSaveBmp, data, size);
    return 0;
}
