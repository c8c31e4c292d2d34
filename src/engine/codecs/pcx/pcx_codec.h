#pragma once
// ZSoft PCX images, read and written by the engine itself.
// Format: https://www.fileformat.info/format/pcx/egff.htm

#include "engine/codecs/codec.h"

namespace ximora::engine {

/// The PCX entry of the codec table (save code 16). Reads 1 bit, 1-bit planes (2 to 4, as
/// 16 colours), 2 and 4 bits, 8 bits with the palette at the end of the file, 24 bits (three
/// 8-bit planes) and 32 bits (four), run-length coded or not. Writes 1 bit, 4 bits as four
/// planes, 8 bits with the end palette and 24 bits as three planes; 16- and 32-bit images are
/// written as 24 bits, the format having no such depths.
const Codec& pcxCodec();

bool decodePcx(const uint8_t* data, size_t size, const LoadOptions& options, Image& out);
/// The row decoder and header reader behind decodePcx (Codec::decodeRows, Codec::readFacts).
bool decodePcxRows(ByteSource& source, const LoadOptions& options, RowSink& sink);
bool readPcxFacts(ByteSource& source, ImageFacts& out);
bool encodePcx(const Image& image, const SaveOptions& options, std::vector<uint8_t>& out);

}  // namespace ximora::engine
