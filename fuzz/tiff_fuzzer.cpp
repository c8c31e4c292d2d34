// libFuzzer harness for the TIFF decoder: any input must decode or fail cleanly.
#include "codec_fuzz.h"
#include "engine/codecs/tiff/tiff_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzCodec(ximora::engine::tiffCodec(), ximora::engine::kSaveTiffLzw, data, size);
    return 0;
}
