#pragma once
// How a cached thumbnail's pixels are stored: a baseline JPEG at quality 90 (about 10 KB for a
// 200-pixel thumbnail, a tenth of deflated RGB). The cache keeps these bytes in memory and
// unpacks a thumbnail only when it is looked up, so a large folder's cache loads in one read.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/core/image.h"

namespace ximora::engine {

/// Packs a 24-bit thumbnail, or a 32-bit one with straight alpha, into `out`: the colours
/// (over white where transparent) as the JPEG, the alpha deflated in segments of its own that
/// other JPEG readers skip. False (engine error) when the encoder fails.
bool packPixels(const Image& thumb, std::vector<uint8_t>& out);

/// A cheap check at load time: whether `size` bytes can be packed pixels at all (JPEG start
/// and end markers). Whether they decode is found out by unpackPixels().
bool looksPacked(const uint8_t* data, size_t size);

/// Unpacks `size` bytes into a width × height image: 24-bit, or 32-bit with straight alpha when
/// the alpha was packed with it. False (error 17) when the data is not exactly one such image;
/// `out` is then untouched.
bool unpackPixels(const uint8_t* data, size_t size, int width, int height, Image& out);

}  // namespace ximora::engine
