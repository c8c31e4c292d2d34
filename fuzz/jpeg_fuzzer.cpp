// libFuzzer harness for the JPEG decoder: any input must decode or fail cleanly.
#include "codec_fuzz.h"
#include "engine/codecs/jpeg/jpeg_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzCodec(ximora::engine::jpegCodec(), ximora::engine::kSaveJpeg, data, size);
    return 0;
}
