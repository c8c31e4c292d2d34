#pragma once
// JPEG 2000 through OpenJPEG: .jp2 files and raw codestreams (.j2k, .jpc).

#include "engine/codecs/codec.h"

namespace ximora::engine {

/// The JP2 file entry of the codec table: save code 21.
const Codec& jp2Codec();
/// The raw codestream entry: save code 22.
const Codec& j2kCodec();

/// Decodes either kind (told apart by content) to 8-bit grey, 24-bit RGB or 32-bit RGBA
/// (grey or colour with alpha); samples of other precisions are scaled to 8 bits, sYCC is
/// converted to RGB. With options.minSide above 0, decodes a reduced resolution whose sides
/// stay at least minSide. A JP2 file's ICC profile and its EXIF and XMP uuid boxes → metadata.
bool decodeJpeg2000(const uint8_t* data, size_t size, const LoadOptions& options, Image& out);
/// The row decoder and header reader behind decodeJpeg2000 (Codec::decodeRows,
/// Codec::readFacts). A tiled picture is decoded a tile at a time.
bool decodeJpeg2000Rows(ByteSource& source, const LoadOptions& options, RowSink& sink);
bool readJpeg2000Facts(ByteSource& source, ImageFacts& out);

/// Encodes as a JP2 file (code 21) or a codestream (code 22): grey-level images as one
/// component, 32-bit with alpha, the rest as RGB. options.jpeg2000Ratio 0 is lossless
/// (reversible 5/3 wavelet), above 0 the compression ratio (irreversible 9/7); negative is
/// error 5. The comment goes into a COM marker. A JP2 file also holds the ICC profile (in its
/// colour box, instead of declaring sRGB), EXIF and XMP (uuid boxes); a codestream holds none.
bool encodeJpeg2000(const Image& image, const SaveOptions& options, std::vector<uint8_t>& out);

}  // namespace ximora::engine
