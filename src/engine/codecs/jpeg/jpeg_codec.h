#pragma once
// JPEG through libjpeg-turbo (JFIF and Exif files, baseline and progressive).

#include "engine/codecs/codec.h"

namespace ximora::engine {

/// The JPEG entry of the codec table: save codes 2 (baseline) and 3 (progressive).
const Codec& jpegCodec();

/// Decodes to 8-bit grey (one-component files) or 24-bit RGB (YCbCr, RGB, CMYK, YCCK).
/// COM → comment, JFIF or Exif density → dpi, APP1 Exif/XMP and APP2 ICC → metadata.
bool decodeJpeg(const uint8_t* data, size_t size, const LoadOptions& options, Image& out);
/// The row decoder and header reader behind decodeJpeg (Codec::decodeRows, Codec::readFacts).
bool decodeJpegRows(ByteSource& source, const LoadOptions& options, RowSink& sink);
bool readJpegFacts(ByteSource& source, ImageFacts& out);

/// From this quality on colour JPEG files keep full chroma (4:4:4); below it the chroma is
/// halved both ways (4:2:0).
constexpr int kFullChromaQuality = 90;

/// Encodes grey-level palette images as one-component JPEG, everything else as YCbCr.
/// options.jpegQuality must be 1 to 100 (error 5 otherwise).
bool encodeJpeg(const Image& image, const SaveOptions& options, std::vector<uint8_t>& out);
/// As encodeJpeg, handing the file to `sink` as it is compressed.
bool encodeJpegTo(const Image& image, const SaveOptions& options, ByteSink& sink);

}  // namespace ximora::engine
