// libFuzzer harness for the WebP decoder and encoder: any input must decode or fail cleanly.
// The RIFF size is set to the input's, which the demuxer insists on, so that mutations reach
// the chunks and bitstreams behind it.
#include <vector>

#include "codec_fuzz.h"
#include "engine/codecs/webp/webp_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint8_t> file(data, data + size);
    if (size >= 12) {
        const size_t riff = size - 8;
        for (int i = 0; i < 4; ++i) file[4 + size_t(i)] = uint8_t(riff >> (8 * i));
    }
    fuzzCodec(ximora::engine::webpCodec(),
              size % 2 ? ximora::engine::kSaveWebp : ximora::engine::kSaveWebpLossless, file.data(),
              file.size());
    return 0;
}
