// Decoder for ITU-T T.81 / JFIF files: https://www.w3.org/Graphics/JPEG/itu-t81.pdf
#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include <jerror.h>

#include "engine/codecs/image_row_sink.h"
#include "engine/codecs/jpeg/jpeg_codec.h"
#include "engine/codecs/jpeg/jpeg_error.h"
#include "engine/codecs/jpeg/jpeg_markers.h"
#include "engine/core/error.h"
#include "engine/io/byte_source.h"
#include "engine/metadata/exif.h"

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

// Feeds libjpeg from a source through a buffer, for files that are not in memory.
struct SourceManager {
    jpeg_source_mgr manager;  // first, so that libjpeg's pointer is this object's
    SourceReader* reader;
    JOCTET buffer[64 * 1024];
};

void initSource(j_decompress_ptr) {}

boolean fillInputBuffer(j_decompress_ptr cinfo) {
    auto* source = reinterpret_cast<SourceManager*>(cinfo->src);
    size_t got = source->reader->read(source->buffer, sizeof source->buffer);
    if (got == 0) {
        // As libjpeg's own sources do at the end of the data: warn and insert an end marker.
        WARNMS(cinfo, JWRN_JPEG_EOF);
        source->buffer[0] = 0xFF;
        source->buffer[1] = JPEG_EOI;
        got = 2;
    }
    source->manager.next_input_byte = source->buffer;
    source->manager.bytes_in_buffer = got;
    return TRUE;
}

void skipInputData(j_decompress_ptr cinfo, long count) {
    auto* source = reinterpret_cast<SourceManager*>(cinfo->src);
    while (count > long(source->manager.bytes_in_buffer)) {
        count -= long(source->manager.bytes_in_buffer);
        fillInputBuffer(cinfo);
    }
    if (count > 0) {
        source->manager.next_input_byte += count;
        source->manager.bytes_in_buffer -= size_t(count);
    }
}

void termSource(j_decompress_ptr) {}

// Holds every piece of state with a destructor outside the setjmp frame, so that a longjmp
// from libjpeg never skips one.
class JpegDecoder {
  public:
    JpegDecoder(ByteSource& source, RowSink& sink)
        : source_(source), reader_(source), sink_(sink) {}
    ~JpegDecoder() {
        if (created_) jpeg_destroy_decompress(&cinfo_);
        std::free(icc_);
    }
    bool run(const LoadOptions& options);

  private:
    void useSource();
    /// Reads the rows; `pastTheEnd` goes on after the data ended early.
    void readRows(bool pastTheEnd);
    void takeMarkers();

    ByteSource& source_;
    SourceReader reader_;
    RowSink& sink_;
    std::unique_ptr<SourceManager> manager_;
    jpeg_decompress_struct cinfo_{};
    JpegErrorTrap trap_{};
    jpeg_progress_mgr progress_{};
    bool created_ = false;
    JOCTET* icc_ = nullptr;
    std::vector<uint8_t> scanlines_, rgb_;
    RowLayout layout_;  // its palette would leak if libjpeg jumped over a local one
    bool cmyk_ = false;
};

void JpegDecoder::useSource() {
    if (const uint8_t* data = source_.data()) {
        jpeg_mem_src(&cinfo_, data, static_cast<unsigned long>(source_.size()));
        return;
    }
    manager_ = std::make_unique<SourceManager>();
    manager_->reader = &reader_;
    manager_->manager.init_source = initSource;
    manager_->manager.fill_input_buffer = fillInputBuffer;
    manager_->manager.skip_input_data = skipInputData;
    manager_->manager.resync_to_restart = jpeg_resync_to_restart;
    manager_->manager.term_source = termSource;
    cinfo_.src = &manager_->manager;
}

