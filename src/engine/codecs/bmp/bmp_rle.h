#pragma once
// The run-length schemes of 4- and 8-bit bitmaps (BI_RLE4, BI_RLE8).

#include <cstdint>
#include <vector>

#include "engine/codecs/row_sink.h"
#include "engine/core/image.h"
#include "engine/io/byte_source.h"

namespace ximora::engine {

/// Decodes RLE data (`bits` 4 or 8) read from `in` for a width × height bitmap and hands its
/// rows to `sink` (already started; indexes, one byte per pixel). The data's rows run bottom-up.
/// Runs are read as ImageMagick reads them: the pixels form one sequence of rows, so a run
/// longer than what is left of its row goes on at the start of the next rows (writers let runs
/// cover the row padding), until an end-of-line or delta escape moves on from the row where
/// the line began; pixels past the last row are dropped. Pixels no run reached are 0. A delta
/// past the picture, an end-of-bitmap escape and the end of the last line end the picture.
/// Fails with 23 when the data ends before that, 3 when runs that spill far ahead would need
/// more rows held than the memory budget allows.
bool decodeBmpRle(SourceReader& in, int bits, int width, int height, RowSink& sink);

/// Appends the RLE form (`bits` 4 or 8) of the index image, bottom-up, ending with the
/// end-of-bitmap escape.
void encodeBmpRle(const Image& image, int bits, std::vector<uint8_t>& out);

}  // namespace ximora::engine
