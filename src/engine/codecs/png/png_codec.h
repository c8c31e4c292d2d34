#pragma once
// PNG through libpng.

#include "engine/codecs/codec.h"
#include "engine/io/byte_sink.h"

namespace ximora::engine {

/// The PNG entry of the codec table: save code 12.
const Codec& pngCodec();

/// Decodes every colour type and depth: palette files stay palette (2-bit widened to 4),
/// grey 1/2/4/8 becomes a grey palette image, 16-bit channels are reduced to 8, grey or
/// colour with alpha becomes 32-bit. tRNS sets palette alphas; pHYs → dpi; the "Comment" text
/// → comment; eXIf, iTXt XMP and iCCP → metadata. An animated PNG reads as its default image.
bool decodePng(const uint8_t* data, size_t size, const LoadOptions& options, Image& out);
/// As decodePng, reading from `source` (Codec::decodeSource): the rows gathered, then
/// coverPngIndexes.
bool decodePngSource(ByteSource& source, const LoadOptions& options, Image& out);
/// Lengthens the palette of a gathered picture to its highest index, the added entries black
/// (Codec::finishGathered).
void coverPngIndexes(Image& image);
/// The row decoder and header reader behind decodePng (Codec::decodeRows, Codec::readFacts).
/// Interlaced files hand over each pass's pixels (RowSink::putPixels).
bool decodePngRows(ByteSource& source, const LoadOptions& options, RowSink& sink);
bool readPngFacts(ByteSource& source, ImageFacts& out);

/// Frames of an animated PNG (APNG): its acTL count, plus the default image when no fcTL
/// before the image data makes it the first frame; 1 for a still image.
int pngFrameCount(ByteSource& source);

/// Encodes palette or grey at 1, 4 or 8 bits, 16 and 24 bits as RGB, 32 bits as RGBA;
/// options.interlace (Adam7), options.transparentColour (tRNS), dpi, comment, metadata.
bool encodePng(const Image& image, const SaveOptions& options, std::vector<uint8_t>& out);
/// As encodePng, handing the file's bytes to `sink` as they are made.
bool encodePngTo(const Image& image, const SaveOptions& options, ByteSink& sink);

}  // namespace ximora::engine

namespace ximora::engine {

/// Text keywords the PNG codec reads and writes.
inline constexpr char kPngCommentKey[] = "Comment";
inline constexpr char kPngXmpKey[] = "XML:com.adobe.xmp";

}  // namespace ximora::engine
