#pragma once
// TIFF through libtiff.

#include "engine/codecs/codec.h"

namespace ximora::engine {

/// The TIFF entry of the codec table: save codes 5 (uncompressed) and 11 (LZW).
const Codec& tiffCodec();

/// Decodes the first page. Palette, grey (min-is-black or min-is-white) and bilevel files
/// keep their depth (2 bits widened to 4); 8-bit RGB becomes 24-bit, RGB with alpha 32-bit;
/// everything else libtiff can read (16-bit samples, YCbCr, CMYK, planar, old JPEG) goes
/// through its RGBA reader. Resolution with its unit → dpi, ImageDescription → comment,
/// XMP (700) and ICC (34675) → metadata; the orientation tag is applied. The first page is
/// read.
bool decodeTiff(const uint8_t* data, size_t size, const LoadOptions& options, Image& out);
/// The row decoder and header reader behind decodeTiff (Codec::decodeRows, Codec::readFacts).
/// Rows come in the file's own orientation (PictureNotes::orientation says which); the EXIF
/// block is kept only when the source lies in memory.
bool decodeTiffRows(ByteSource& source, const LoadOptions& options, RowSink& sink);
bool readTiffFacts(ByteSource& source, ImageFacts& out);

/// Pages of a file: its directories other than reduced-resolution copies (previews), at
/// least 1; a damaged directory ends the count. Reads the directories only.
int tiffPageCount(ByteSource& source);

/// Encodes at the nominal depth (16-bit as 24-bit RGB, 32-bit as RGB with alpha), with
/// the palette, dpi, comment, XMP and ICC; LZW with a horizontal predictor for code 11.
bool encodeTiff(const Image& image, const SaveOptions& options, std::vector<uint8_t>& out);

}  // namespace ximora::engine
