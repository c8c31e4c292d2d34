// Encoder writing JFIF files (https://www.w3.org/Graphics/JPEG/jfif3.pdf).
#include <algorithm>
#include <vector>

#include "engine/codecs/jpeg/jpeg_codec.h"
#include "engine/codecs/jpeg/jpeg_error.h"
#include "engine/codecs/jpeg/jpeg_markers.h"
#include "engine/codecs/row_convert.h"
#include "engine/core/error.h"

// After jpeglib.h, which jpeg_error.h brings.
#include <jerror.h>

namespace ximora::engine {
namespace {

// libjpeg's output goes through a small buffer into the sink, so that a save writes the file
// as the rows are compressed instead of growing a copy of it in memory.
struct SinkDestination {
    static constexpr size_t kBufferBytes = size_t(64) << 10;
    jpeg_destination_mgr manager{};  // first: libjpeg hands back this pointer
    ByteSink* sink = nullptr;
    std::vector<JOCTET> buffer;
    bool sinkFailed = false;  ///< the sink refused bytes; its error stands

    void install(j_compress_ptr cinfo, ByteSink& to) {
        sink = &to;
        buffer.resize(kBufferBytes);
        manager.init_destination = [](j_compress_ptr c) { of(c).restart(); };
        manager.empty_output_buffer = [](j_compress_ptr c) -> boolean {
            of(c).hand(c, kBufferBytes);  // libjpeg wants the whole buffer taken
            of(c).restart();
            return TRUE;
        };
        manager.term_destination = [](j_compress_ptr c) {
            of(c).hand(c, kBufferBytes - of(c).manager.free_in_buffer);
        };
        cinfo->dest = &manager;
    }

  private:
    static SinkDestination& of(j_compress_ptr cinfo) {
        return *reinterpret_cast<SinkDestination*>(cinfo->dest);
    }
    void restart() {
        manager.next_output_byte = buffer.data();
        manager.free_in_buffer = buffer.size();
    }
    void hand(j_compress_ptr cinfo, size_t bytes) {
        if (bytes == 0 || sink->write(buffer.data(), bytes)) return;
        sinkFailed = true;
        ERREXIT(cinfo, JERR_FILE_WRITE);
    }
};

// State with destructors lives here, outside the setjmp frame.
class JpegEncoder {
  public:
    ~JpegEncoder() {
        if (created_) jpeg_destroy_compress(&cinfo_);
    }
    bool run(const Image& image, const SaveOptions& options, ByteSink& sink);
    std::vector<uint8_t> rowBuffer;

  private:
    jpeg_compress_struct cinfo_{};
    JpegErrorTrap trap_{};
    SinkDestination destination_;
    bool created_ = false;
};

bool JpegEncoder::run(const Image& image, const SaveOptions& options, ByteSink& sink) {
    const bool grey = indexesAreGreyLevels(image);
    rowBuffer.resize(size_t(image.width()) * 3);
    cinfo_.err = installJpegErrors(trap_);
    if (setjmp(trap_.jump)) {
        if (destination_.sinkFailed) return false;
        return fail(trap_.code == kErrMemory ? kErrMemory : kErrCannotWrite);
    }
    jpeg_create_compress(&cinfo_);
    created_ = true;
    destination_.install(&cinfo_, sink);
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

bool encodeJpegTo(const Image& image, const SaveOptions& options, ByteSink& sink) {
    if (image.empty()) return fail(kErrNoImage);
    if (options.jpegQuality < 1 || options.jpegQuality > 100) return fail(kErrBadParameter);
    JpegEncoder encoder;
    return encoder.run(image, options, sink);
}

bool encodeJpeg(const Image& image, const SaveOptions& options, std::vector<uint8_t>& out) {
    return encodeToMemory(encodeJpegTo, image, options, out);
}

}  // namespace ximora::engine
