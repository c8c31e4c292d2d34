#pragma once
// JPEG-compressed FlashPix tiles through libjpeg: the tables live once in the Image Contents
// property set, every tile is an abbreviated JPEG stream without them.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

#include <jpeglib.h>

#include "engine/codecs/jpeg/jpeg_error.h"

namespace ximora::engine::flashpix {

/// Decodes the JPEG tiles of one subimage with one libjpeg object, so that tables loaded once
/// serve every tile that names them.
class JpegTileDecoder {
  public:
    JpegTileDecoder();
    ~JpegTileDecoder();
    JpegTileDecoder(const JpegTileDecoder&) = delete;
    JpegTileDecoder& operator=(const JpegTileDecoder&) = delete;

    /// Loads a tables-only JPEG stream (a kPidJpegTables blob) for the tiles that follow.
    bool loadTables(const uint8_t* data, size_t size);
    /// Decodes one tile of `width` × `height` pixels and `channels` interleaved channels into
    /// `pixels`. With `converted`, the stream holds YCbCr made from the channels (three
    /// channels) or from inverted colour channels with the opacity beside them (four); the
    /// channels are restored. Errors: 17 a damaged tile or one of another size or layout.
    bool decode(const uint8_t* data, size_t size, bool converted, int channels, int width,
                int height, uint8_t* pixels);

  private:
    /// Error 3 when libjpeg ran out of memory, else 17, with libjpeg's words.
    bool failed() const;

    jpeg_decompress_struct cinfo_{};
    JpegErrorTrap trap_{};
    std::vector<uint8_t> row_;
};

/// Encodes the tiles of a file at one quality with one set of tables.
class JpegTileEncoder {
  public:
    JpegTileEncoder();
    ~JpegTileEncoder();
    JpegTileEncoder(const JpegTileEncoder&) = delete;
    JpegTileEncoder& operator=(const JpegTileEncoder&) = delete;

    /// Sets up tiles of `channels` channels (1 to 4) at `quality` (1 to 100) and writes the
    /// tables-only stream into `tables`. Colour channels are converted to YCbCr; chroma is
    /// halved both ways below the full-chroma quality of JPEG files.
    bool begin(int channels, int quality, std::vector<uint8_t>& tables);
    /// Encodes one tile of `side` × `side` interleaved pixels without its tables.
    bool encode(const uint8_t* pixels, int side, std::vector<uint8_t>& out);
    /// The compression subtype of the tiles: interleave, chroma subsampling, conversion
    /// and tables index 1, from the low byte up.
    uint32_t subtype() const { return subtype_; }

  private:
    jpeg_compress_struct cinfo_{};
    JpegErrorTrap trap_{};
    jpeg_destination_mgr destination_{};
    std::vector<uint8_t>* out_ = nullptr;
    uint32_t subtype_ = 0;
    static void initDestination(j_compress_ptr cinfo);
    static boolean emptyBuffer(j_compress_ptr cinfo);
    static void termDestination(j_compress_ptr cinfo);
};

}  // namespace ximora::engine::flashpix
