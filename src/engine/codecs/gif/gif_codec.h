#pragma once
// GIF (87a and 89a) through giflib.

#include "engine/codecs/codec.h"

namespace ximora::engine {

/// The GIF entry of the codec table: save code 4.
const Codec& gifCodec();

/// Decodes the first frame onto the logical screen as a 1, 4 or 8-bit palette image (by the
/// colour table's size); the transparent index gets alpha 0; the first comment extension →
/// comment.
bool decodeGif(const uint8_t* data, size_t size, const LoadOptions& options, Image& out);
/// As decodeGif, reading from `source` (Codec::decodeSource).
bool decodeGifSource(ByteSource& source, const LoadOptions& options, Image& out);
/// The row decoder and header reader behind decodeGif (Codec::decodeRows, Codec::readFacts).
/// Rows come as the file stores them (interlaced frames in their pass order); the depth is
/// that of the colour table (decodeGif widens it when the data holds larger indexes).
bool decodeGifRows(ByteSource& source, const LoadOptions& options, RowSink& sink);
bool readGifFacts(ByteSource& source, ImageFacts& out);

/// Frames of an animation (at most 10000; a damaged frame ends the count), at least 1.
int gifFrameCount(const uint8_t* data, size_t size);

/// Encodes a 1, 4 or 8-bit image (error 10 for deeper ones: reduce the colours first) with
/// options.interlace, options.transparentColour (the first palette entry of that colour) and
/// the comment.
bool encodeGif(const Image& image, const SaveOptions& options, std::vector<uint8_t>& out);

}  // namespace ximora::engine
