// Encoder for PNG files: https://www.w3.org/TR/png/
#include <libdeflate.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <string>

#include "engine/codecs/png/png_codec.h"
#include "engine/codecs/png/png_error.h"
#include "engine/codecs/png/png_filter.h"
#include "engine/codecs/png/strip_deflate.h"
#include "engine/codecs/row_convert.h"
#include "engine/core/error.h"

namespace ximora::engine {
namespace {

void writeToSink(png_structp png, png_bytep data, size_t length) {
    auto* sink = static_cast<ByteSink*>(png_get_io_ptr(png));
    if (!sink->write(data, length)) pngFail(png, lastError(), lastErrorReason());
}

void flushNothing(png_structp) {}

bool hasHighBytes(const std::string& text) {
    return std::any_of(text.begin(), text.end(), [](char c) { return uint8_t(c) >= 0x80; });
}

// Uncompressed bytes per deflated strip: large enough that the strips' separate windows cost
// little, small enough that the cores share even small pictures.
constexpr size_t kStripBytes = size_t(1) << 20;
// libdeflate's level 2 already makes files smaller than zlib's default level at a fraction of
// its time; higher levels gain a few per cent for twice the time.
constexpr int kDeflateLevel = 2;
// Image data goes out in IDAT chunks of about this size.
constexpr size_t kIdatBytes = size_t(1) << 18;

// Writes a whole chunk (length, type, data, CRC) after the ones libpng wrote.
bool writeChunk(ByteSink& sink, const char (&type)[5], const uint8_t* data, size_t size) {
    const auto* name = reinterpret_cast<const uint8_t*>(type);
    // libdeflate_crc32 with no buffer starts a checksum over, so an empty chunk skips it.
    uint32_t crc = libdeflate_crc32(0, name, 4);
    if (size) crc = libdeflate_crc32(crc, data, size);
    const uint8_t head[8] = {uint8_t(size >> 24),
                             uint8_t(size >> 16),
                             uint8_t(size >> 8),
                             uint8_t(size),
                             name[0],
                             name[1],
                             name[2],
                             name[3]};
    const uint8_t tail[4] = {uint8_t(crc >> 24), uint8_t(crc >> 16), uint8_t(crc >> 8),
                             uint8_t(crc)};
    return sink.write(head, sizeof head) && (size == 0 || sink.write(data, size)) &&
           sink.write(tail, sizeof tail);
}

// A picture row as the PNG stream stores it before filtering: the file's 16-bit samples where
// the picture still has them (big-endian), palette indexes packed below 8 bits, 5-6-5 widened
// to RGB, other depths as they are in memory.
class PngRows {
  public:
    /// `deep`: the image's current deep samples, or nullptr.
    PngRows(const Image& image, const DeepSamples* deep)
        : image_(image), deep_(deep), bits_(image.bitsPerPixel()) {}
    size_t length() const {
        const size_t w = size_t(image_.width());
        return bits_ < 8 ? (w * size_t(bits_) + 7) / 8 : w * size_t(bytesPerPixel());
    }
    int bytesPerPixel() const {
        if (deep_) return 2 * deep_->channels;
        return bits_ == 16 ? 3 : std::max(1, bits_ / 8);
    }
    /// Row `y`, either in place or converted into `scratch` (length() bytes).
    const uint8_t* row(int y, uint8_t* scratch) const {
        if (deep_) {
            const uint16_t* samples = deep_->row(y);
            const size_t count = size_t(image_.width()) * size_t(deep_->channels);
            for (size_t i = 0; i < count; ++i) {
                scratch[2 * i] = uint8_t(samples[i] >> 8);
                scratch[2 * i + 1] = uint8_t(samples[i]);
            }
            return scratch;
        }
        if (bits_ == 16) {
            rowToRgb(image_, y, scratch);
            return scratch;
        }
        if (bits_ >= 8) return image_.row(y);
        const uint8_t* indexes = image_.row(y);
        const int perByte = 8 / bits_;
        std::memset(scratch, 0, length());
        for (int x = 0; x < image_.width(); ++x)
            scratch[x / perByte] |= uint8_t(indexes[x] << (8 - bits_ * (x % perByte + 1)));
        return scratch;
    }

  private:
    const Image& image_;
    const DeepSamples* deep_;
    int bits_;
};

// State with destructors lives here, outside the setjmp frame.
class PngEncoder {
  public:
    PngEncoder(const Image& image, const SaveOptions& options, ByteSink& sink)
        : image_(image), options_(options), sink_(sink) {}
    ~PngEncoder() { png_destroy_write_struct(&png_, &info_); }
    bool run();

  private:
    bool writeImageData();
    void prepareRows();
    void setHeader();
    void setTransparency();
    void setChunks();

