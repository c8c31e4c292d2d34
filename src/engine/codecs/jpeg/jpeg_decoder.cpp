// Decoder for ITU-T T.81 / JFIF files: https://www.w3.org/Graphics/JPEG/itu-t81.pdf
#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "engine/codecs/jpeg/jpeg_codec.h"
#include "engine/codecs/jpeg/jpeg_error.h"
#include "engine/codecs/jpeg/jpeg_markers.h"
#include "engine/codecs/raster_pages.h"
#include "engine/core/error.h"
#include "engine/metadata/exif.h"
#include "engine/metadata/orientation.h"

namespace ximora::engine {
namespace {

constexpr int kRowsPerCall = 16;

// Smallest DCT scale n/8 that keeps both sides at least `minSide` (8/8 when none does).
int scaleNumerator(int width, int height, int minSide) {
    if (minSide <= 0) return 8;
    for (int n = 1; n < 8; ++n) {
        const int64_t w = (int64_t(width) * n + 7) / 8, h = (int64_t(height) * n + 7) / 8;
        if (w >= minSide && h >= minSide) return n;
    }
    return 8;
}

// CMYK as Adobe applications write it is stored inverted (0 = full ink).
void cmykRowToRgb(const uint8_t* in, uint8_t* out, int width, bool inverted) {
    for (int x = 0; x < width; ++x, in += 4, out += 3) {
        int c = in[0], m = in[1], y = in[2], k = in[3];
        if (!inverted) c = 255 - c, m = 255 - m, y = 255 - y, k = 255 - k;
        out[0] = uint8_t((c * k + 127) / 255);
        out[1] = uint8_t((m * k + 127) / 255);
        out[2] = uint8_t((y * k + 127) / 255);
    }
}

// Holds every piece of state with a destructor outside the setjmp frame, so that a longjmp
// from libjpeg never skips one.
class JpegDecoder {
  public:
    ~JpegDecoder() {
        if (created_) jpeg_destroy_decompress(&cinfo_);
        std::free(icc_);
    }
    bool run(const uint8_t* data, size_t size, const LoadOptions& options);
    Image image;

  private:
    void readRows();
    void readCmykRows();
    void takeMarkers();

    jpeg_decompress_struct cinfo_{};
    JpegErrorTrap trap_{};
    jpeg_progress_mgr progress_{};
    bool created_ = false;
    JOCTET* icc_ = nullptr;
    std::vector<uint8_t> cmyk_;
};

bool JpegDecoder::run(const uint8_t* data, size_t size, const LoadOptions& options) {
    cinfo_.err = installJpegErrors(trap_);
    if (setjmp(trap_.jump)) return fail(trap_.code);
    jpeg_create_decompress(&cinfo_);
    created_ = true;
    limitJpegScans(cinfo_, progress_);
    cinfo_.mem->max_memory_to_use = long(std::min<uint64_t>(memoryLimit(), uint64_t(LONG_MAX)));
    jpeg_mem_src(&cinfo_, data, static_cast<unsigned long>(size));
    saveJpegMarkers(cinfo_);
    jpeg_read_header(&cinfo_, TRUE);
    takeMarkers();

    const bool cmyk = cinfo_.jpeg_color_space == JCS_CMYK || cinfo_.jpeg_color_space == JCS_YCCK;
    const bool grey = cinfo_.num_components == 1;
    cinfo_.out_color_space = cmyk ? JCS_CMYK : grey ? JCS_GRAYSCALE : JCS_EXT_RGB;
    cinfo_.scale_num = unsigned(
        scaleNumerator(int(cinfo_.image_width), int(cinfo_.image_height), options.minSide));
    cinfo_.scale_denom = 8;
    jpeg_calc_output_dimensions(&cinfo_);
    const int bits = grey ? 8 : 24;
    if (!image.allocate(int(cinfo_.output_width), int(cinfo_.output_height), bits, grey))
        return false;
    preferHugePages(image);
    if (grey) image.palette = greyPalette(8);
    if (cmyk) cmyk_.resize(size_t(cinfo_.output_width) * 4 * kRowsPerCall);

    jpeg_start_decompress(&cinfo_);
    if (cmyk)
        readCmykRows();
    else
        readRows();
    if (trap_.truncated) return fail(kErrCannotRead);
    jpeg_finish_decompress(&cinfo_);
    if (trap_.truncated) return fail(kErrCannotRead);
    return finishLoadedMetadata(image, options);
}

void JpegDecoder::readRows() {
    JSAMPROW rows[kRowsPerCall];
    while (cinfo_.output_scanline < cinfo_.output_height && !trap_.truncated) {
        const JDIMENSION first = cinfo_.output_scanline;
        const JDIMENSION count = std::min<JDIMENSION>(kRowsPerCall, cinfo_.output_height - first);
        for (JDIMENSION i = 0; i < count; ++i) rows[i] = image.row(int(first + i));
        jpeg_read_scanlines(&cinfo_, rows, count);
    }
}

void JpegDecoder::readCmykRows() {
    JSAMPROW rows[kRowsPerCall];
    const size_t rowBytes = size_t(cinfo_.output_width) * 4;
    for (int i = 0; i < kRowsPerCall; ++i) rows[i] = cmyk_.data() + rowBytes * size_t(i);
    const bool inverted = cinfo_.saw_Adobe_marker;
    while (cinfo_.output_scanline < cinfo_.output_height && !trap_.truncated) {
        const JDIMENSION first = cinfo_.output_scanline;
        const JDIMENSION count = std::min<JDIMENSION>(kRowsPerCall, cinfo_.output_height - first);
        const JDIMENSION got = jpeg_read_scanlines(&cinfo_, rows, count);
        for (JDIMENSION i = 0; i < got; ++i)
            cmykRowToRgb(rows[i], image.row(int(first + i)), int(cinfo_.output_width), inverted);
    }
}

void JpegDecoder::takeMarkers() {
    // The ICC call may jump back on a malformed chunk: no object with a destructor is alive yet.
    unsigned int iccLength = 0;
    if (jpeg_read_icc_profile(&cinfo_, &icc_, &iccLength))
        image.metadata.icc.assign(icc_, icc_ + iccLength);
    readJpegMarkers(cinfo_, image);
    if (cinfo_.saw_JFIF_marker && (cinfo_.density_unit == 1 || cinfo_.density_unit == 2) &&
        cinfo_.X_density && cinfo_.Y_density) {
        const double scale = cinfo_.density_unit == 2 ? 2.54 : 1.0;
        image.dpiX = int(cinfo_.X_density * scale + 0.5);
        image.dpiY = int(cinfo_.Y_density * scale + 0.5);
    } else {
        exifResolution(image.metadata.exif, image.dpiX, image.dpiY);
    }
}

}  // namespace

bool decodeJpeg(const uint8_t* data, size_t size, const LoadOptions& options, Image& out) {
    JpegDecoder decoder;
    if (!decoder.run(data, size, options)) return false;
    out = std::move(decoder.image);
    return true;
}

}  // namespace ximora::engine
