#pragma once
// The engine's image: a raster that knows its nominal depth, as a device-independent bitmap
// would describe it, with resolution, comment and the metadata blocks kept from its file.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/core/deep_samples.h"
#include "engine/core/memory_budget.h"

namespace ximora::engine {

/// A palette entry. `a` is 255 unless a file gave the entry a transparency.
struct Colour {
    uint8_t r = 0, g = 0, b = 0, a = 255;
    friend bool operator==(const Colour&, const Colour&) = default;
};

/// Blocks carried from a file to the next save of the same image (JPEG, PNG, TIFF).
struct Metadata {
    std::vector<uint8_t> exif;  ///< TIFF-structured EXIF data, without the "Exif\0\0" prefix
    std::vector<uint8_t> xmp;   ///< the XMP packet (UTF-8 XML)
    std::vector<uint8_t> icc;   ///< the ICC colour profile
    bool empty() const { return exif.empty() && xmp.empty() && icc.empty(); }
};

/// Limits checked before any raster is allocated (error 3 when exceeded): a side of at most
/// kMaxSide pixels and a raster within the memory budget (memory_budget.h).
constexpr int kMaxSide = 65535;

/// Gives a raster buffer back to the RasterPool, which needs the buffer's size, or unmaps a
/// raster that came mapped from another process.
struct RasterRelease {
    size_t capacity = 0;
    bool mapped = false;
    void operator()(uint8_t* buffer) const;
};

/// In-memory layouts, chosen so that Qt can paint each one without a copy:
///  - 1, 4, 8 bits: one palette index per byte (QImage::Format_Indexed8). Indexes stay below
///    2^bits; the palette holds at most 2^bits entries.
///  - 16 bits: one native-endian RGB 5-6-5 word per pixel (QImage::Format_RGB16).
///  - 24 bits: bytes R, G, B (QImage::Format_RGB888).
///  - 32 bits: bytes R, G, B, A (QImage::Format_RGBA8888).
/// Rows are top-down and padded to a multiple of 4 bytes.
class Image {
  public:
    Image() = default;
    Image(const Image& other);
    Image& operator=(const Image& other);
    Image(Image&&) noexcept = default;
    Image& operator=(Image&&) noexcept = default;

    /// Allocates an uninitialised width × height raster at nominal depth `bitsPerPixel`
    /// (1, 4, 8, 16, 24 or 32). Keeps nothing of the previous raster or its deep samples. Fails
    /// with error 5 for a bad depth or size below 1, error 3 past the limits (nothing is allocated
    /// then).
    bool allocate(int width, int height, int bitsPerPixel, bool grey = false);
    /// Takes over `mapping` (mmap'ed, `mappedBytes` long) as the raster of a width × height
    /// picture at `bitsPerPixel`, laid out as allocate() lays it out; the image unmaps it when
    /// it lets it go, and it counts against the memory budget meanwhile. For a picture decoded in
    /// another process. Fails with error 5 or 3, the mapping left to the caller, when the sizes
    /// are not ones allocate() would accept or the mapping is too short for them.
    bool adoptMapping(int width, int height, int bitsPerPixel, bool grey, uint8_t* mapping,
                      size_t mappedBytes);
    /// As allocate, then fills the raster with zero bytes.
    bool allocateZeroed(int width, int height, int bitsPerPixel, bool grey = false);
    /// Whether a raster of that size and depth may be allocated (sets error 3 or 5 if not).
    static bool fitsLimits(int64_t width, int64_t height, int bitsPerPixel);
    /// Whether a picture's sides are ones the engine handles, 1 to kMaxSide (sets error 5 below,
    /// 3 above): what a decoder checks before it describes a picture, whose raster only a sink
    /// that keeps it must fit into the memory budget.
    static bool fitsSides(int64_t width, int64_t height);
    /// Bytes of the in-memory raster of that size and depth (rows padded to 4 bytes).
    static uint64_t rasterBytes(int64_t width, int64_t height, int bitsPerPixel);

    bool empty() const { return !pixels_; }
    /// Whether the raster is mapped from another process's file (adoptMapping), not the
    /// program's own memory.
    bool rasterMapped() const { return pixels_ && pixels_.get_deleter().mapped; }
    int width() const { return width_; }
    int height() const { return height_; }
    /// Nominal bits per pixel: 1, 4, 8, 16, 24 or 32.
    int bitsPerPixel() const { return bpp_; }
    /// Grey flag; meaningful for 4 and 8 bits (a grey ramp palette).
    bool grey() const { return grey_; }
    void setGrey(bool grey) { grey_ = grey; }
    /// Bytes per pixel of the in-memory layout: 1, 2, 3 or 4.
    int bytesPerPixel() const { return storageBytesPerPixel(bpp_); }
    static int storageBytesPerPixel(int bitsPerPixel);
    size_t stride() const { return stride_; }
    uint8_t* data() { return pixels_.get(); }
    const uint8_t* data() const { return pixels_.get(); }
    uint8_t* row(int y) { return pixels_.get() + size_t(y) * stride_; }
    const uint8_t* row(int y) const { return pixels_.get() + size_t(y) * stride_; }
    size_t byteCount() const { return stride_ * size_t(height_); }

    /// Bytes of the raster at its nominal depth with rows padded to 4 bytes (a DIB's size).
    uint64_t dataSize() const;
    /// The editor's colour code: bits per pixel, or 40 / 80 for 4 / 8-bit grey.
    int colourCode() const;
    bool hasPalette() const { return bpp_ <= 8; }

    std::vector<Colour> palette;  ///< for 1, 4 and 8 bits
    int dpiX = 0;                 ///< horizontal dots per inch, 0 = not set
    int dpiY = 0;                 ///< vertical dots per inch, 0 = not set
    std::string comment;          ///< the comment stored in the file, as its bytes
    /// The file ended before the picture did and the rows it lacked were filled in (only when
    /// loaded with LoadOptions::keepCutShort).
    bool cutShort = false;
    Metadata metadata;
    /// The 16-bit samples the file held, when it held more than 8 bits a sample (deep_samples.h);
    /// shared between copies, never changed in place.
    std::shared_ptr<const DeepSamples> deep;

    /// Reads a pixel as colour (palette looked up, 5-6-5 widened); for tests and picking.
    Colour pixel(int x, int y) const;

  private:
    int width_ = 0;
    int height_ = 0;
    int bpp_ = 0;
    bool grey_ = false;
    size_t stride_ = 0;
    std::unique_ptr<uint8_t[], RasterRelease> pixels_;
    MemoryCharge charge_;  // the raster counts against the memory budget while it lives
    bool acquirePixels(size_t bytes);
    // Describes the raster just acquired or adopted; keeps nothing of the old one's samples.
    void takeLayout(int width, int height, int bitsPerPixel, bool grey, size_t stride);
};

/// RGB 5-6-5 packing used by the 16-bit layout; unpacking replicates the top bits.
inline uint16_t packRgb565(uint8_t r, uint8_t g, uint8_t b) {
    return uint16_t(((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3));
}
inline Colour unpackRgb565(uint16_t v) {
    const uint8_t r5 = (v >> 11) & 31, g6 = (v >> 5) & 63, b5 = v & 31;
    return Colour{uint8_t((r5 << 3) | (r5 >> 2)), uint8_t((g6 << 2) | (g6 >> 4)),
                  uint8_t((b5 << 3) | (b5 >> 2)), 255};
}

/// A grey ramp of 2^bits entries (black to white).
std::vector<Colour> greyPalette(int bits);

}  // namespace ximora::engine
