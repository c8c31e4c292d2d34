#pragma once
// JPEG XL through libjxl.

#include <jxl/decode.h>

#include "engine/codecs/codec.h"

namespace ximora::engine {

/// The JPEG XL entry of the codec table: read only.
const Codec& jxlCodec();

/// What the first bytes of a file are (JXL_SIG_CODESTREAM, JXL_SIG_CONTAINER, too few to tell,
/// or neither), as libjxl's JxlSignatureCheck says, without opening libjxl: the content test
/// asks it of every file.
JxlSignature jxlSignature(const uint8_t* data, size_t size);

/// Decodes the picture (an animation's first frame) upright by
/// its orientation: 8-bit grey for a grey picture without alpha, 32-bit RGBA with alpha, else
/// 24-bit; deeper samples are rounded to 8 bits, and kept at 16 bits beside the raster when
/// options.keepMetadata (deep_samples.h). A lossy (XYB) picture is rendered in its original
/// colour space when the file describes it by name, else in sRGB. The ICC profile of the
/// rendered pixels → metadata.icc, unless they are sRGB; a container's EXIF and XMP boxes →
/// metadata (not Brotli-compressed ones).
bool decodeJxl(const uint8_t* data, size_t size, const LoadOptions& options, Image& out);

/// The facts of the picture as decodeJxl gives it, from the basic info at the start of the
/// codestream; the file is read through `source` only as far as that. Errors as decodeJxl.
bool readJxlFacts(ByteSource& source, ImageFacts& out);

/// The frames an animated JPEG XL file shows (counted without decoding pixels); 1 for a still
/// picture and for data that cannot be read.
int jxlFrameCount(const uint8_t* data, size_t size);

}  // namespace ximora::engine
