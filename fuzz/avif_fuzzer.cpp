// libFuzzer harness for the AVIF decoder: any input must decode or fail cleanly.
#include "codec_fuzz.h"
#include "engine/codecs/avif/avif_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzCodec(ximora::engine::avifCodec(), 0, data, size);
    return 0;
}
