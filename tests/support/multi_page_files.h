#pragma once
// Multi-frame files made from the engine's own single-frame ones, for the tests of files whose
// extra pages must not be lost without a word.

#include <cstdint>
#include <vector>

#include "engine/codecs/registry.h"
#include "engine/core/image.h"

namespace ximora::test {

/// An animated GIF of `frames` copies of the first frame of a 5 × 4 16-colour picture.
inline std::vector<uint8_t> animatedGif(int frames) {
    engine::Image picture;
    picture.allocate(5, 4, 4);
    picture.palette = engine::greyPalette(4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x) picture.row(y)[x] = uint8_t((x + 3 * y) % 16);
    engine::SaveOptions options;
    options.format = engine::kSaveGif;
    std::vector<uint8_t> single;
    engine::encodeImage(picture, options, single);
    // The frame starts after the header, the screen descriptor and the global colour table.
    const size_t frame = 6 + 7 + 3 * (size_t(2) << (single[10] & 7));
    std::vector<uint8_t> bytes(single.begin(), single.end() - 1);  // without the trailer
    for (int i = 1; i < frames; ++i)
        bytes.insert(bytes.end(), single.begin() + long(frame), single.end() - 1);
    bytes.push_back(0x3B);
    return bytes;
}

}  // namespace ximora::test
