#pragma once
// Windows and OS/2 bitmaps, read and written by the engine itself.
// Format: https://learn.microsoft.com/en-us/windows/win32/gdi/bitmap-storage

#include "engine/codecs/codec.h"
#include "engine/io/byte_sink.h"

namespace ximora::engine {

/// The BMP entry of the codec table. Reads 1, 2, 4, 8, 16, 24 and 32 bits, RLE4 and RLE8,
/// bit fields, top-down rows, OS/2 1.x/2.x and Windows version 3 to 5 headers. Writes save
/// codes 0 (uncompressed) and 1 (RLE8 for 8 bits, RLE4 for 4 bits, otherwise uncompressed).
const Codec& bmpCodec();

bool decodeBmp(const uint8_t* data, size_t size, const LoadOptions& options, Image& out);
/// The row decoder and header reader behind decodeBmp (Codec::decodeRows, Codec::readFacts).
bool decodeBmpRows(ByteSource& source, const LoadOptions& options, RowSink& sink);
bool readBmpFacts(ByteSource& source, ImageFacts& out);
bool encodeBmp(const Image& image, const SaveOptions& options, std::vector<uint8_t>& out);
/// As encodeBmp, handing the file's bytes to `sink` as they are made (rows in bands).
bool encodeBmpTo(const Image& image, const SaveOptions& options, ByteSink& sink);

/// What an uncompressed bitmap's headers say of its picture.
struct BmpShape {
    int width = 0, height = 0;
    int bitsPerPixel = 24;   ///< 16, 24 or 32 for bmpPlainHead
    int dpiX = 0, dpiY = 0;  ///< 0 = not set
    /// Bytes of an ICC profile embedded after the pixels (a version 5 header); 0 for none.
    uint32_t profileBytes = 0;
};
/// The headers encodeBmp writes before the pixels of an uncompressed bitmap of 16, 24 or 32
/// bits, for a writer that places the rows itself: bmpRowBytes() each, bottom-up, right after
/// the headers. Error 7 past the 4 GB the headers can describe, 5 for fewer bits.
bool bmpPlainHead(const BmpShape& shape, std::vector<uint8_t>& head);
/// A stored row's length: the pixels' bits padded to 4 bytes.
size_t bmpRowBytes(int width, int bitsPerPixel);
/// One row of the Image layout (`pixels`, `width` pixels of `bitsPerPixel`) as the file stores
/// it, into `out` (`padded` bytes, the padding zeroed).
void bmpFileRow(const uint8_t* pixels, int width, int bitsPerPixel, uint8_t* out, size_t padded);

/// Pixels per metre (BMP) ↔ dots per inch, rounded; values ≤ 0 mean "not set" both ways.
int dpiFromPixelsPerMetre(int64_t pixelsPerMetre);
int32_t pixelsPerMetreFromDpi(int dpi);

}  // namespace ximora::engine
