// libFuzzer harness for the HEIF decoder: any input must decode or fail cleanly.
#include "codec_fuzz.h"
#include "engine/codecs/heif/heif_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzCodec(ximora::engine::heifCodec(), 0, data, size);
    return 0;
}
