#pragma once
// Encoding and decoding through the codec table for the codec tests, so that each test names
// only the options it cares about.

#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

#include "engine/codecs/codec.h"
#include "engine/codecs/registry.h"
#include "engine/core/error.h"
#include "engine/core/image.h"

namespace ximora::engine::test {

/// The codec's file for `image`; a failed encode fails the calling test.
inline std::vector<uint8_t> encodeWith(const Codec& codec, const Image& image,
                                       const SaveOptions& options) {
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(codec.encode(image, options, bytes)) << lastError();
    return bytes;
}

/// Decodes `bytes` with the codec, at full size or reduced towards `minSide` pixels.
inline bool decodeWith(const Codec& codec, const std::vector<uint8_t>& bytes, Image& out,
                       int minSide = 0) {
    LoadOptions options;
    options.minSide = minSide;
    return codec.decode(bytes.data(), bytes.size(), options, out);
}

/// The file the registry writes for `image` in save format `format`; a failure fails the test.
inline std::vector<uint8_t> encodeFile(const Image& image, int format) {
    SaveOptions options;
    options.format = format;
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(encodeImage(image, options, bytes)) << lastError();
    return bytes;
}

/// 0 when the registry loads `bytes`, else the error it reports; a failed load must leave the
/// image empty.
inline int loadError(const std::vector<uint8_t>& bytes) {
    Image image;
    if (loadImageFromMemory(bytes.data(), bytes.size(), image)) return 0;
    EXPECT_TRUE(image.empty());
    return lastError();
}

/// A depth a lossless codec writes, and the depth it reads back (16 bits come back as 24).
struct LosslessDepth {
    int bits;
    bool grey;
    int readBits;
};
inline constexpr LosslessDepth kLosslessDepths[] = {
    {1, false, 1}, {4, false, 4},   {4, true, 4},    {8, false, 8},
    {8, true, 8},  {16, false, 24}, {24, false, 24}, {32, false, 32}};

}  // namespace ximora::engine::test