    const Image& image_;
    const SaveOptions& options_;
    ByteSink& sink_;
    png_structp png_ = nullptr;
    png_infop info_ = nullptr;
    PngErrorTrap trap_{};
    std::vector<png_color> palette_;
    std::vector<uint8_t> alphas_;
    std::vector<uint8_t> converted_;
    std::vector<png_bytep> rows_;
    std::vector<png_text> texts_;
    std::string xmpText_;
    png_color_16 transparent_{};
    bool greyLevels_ = false;
    const DeepSamples* deep_ = nullptr;  // the 16-bit samples written instead of the raster
};

bool PngEncoder::run() {
    greyLevels_ = indexesAreGreyLevels(image_);
    deep_ = currentDeepSamples(image_);
    png_ = png_create_write_struct(PNG_LIBPNG_VER_STRING, &trap_, pngErrorCallback,
                                   pngWarningCallback);
    if (!png_) return fail(kErrMemory);
    info_ = png_create_info_struct(png_);
    if (!info_) return fail(kErrMemory);
    // A sink's own failure (a full disk) keeps its code; libpng's complaints are write errors.
    if (setjmp(trap_.jump))
        return failWithReason(trap_.code == kErrFileBroken ? kErrCannotWrite : trap_.code,
                              trap_.reason);
    // A kept ICC profile that libpng finds inconsistent is dropped rather than failing the save.
    png_set_benign_errors(png_, 1);
    png_set_write_fn(png_, &sink_, writeToSink, flushNothing);
    setHeader();
    setTransparency();
    setChunks();
    png_write_info(png_, info_);
    if (!options_.interlace) return writeImageData();
    // Adam7's seven passes are rare enough to be left to libpng.
    prepareRows();
    if (image_.bitsPerPixel() < 8 && !deep_) png_set_packing(png_);
    png_set_interlace_handling(png_);
    png_write_image(png_, rows_.data());
    png_write_end(png_, nullptr);  // every chunk went before the image data
    return true;
}

// The image data of a picture without interlacing, filtered and deflated in strips on all
// cores, then IEND; every other chunk went before it.
bool PngEncoder::writeImageData() {
    const PngRows rows(image_, deep_);
    const size_t length = rows.length();
    const int bits = image_.bitsPerPixel();
    // libpng's defaults: adaptive filtering except for palettes and depths below 8 bits.
    const bool adaptive = bits >= 16 || (bits == 8 && greyLevels_);
    const int height = image_.height();
    const int rowsPerStrip = int(std::clamp<size_t>(kStripBytes / (length + 1), 1, size_t(height)));
    std::vector<uint8_t> pending;
    StripDeflateJob job;
    job.strips = size_t((height + rowsPerStrip - 1) / rowsPerStrip);
    job.level = kDeflateLevel;
    job.produce = [&](size_t index, std::vector<uint8_t>& bytes) {
        const int y0 = int(index) * rowsPerStrip, y1 = std::min(height, y0 + rowsPerStrip);
        PngRowFilter filter(length, rows.bytesPerPixel(), adaptive);
        std::vector<uint8_t> scratch(2 * length);
        uint8_t* current = scratch.data();
        uint8_t* spare = current + length;
        const uint8_t* previous = y0 > 0 ? rows.row(y0 - 1, spare) : nullptr;
        bytes.resize(size_t(y1 - y0) * (length + 1));
        for (int y = y0; y < y1; ++y) {
            const uint8_t* row = rows.row(y, current);
            filter.filter(row, previous, bytes.data() + size_t(y - y0) * (length + 1));
            previous = row;
            std::swap(current, spare);  // the row just filtered is the next one's row above
        }
    };
    // Runs on the worker that finishes a strip; the sink's error and its reason (a full disk)
    // are that thread's, so they are carried back here.
    int sinkError = kOk, sinkReason = 0;
    job.emit = [&](const uint8_t* data, size_t size) {
        pending.insert(pending.end(), data, data + size);
        if (pending.size() < kIdatBytes) return true;
        const bool written = writeChunk(sink_, "IDAT", pending.data(), pending.size());
        if (!written) sinkError = lastError(), sinkReason = lastErrorReason();
        pending.clear();
        return written;
    };
    if (!deflateInStrips(job))
        return sinkError != kOk ? failWithReason(sinkError, sinkReason) : false;
    return (pending.empty() || writeChunk(sink_, "IDAT", pending.data(), pending.size())) &&
           writeChunk(sink_, "IEND", nullptr, 0);
}

// Rows go to libpng straight from the image except for 16-bit, which is widened to RGB, and
// deep samples, which are laid out as the file stores them.
void PngEncoder::prepareRows() {
    rows_.resize(size_t(image_.height()));
    if (image_.bitsPerPixel() == 16 || deep_) {
        const PngRows rows(image_, deep_);
        const size_t stride = rows.length();
        converted_.resize(stride * size_t(image_.height()));
        for (int y = 0; y < image_.height(); ++y) {
            rows_[size_t(y)] = converted_.data() + stride * size_t(y);
            const uint8_t* row = rows.row(y, rows_[size_t(y)]);
            if (row != rows_[size_t(y)]) std::memcpy(rows_[size_t(y)], row, stride);
        }
        return;
    }
    for (int y = 0; y < image_.height(); ++y)
        rows_[size_t(y)] = const_cast<png_bytep>(image_.row(y));  // libpng only reads them
}

void PngEncoder::setHeader() {
    const int bits = image_.bitsPerPixel();
    int colourType = PNG_COLOR_TYPE_RGB, depth = 8;
    if (bits <= 8) {
        depth = bits;
        colourType = greyLevels_ ? PNG_COLOR_TYPE_GRAY : PNG_COLOR_TYPE_PALETTE;
    } else if (bits == 32) {
        colourType = PNG_COLOR_TYPE_RGB_ALPHA;
    }
    if (deep_) depth = 16;
    png_set_IHDR(png_, info_, png_uint_32(image_.width()), png_uint_32(image_.height()), depth,
                 colourType, options_.interlace ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (colourType != PNG_COLOR_TYPE_PALETTE) return;
    // The palette covers every index used, so that readers checking indexes accept the file.
    size_t count = image_.palette.size();
    for (int y = 0; y < image_.height(); ++y) {
        const uint8_t* p = image_.row(y);
        count = std::max(count, size_t(*std::max_element(p, p + image_.width())) + 1);
    }
    palette_.assign(std::max<size_t>(count, 1), png_color{0, 0, 0});
    for (size_t i = 0; i < image_.palette.size(); ++i)
        palette_[i] = png_color{image_.palette[i].r, image_.palette[i].g, image_.palette[i].b};
    png_set_PLTE(png_, info_, palette_.data(), int(palette_.size()));
}

void PngEncoder::setTransparency() {
    const int bits = image_.bitsPerPixel();
    if (bits == 32) return;
    const int key = options_.transparentColour;
    const Colour wanted{uint8_t(key >> 16), uint8_t(key >> 8), uint8_t(key), 255};
    auto sameRgb = [&](const Colour& c) {
        return c.r == wanted.r && c.g == wanted.g && c.b == wanted.b;
    };
    if (bits > 8) {
        if (key < 0) return;
        transparent_.red = wanted.r, transparent_.green = wanted.g, transparent_.blue = wanted.b;
        png_set_tRNS(png_, info_, nullptr, 0, &transparent_);
        return;
    }
    if (greyLevels_) {
        for (size_t i = 0; i < image_.palette.size(); ++i)
            if ((key >= 0 && sameRgb(image_.palette[i])) || image_.palette[i].a == 0) {
                transparent_.gray = png_uint_16(deep_ ? i * 257 : i);
                png_set_tRNS(png_, info_, nullptr, 0, &transparent_);
                return;
            }
        return;
    }
    alphas_.assign(palette_.size(), 255);
    size_t used = 0;
    for (size_t i = 0; i < image_.palette.size(); ++i) {
        alphas_[i] = image_.palette[i].a;
        if (key >= 0 && sameRgb(image_.palette[i])) alphas_[i] = 0;
        if (alphas_[i] != 255) used = i + 1;
    }
    if (used) png_set_tRNS(png_, info_, alphas_.data(), int(used), nullptr);
}

void PngEncoder::setChunks() {
    if (image_.dpiX > 0 && image_.dpiY > 0)
        png_set_pHYs(png_, info_, png_uint_32(std::lround(image_.dpiX / 0.0254)),
                     png_uint_32(std::lround(image_.dpiY / 0.0254)), PNG_RESOLUTION_METER);
    auto addText = [&](const char* key, const char* text, size_t length, bool international) {
        png_text t{};
        t.compression = international ? PNG_ITXT_COMPRESSION_NONE : PNG_TEXT_COMPRESSION_NONE;
        t.key = const_cast<png_charp>(key);
        t.text = const_cast<png_charp>(text);
        (international ? t.itxt_length : t.text_length) = length;
        texts_.push_back(t);
    };
    const std::string& comment = image_.comment;
    if (!comment.empty())
        addText(kPngCommentKey, comment.c_str(), comment.size(), hasHighBytes(comment));
    const auto& xmp = image_.metadata.xmp;
    if (!xmp.empty()) {
        xmpText_.assign(xmp.begin(), xmp.end());  // libpng measures text with strlen
        addText(kPngXmpKey, xmpText_.c_str(), xmpText_.size(), true);
    }
    if (!texts_.empty()) png_set_text(png_, info_, texts_.data(), int(texts_.size()));
    const auto& icc = image_.metadata.icc;
    if (!icc.empty())
        png_set_iCCP(png_, info_, "ICC Profile", PNG_COMPRESSION_TYPE_BASE, icc.data(),
                     png_uint_32(icc.size()));
    const auto& exif = image_.metadata.exif;
    if (!exif.empty())
        png_set_eXIf_1(png_, info_, png_uint_32(exif.size()), const_cast<png_bytep>(exif.data()));
}

}  // namespace

bool encodePngTo(const Image& image, const SaveOptions& options, ByteSink& sink) {
    if (image.empty()) return fail(kErrNoImage);
    PngEncoder encoder(image, options, sink);
    return encoder.run();
}

bool encodePng(const Image& image, const SaveOptions& options, std::vector<uint8_t>& out) {
    return encodeToMemory(encodePngTo, image, options, out);
}

}  // namespace ximora::engine
