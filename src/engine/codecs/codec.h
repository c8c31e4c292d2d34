#pragma once
// One entry per file format. The loader detects the format by content (never by extension)
// and asks the matching codec to decode; the saver picks the codec by the save format code.

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "engine/core/image.h"
#include "engine/io/byte_sink.h"

namespace ximora::engine {

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

/// A codec: content test, decoder and encoder over memory buffers.
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
};

}  // namespace ximora::engine