bool JpegDecoder::run(const LoadOptions& options) {
    cinfo_.err = installJpegErrors(trap_);
    if (setjmp(trap_.jump)) return failWithDetail(trap_.code, trap_.message);
    jpeg_create_decompress(&cinfo_);
    created_ = true;
    limitJpegScans(cinfo_, progress_);
    cinfo_.mem->max_memory_to_use = long(std::min<uint64_t>(memoryLimit(), uint64_t(LONG_MAX)));
    useSource();
    saveJpegMarkers(cinfo_);
    jpeg_read_header(&cinfo_, TRUE);
    takeMarkers();

    cmyk_ = cinfo_.jpeg_color_space == JCS_CMYK || cinfo_.jpeg_color_space == JCS_YCCK;
    const bool grey = cinfo_.num_components == 1;
    cinfo_.out_color_space = cmyk_ ? JCS_CMYK : grey ? JCS_GRAYSCALE : JCS_EXT_RGB;
    cinfo_.scale_num = unsigned(
        scaleNumerator(int(cinfo_.image_width), int(cinfo_.image_height), options.minSide));
    cinfo_.scale_denom = 8;
    jpeg_calc_output_dimensions(&cinfo_);
    layout_.width = int(cinfo_.output_width);
    layout_.height = int(cinfo_.output_height);
    layout_.bitsPerPixel = grey ? 8 : 24;
    layout_.grey = grey;
    if (grey) layout_.palette = greyPalette(8);
    if (!Image::fitsSides(layout_.width, layout_.height)) return false;
    if (!sink_.start(layout_)) return false;

    jpeg_start_decompress(&cinfo_);
    readRows(options.keepCutShort);
    if (trap_.truncated && !options.keepCutShort)
        return failWithDetail(kErrCannotRead, trap_.message);
    if (!trap_.truncated) jpeg_finish_decompress(&cinfo_);
    if (trap_.truncated && !options.keepCutShort)
        return failWithDetail(kErrCannotRead, trap_.message);
    sink_.notes.cutShort = trap_.truncated;
    return true;
}

// Rows are decoded in place when the sink offers its memory, else through a buffer; CMYK
// always goes through one, to be turned into RGB.
void JpegDecoder::readRows(bool pastTheEnd) {
    const JDIMENSION width = cinfo_.output_width;
    const size_t rowBytes = size_t(width) * size_t(cinfo_.output_components);
    const bool direct = !cmyk_ && sink_.rowMemory(0) != nullptr;
    if (!direct) scanlines_.resize(rowBytes * kRowsPerCall);
    if (cmyk_) rgb_.resize(size_t(width) * 3);
    const bool inverted = cinfo_.saw_Adobe_marker;
    JSAMPROW rows[kRowsPerCall];
    // Past the end of the data libjpeg goes on with empty blocks: grey rows.
    while (cinfo_.output_scanline < cinfo_.output_height && (pastTheEnd || !trap_.truncated)) {
        const JDIMENSION first = cinfo_.output_scanline;
        const JDIMENSION count = std::min<JDIMENSION>(kRowsPerCall, cinfo_.output_height - first);
        for (JDIMENSION i = 0; i < count; ++i)
            rows[i] = direct ? sink_.rowMemory(int(first + i)) : scanlines_.data() + rowBytes * i;
        const JDIMENSION got = jpeg_read_scanlines(&cinfo_, rows, count);
        if (got == 0) break;  // libjpeg suspended: nothing more will come
        for (JDIMENSION i = 0; i < got; ++i) {
            if (cmyk_) {
                cmykRowToRgb(rows[i], rgb_.data(), int(width), inverted);
                sink_.putRow(int(first + i), rgb_.data());
            } else {
                sink_.putRow(int(first + i), rows[i]);
            }
        }
    }
}

void JpegDecoder::takeMarkers() {
    // The ICC call may jump back on a malformed chunk: no object with a destructor is alive yet.
    PictureNotes& notes = sink_.notes;
    unsigned int iccLength = 0;
    if (jpeg_read_icc_profile(&cinfo_, &icc_, &iccLength))
        notes.metadata.icc.assign(icc_, icc_ + iccLength);
    readJpegMarkers(cinfo_, notes.comment, notes.metadata);
    if (cinfo_.saw_JFIF_marker && (cinfo_.density_unit == 1 || cinfo_.density_unit == 2) &&
        cinfo_.X_density && cinfo_.Y_density) {
        const double scale = cinfo_.density_unit == 2 ? 2.54 : 1.0;
        notes.dpiX = int(cinfo_.X_density * scale + 0.5);
        notes.dpiY = int(cinfo_.Y_density * scale + 0.5);
    } else {
        exifResolution(notes.metadata.exif, notes.dpiX, notes.dpiY);
    }
    notes.orientation = std::max(1, exifOrientation(notes.metadata.exif));
}

}  // namespace

bool decodeJpegRows(ByteSource& source, const LoadOptions& options, RowSink& sink) {
    return JpegDecoder(source, sink).run(options);
}

bool decodeJpeg(const uint8_t* data, size_t size, const LoadOptions& options, Image& out) {
    return decodeWholeImage(decodeJpegRows, data, size, options, out);
}

bool readJpegFacts(ByteSource& source, ImageFacts& out) {
    return readFactsWithRows(decodeJpegRows, source, out);
}

}  // namespace ximora::engine
