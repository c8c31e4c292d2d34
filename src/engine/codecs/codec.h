#pragma once
// One entry per file format. The loader detects the format by content (never by extension)
// and asks the matching codec to decode; the saver picks the codec by the save format code.

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/core/image.h"
#include "engine/io/byte_sink.h"
#include "engine/io/vector_sink.h"

namespace ximora::engine {

class ByteSource;  // engine/io/byte_source.h
class RowSink;     // engine/codecs/row_sink.h

enum class FileFormat {
    Unknown,
    Bmp,
    Jpeg,
    Png,
    Gif,
    Tiff,
    Pcx,
    Jp2,
    J2k,
    FlashPix,
    Wmf,
    Emf,
    Dxf,
    Svg,
    Webp,
    Heif,
    Avif,
    Jxl
};

/// How a file is decoded.
struct LoadOptions {
    /// When above 0, the decoder may return a smaller image whose sides are still at least this
    /// many pixels (or the full image when smaller): JPEG DCT scaling, JPEG 2000 reduced
    /// resolutions. Used for thumbnails; 0 decodes at full size.
    int minSide = 0;
    /// Turn the pixels upright by the EXIF orientation and set the kept tag to 1.
    bool applyOrientation = true;
    /// Keep the EXIF, XMP and ICC blocks in Image::metadata.
    bool keepMetadata = true;
    /// A JPEG whose data ends early loads with what is there (the rest grey) and
    /// Image::cutShort set, as a viewer shows it; off, it fails with error 23, so that no
    /// conversion writes a picture that is partly invented.
    bool keepCutShort = false;
};

/// What a file's headers say about its picture, read without decoding a pixel: what `info`, the
/// browser and the memory budget need.
struct ImageFacts {
    int width = 0, height = 0;  ///< pixels, upright as loading gives them (EXIF orientation)
    int bitsPerPixel = 0;       ///< the nominal depth loading gives: 1, 4, 8, 16, 24 or 32
    bool grey = false;          ///< a grey ramp palette at 4 or 8 bits
    int dpiX = 0, dpiY = 0;     ///< dots per inch, 0 = not set
    int sampleBits = 8;         ///< bits a sample as the file stores them (16 for 16-bit PNG)
    /// The editor's colour code as the decoded image would give it (24, 40 for 4-bit grey...).
    int colourCode() const {
        return grey && (bitsPerPixel == 4 || bitsPerPixel == 8) ? bitsPerPixel * 10 : bitsPerPixel;
    }
};

/// Save format codes as the editor and the save-as dialog use them.
enum SaveFormat : int {
    kSaveBmp = 0,
    kSaveBmpRle = 1,
    kSaveJpeg = 2,
    kSaveJpegProgressive = 3,
    kSaveGif = 4,
    kSaveTiff = 5,
    kSaveTiffLzw = 11,
    kSavePng = 12,
    kSaveFpx = 13,
    kSaveFpxCompressed = 15,
    kSavePcx = 16,
    kSaveJp2 = 21,
    kSaveJ2k = 22,
    // Formats added after the codes above, numbered from 30 up.
    kSaveWebp = 30,          ///< WebP at SaveOptions::jpegQuality (100 writes it lossless)
    kSaveWebpLossless = 31,  ///< WebP, always lossless
};

/// How a file is encoded.
struct SaveOptions {
    int format = kSaveBmp;
    int jpegQuality = 75;        ///< 1 to 100; also WebP's quality (kSaveWebp; 100 = lossless)
    bool interlace = false;      ///< GIF interlace, PNG Adam7
    int transparentColour = -1;  ///< 0xRRGGBB written as transparent (GIF, PNG); -1 none
    int jpeg2000Ratio = 0;       ///< compression ratio; 0 = lossless
};

/// A codec: content test, decoder and encoder over memory buffers, and optionally a header
/// reader and a row-by-row decoder over a ByteSource. The two optional entries keep big files
/// and forged headers cheap; a codec without them still works, within the memory budget.
struct Codec {
    FileFormat format;
    std::string_view extension;  ///< lower-case extension of the detected format ("jpg", "png")
    bool (*matches)(const uint8_t* head, size_t size);
    bool (*decode)(const uint8_t* data, size_t size, const LoadOptions& options, Image& out);
    /// Encodes at the image's nominal depth; nullptr when the format cannot be written.
    bool (*encode)(const Image& image, const SaveOptions& options, std::vector<uint8_t>& out);
    std::vector<int> saveFormats;  ///< the save format codes this codec writes
    /// As encode, handing the bytes to a sink as they are made, so that a save writes the file
    /// while encoding instead of holding it whole in memory; nullptr when the codec cannot.
    bool (*encodeTo)(const Image& image, const SaveOptions& options, ByteSink& sink) = nullptr;
    /// Optional header reader: fills `out` from the file's headers, asking `source` only for
    /// the bytes they take (never the whole file), without decoding pixels or allocating
    /// anything of the picture's size. Errors as decode: 6, 17, 23, 4, 3 past the size limits
    /// (not the memory budget, which the caller applies). nullptr: the registry decodes the
    /// whole picture instead, within the memory budget.
    bool (*readFacts)(ByteSource& source, ImageFacts& out) = nullptr;
    /// Optional row decoder: decodes the picture from `source` and hands it to `sink` row by
    /// row (see row_sink.h), holding no more of it than a band of rows, so that a thumbnail of
    /// any size takes little memory. options.minSide as for decode. nullptr: thumbnails decode
    /// the whole picture, within the memory budget.
    bool (*decodeRows)(ByteSource& source, const LoadOptions& options, RowSink& sink) = nullptr;
    /// Optional: as decode, reading the file through `source` as the decoder goes, so that
    /// opening a picture holds no copy of its file. nullptr: the file is read whole first.
    bool (*decodeSource)(ByteSource& source, const LoadOptions& options, Image& out) = nullptr;
    /// Whether decodeSource is the row decoder's rows gathered into a picture (an ImageRowSink,
    /// as decodeSourceByRows), then finishGathered when set, and nothing more: a picture decoded
    /// elsewhere may then come as its rows.
    bool wholeIsRows = false;
    /// What decodeSource does to the gathered picture, if anything; it reads nothing but the
    /// picture.
    void (*finishGathered)(Image& image) = nullptr;
};

/// Runs an encoder that hands its bytes to a sink (a Codec::encodeTo) into memory, as
/// Codec::encode does: `out` changes only when it succeeds.
inline bool encodeToMemory(bool (*encodeTo)(const Image&, const SaveOptions&, ByteSink&),
                           const Image& image, const SaveOptions& options,
                           std::vector<uint8_t>& out) {
    std::vector<uint8_t> bytes;
    VectorSink sink(bytes);
    if (!encodeTo(image, options, sink)) return false;
    out = std::move(bytes);
    return true;
}

}  // namespace ximora::engine
