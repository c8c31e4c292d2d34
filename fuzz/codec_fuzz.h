#pragma once
// Shared body of the codec fuzz harnesses: read the facts from the headers, reduce the rows to
// a thumbnail as they are decoded, decode at full and at reduced size; when it decodes and the
// codec writes its format, encode the result again, so that odd decoded images exercise the
// encoder too.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/codecs/codec.h"
#include "engine/core/image.h"
#include "engine/io/byte_source.h"
#include "engine/thumbs/thumbnail_reducer.h"

inline void fuzzCodec(const ximora::engine::Codec& codec, int saveFormat, const uint8_t* data,
                      size_t size) {
    using namespace ximora::engine;
    // Keep each attempt well inside the fuzzer's memory budget.
    setMemoryLimit(uint64_t(64) << 20);
    LoadOptions options;
    options.minSide = size % 2 ? 16 : 0;
    if (codec.readFacts) {
        MemorySource source(data, size);
        ImageFacts facts;
        codec.readFacts(source, facts);
    }
    if (codec.decodeRows) {
        // Through the buffered reader, as files are read for thumbnails.
        struct Unmapped final : ByteSource {
            MemorySource inner;
            Unmapped(const uint8_t* d, size_t n) : inner(d, n) {}
            uint64_t size() const override { return inner.size(); }
            size_t read(uint64_t at, void* out, size_t n) override {
                return inner.read(at, out, n);
            }
        } source(data, size);
        ThumbnailReducer reducer(size % 3 ? 48 : 7);
        Image thumb;
        if (codec.decodeRows(source, options, reducer)) reducer.finish(thumb);
    }
    Image image;
    if (!codec.decode(data, size, options, image)) return;
    SaveOptions save;
    save.format = saveFormat;
    save.interlace = size % 3 == 0;
    std::vector<uint8_t> bytes;
    if (codec.encode) codec.encode(image, save, bytes);
}
