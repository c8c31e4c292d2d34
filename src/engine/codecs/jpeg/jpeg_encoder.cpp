// Encoder writing JFIF files (https://www.w3.org/Graphics/JPEG/jfif3.pdf).
#include <algorithm>
#include <cstdlib>

#include "engine/codecs/jpeg/jpeg_codec.h"
#include "engine/codecs/jpeg/jpeg_error.h"
#include "engine/codecs/jpeg/jpeg_markers.h"
#include "engine/codecs/row_convert.h"
#include "engine/core/error.h"

namespace ximora::engine {
namespace {

// State with destructors lives here, outside the setjmp frame.
class JpegEncoder {
  public:
    ~JpegEncoder() {
        if (created_) jpeg_destroy_compress(&cinfo_);
        std::free(buffer_);
    }
    bool run(const Image& image, const SaveOptions& options);
    std::vector<uint8_t> rowBuffer;
    unsigned char* buffer_ = nullptr;
    unsigned long bufferSize_ = 0;

  private:
    jpeg_compress_struct cinfo_{};
    JpegErrorTrap trap_{};
    bool created_ = false;
};

bool JpegEncoder::run(const Image& image, const SaveOptions& options) {
    const bool grey = indexesAreGreyLevels(image);
    rowBuffer.resize(size_t(image.width()) * 3);
    cinfo_.err = installJpegErrors(trap_);
    if (setjmp(trap_.jump)) return fail(trap_.code == kErrMemory ? kErrMemory : kErrCannotWrite);
    jpeg_create_compress(&cinfo_);
    created_ = true;
    jpeg_mem_dest(&cinfo_, &buffer_, &bufferSize_);
    cinfo_.image_width = JDIMENSION(image.width());
    cinfo_.image_height = JDIMENSION(image.height());
    cinfo_.input_components = grey ? 1 : 3;
    cinfo_.in_color_space = grey ? JCS_GRAYSCALE : JCS_EXT_RGB;
    jpeg_set_defaults(&cinfo_);
    jpeg_set_quality(&cinfo_, options.jpegQuality, TRUE);
    // At high qualities halving the chroma costs more than the quantisation does (about
    // 34 dB against 50 at quality 100), so the chroma keeps every pixel (4:4:4).
    if (!grey && options.jpegQuality >= kFullChromaQuality)
        cinfo_.comp_info[0].h_samp_factor = cinfo_.comp_info[0].v_samp_factor = 1;
    // Huffman tables fitted to the picture: files about a tenth smaller for a little time.
    cinfo_.optimize_coding = TRUE;
    if (options.format == kSaveJpegProgressive) jpeg_simple_progression(&cinfo_);
    if (image.dpiX > 0 && image.dpiY > 0) {
        cinfo_.density_unit = 1;
        cinfo_.X_density = UINT16(std::min(image.dpiX, 65535));
        cinfo_.Y_density = UINT16(std::min(image.dpiY, 65535));
    }
    jpeg_start_compress(&cinfo_, TRUE);
    writeJpegMarkers(cinfo_, image);

    const bool direct = image.bitsPerPixel() == 24;
    while (cinfo_.next_scanline < cinfo_.image_height) {
        const int y = int(cinfo_.next_scanline);
        JSAMPROW row = rowBuffer.data();
        if (direct) {
            row = const_cast<JSAMPROW>(image.row(y));  // libjpeg only reads input rows
        } else if (grey) {
            const uint8_t* in = image.row(y);
            for (int x = 0; x < image.width(); ++x) rowBuffer[size_t(x)] = image.palette[in[x]].r;
        } else {
            rowToRgb(image, y, rowBuffer.data());
        }
        jpeg_write_scanlines(&cinfo_, &row, 1);
    }
    jpeg_finish_compress(&cinfo_);
    return true;
}

}  // namespace

bool encodeJpeg(const Image& image, const SaveOptions& options, std::vector<uint8_t>& out) {
    if (image.empty()) return fail(kErrNoImage);
    if (options.jpegQuality < 1 || options.jpegQuality > 100) return fail(kErrBadParameter);
    JpegEncoder encoder;
    if (!encoder.run(image, options)) return false;
    out.assign(encoder.buffer_, encoder.buffer_ + encoder.bufferSize_);
    return true;
}

}  // namespace ximora::engine
