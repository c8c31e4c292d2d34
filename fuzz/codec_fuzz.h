#pragma once
// Shared body of the codec fuzz harnesses: decode the input at full and at reduced size; when
// it decodes and the codec writes its format, encode the result again, so that odd decoded
// images exercise the encoder too.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/codecs/codec.h"
#include "engine/core/image.h"

inline void fuzzCodec(const ximora::engine::Codec& codec, int saveFormat, const uint8_t* data,
                      size_t size) {
    using namespace ximora::engine;
    // Keep each attempt well inside the fuzzer's memory budget.
    setMemoryLimit(uint64_t(64) << 20);
    LoadOptions options;
    options.minSide = size % 2 ? 16 : 0;
    Image image;
    if (!codec.decode(data, size, options, image)) return;
    SaveOptions save;
    save.format = saveFormat;
    save.interlace = size % 3 == 0;
    std::vector<uint8_t> bytes;
    if (codec.encode) codec.encode(image, save, bytes);
}
