// libFuzzer harness for the GIF decoder: any input must decode or fail cleanly.
#include "codec_fuzz.h"
#include "engine/codecs/gif/gif_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzCodec(ximora::engine::gifCodec(), ximora::engine::kSaveGif, data, size);
    return 0;
}
