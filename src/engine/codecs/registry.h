#pragma once
// The engine's file formats: detection by content, loading and saving through the codec table.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/codecs/codec.h"
#include "engine/core/image.h"
#include "engine/io/atomic_file.h"
#include "engine/io/byte_source.h"

namespace ximora::engine {

/// Every codec the engine has, in detection order.
std::span<const Codec* const> codecs();

/// The format of a file from its first bytes (`size` may be the whole file); extensions play
/// no part. Compound files are FlashPix only when they hold a FlashPix image (or are too
/// damaged to tell); office documents are Unknown.
FileFormat detectFormat(const uint8_t* head, size_t size);

/// The format of the content of `source` from its first bytes (detectFormat).
FileFormat detectSourceFormat(ByteSource& source);

/// The lower-case extension of a detected format ("bmp", "jpg", "fpx"); empty for Unknown.
std::string_view formatExtension(FileFormat format);

/// The codec that reads `format`, or nullptr.
const Codec* codecForFormat(FileFormat format);
/// The codec that writes save format code `saveFormat`, or nullptr.
const Codec* codecForSaveFormat(int saveFormat);

/// Decodes an image from memory. `out` is replaced only on success. Errors: 6 not a known
/// format, 4 a known format the engine cannot read, 17 / 23 damaged or truncated
/// content, 3 past the size limits. `detected` (optional) receives the format found.
bool loadImageFromMemory(const uint8_t* data, size_t size, Image& out,
                         const LoadOptions& options = {}, FileFormat* detected = nullptr);
/// As loadImageFromMemory, reading from `source`: as the decoder goes where the codec can
/// (Codec::decodeSource), else whole first (error 23 when it is cut short).
bool loadImageFromSource(ByteSource& source, Image& out, const LoadOptions& options = {},
                         FileFormat* detected = nullptr);
/// As loadImageFromSource, reading the file at `path` (errors 16, 20, 23 as well). For a
/// whole picture (options.minSide 0) the headers are read first: one whose raster and file
/// together do not fit the memory budget is refused with error 3 before the file is read
/// (fitsMemoryBudget).
bool loadImage(const std::string& path, Image& out, const LoadOptions& options = {},
               FileFormat* detected = nullptr);
/// As loadImage for a file already open, decoded in this process whether or not workers decode
/// (what a decode worker does for the program); the budget is checked first when `checkBudget`.
bool loadImageHere(FileSource& file, const LoadOptions& options, bool checkBudget, Image& out,
                   FileFormat* detected = nullptr);

class RowSink;  // engine/codecs/row_sink.h

/// Decodes the picture in the file at `path` into `sink` through its codec's row decoder
/// (Codec::decodeRows) with loadImage's default options, reading the file as the decoder goes
/// instead of whole. Refused as loadImage refuses it: the memory budget is judged as for a
/// whole image, whatever the sink keeps. Errors: 4 when the format has no row decoder, else
/// loadImage's; a sink declining at start() makes it return false too. With workers, the rows
/// stream from a worker to `sink`.
bool decodeFileRows(const std::string& path, RowSink& sink);
/// As decodeFileRows for a file already open, decoded in this process whether or not workers
/// decode (what a decode worker does for the program).
bool decodeRowsHere(FileSource& file, RowSink& sink, FileFormat* detected);
/// The rows of the whole picture, as loadImage decodes it with `options` (the sink keeping the
/// whole picture or not, minSide 0) up to gathering them, decoded in this process: errors as
/// loadImage's. False with error 4 and `notByRows` set when the format's whole picture is more
/// than its rows (Codec::wholeIsRows).
bool decodeWholeRowsHere(FileSource& file, const LoadOptions& options, RowSink& sink,
                         FileFormat* detected, bool& notByRows);

/// Whether the picture in the file at `path`, decoded whole, and the file's bytes together fit
/// the memory budget, judged from its headers (Codec::readFacts) without reading the rest:
/// false with error 3 when they do not, with the errors of readImageFacts when the headers
/// cannot be read. True for a format without a header reader, whose decoder checks what it
/// allocates.
bool fitsMemoryBudget(const std::string& path);

/// The facts of the picture in `source` as its headers give them, without decoding: `hasReader`
/// false (and true returned, `out` unchanged) for a format without a header reader. Errors as
/// readImageFacts.
bool readHeaderFacts(ByteSource& source, ImageFacts& out, bool& hasReader);

/// As headerRasterBytes for a source.
uint64_t headerRasterBytes(ByteSource& source);

/// Bytes of the raster of the picture in the file at `path`, decoded whole, by its headers; 0
/// for a format without a header reader and for a file whose headers cannot be read. The last
/// error is unspecified.
uint64_t headerRasterBytes(const std::string& path);

/// The facts of the picture in `source` from its headers alone (Codec::readFacts); for a codec
/// without a header reader the picture is decoded, within the memory budget. Errors as
/// loadImageFromMemory. `detected` (optional) receives the format found.
bool readImageFacts(ByteSource& source, ImageFacts& out, FileFormat* detected = nullptr);
/// As readImageFacts for the file at `path` (errors 16, 20 as well); only the bytes the
/// headers take are read.
bool readImageFacts(const std::string& path, ImageFacts& out, FileFormat* detected = nullptr);

/// Encodes `image` at its nominal depth in the format `options.format`. Errors: 5 unknown
/// code, 4 a format not available, 11 an empty image, 3 when an encoded copy as large as the
/// raster would not fit the memory budget, or the codec's.
bool encodeImage(const Image& image, const SaveOptions& options, std::vector<uint8_t>& out);
/// Encodes in memory, then writes `path` atomically (errors 21, 22 as well). On failure the
/// file at `path`, if any, is untouched. Existing::Keep only ever creates the file (error 21,
/// reason EEXIST, when one is there).
bool saveImage(const std::string& path, const Image& image, const SaveOptions& options,
               Existing existing = Existing::Replace);

}  // namespace ximora::engine
