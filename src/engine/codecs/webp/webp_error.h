#pragma once
// libwebp's status codes as engine error codes, for the WebP codec.

#include <webp/decode.h>
#include <webp/encode.h>

namespace ximora::engine {

/// The engine error for a failed decoding call: 23 when the data ends early, 3 out of memory,
/// 4 for a feature libwebp does not offer, 17 for a damaged bitstream.
int webpDecodeError(VP8StatusCode status);

/// Sets webpDecodeError(status) with the status in words ("bitstream error") and returns false.
bool failWithWebp(VP8StatusCode status);

/// The engine error for a failed encoding: 3 out of memory, 10 for a size WebP cannot hold,
/// 22 when the output could not be written, 2 otherwise.
int webpEncodeError(WebPEncodingError error);

}  // namespace ximora::engine
