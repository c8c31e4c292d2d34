// libFuzzer harness for the FlashPix decoder: any input must decode or fail cleanly.
#include "codec_fuzz.h"
#include "engine/codecs/flashpix/flashpix_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzCodec(ximora::engine::flashPixCodec(), ximora::engine::kSaveFpxCompressed, data, size);
    return 0;
}
