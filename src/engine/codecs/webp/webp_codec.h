#pragma once
// WebP through libwebp (decoding, the demuxer for the container and animations, the muxer for
// the metadata chunks).

#include "engine/codecs/codec.h"

namespace ximora::engine {

/// The WebP entry of the codec table: save codes 30 (quality) and 31 (lossless).
const Codec& webpCodec();

/// Decodes lossy and lossless files: 32-bit RGBA when the file has alpha, else 24-bit. An
/// animation gives its first frame on the whole canvas.
/// `options.minSide` decodes a still picture at a reduced size. ICCP, EXIF and XMP chunks →
/// metadata; the EXIF orientation is applied like a JPEG's.
bool decodeWebp(const uint8_t* data, size_t size, const LoadOptions& options, Image& out);

/// The facts from the first chunk's header (a VP8X header's canvas) and, in an extended file,
/// the EXIF chunk's orientation: 24 or 32 bits, no resolution. Errors as decodeWebp.
bool readWebpFacts(ByteSource& source, ImageFacts& out);

/// Encodes any depth (palettes and 16 bits as RGB; 32 bits, and palettes with transparent
/// entries, with alpha). kSaveWebp is lossy at options.jpegQuality (1 to 100), except that 100
/// writes losslessly; kSaveWebpLossless always does, keeping every sample exactly (also the
/// colour under transparent pixels). ICC (RGB profiles only), EXIF and XMP are written as
/// chunks; resolution and comment cannot be. Sides above 16383 pixels fail with error 10.
bool encodeWebp(const Image& image, const SaveOptions& options, std::vector<uint8_t>& out);

/// The frames of an animated WebP file; 1 for a still picture and for data that cannot be read.
int webpFrameCount(const uint8_t* data, size_t size);

}  // namespace ximora::engine
