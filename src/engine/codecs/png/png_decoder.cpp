// Decoder for PNG files: https://www.w3.org/TR/png/
#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/codecs/image_row_sink.h"
#include "engine/codecs/png/png_codec.h"
#include "engine/codecs/png/png_error.h"
#include "engine/codecs/png/png_image_data.h"
#include "engine/codecs/png/png_unfilter.h"
#include "engine/codecs/sample_depth.h"
#include "engine/core/error.h"
#include "engine/io/byte_source.h"
#include "engine/io/bytes.h"
#include "engine/metadata/exif.h"

namespace ximora::engine {
namespace {

void readFromSource(png_structp png, png_bytep out, size_t length) {
    auto* reader = static_cast<PngStreamReader*>(png_get_io_ptr(png));
    if (reader->read(out, length) != length) pngFail(png, kErrCannotRead);
}

// State with destructors lives here, outside the setjmp frame.
class PngDecoder {
  public:
    PngDecoder(ByteSource& source, RowSink& sink) : source_(source), reader_(source), sink_(sink) {}
    ~PngDecoder() { png_destroy_read_struct(&png_, &info_, nullptr); }
    bool run();

  private:
    bool prepare();
    void readPalette(RowLayout& layout);
    bool readRows();
    /// Takes the image data in one piece where libpng would hand the rows over as the file
    /// stores them (not interlaced, 8 bits, not widened) and the data is whole; no bytes, with
    /// nothing read, where libpng must read the rows (or the checksum says the file is damaged).
    InflatedImageData inflateImageData();
    bool unfilterRows(uint8_t* rows);
    /// Narrows a row of 16-bit samples (as libpng gives them, big-endian) into `row` and keeps
    /// them as they are in `deepRow_`.
    void splitDeepRow(int samples, uint8_t* row);
    void widenGreyLevels(uint8_t* row, int count) const;
    void takeChunks();

    ByteSource& source_;
    PngStreamReader reader_;
    RowSink& sink_;
    PngChunkMap chunks_;
    png_structp png_ = nullptr;
    png_infop info_ = nullptr;
    PngErrorTrap trap_{};
    std::vector<uint8_t> row_;
    std::vector<uint8_t> wideRow_;   // a row of 16-bit samples as libpng gives it
    std::vector<uint16_t> deepRow_;  // the same samples for the sink
    int deepChannels_ = 0;           // 16-bit samples handed over beside the rows, or none
    int width_ = 0, height_ = 0;
    size_t storedRowBytes_ = 0;  // a row as the file stores it, without its filter type byte
    int fileDepth_ = 0;
    int colourType_ = 0;
    bool interlaced_ = false;
    bool pixelsDone_ = false;
};

bool PngDecoder::run() {
    uint8_t signature[8];
    if (source_.read(0, signature, 8) != 8 || png_sig_cmp(signature, 0, 8))
        return fail(kErrBadFile);
    chunks_ = mapPngChunks(source_);
    // libpng allocates some chunks (texts among them) at their declared length before reading
    // them, whatever limit it is given, so a forged length would cost gigabytes.
    if (!chunks_.complete)
        return failWithDetail(kErrCannotRead, "the file ends before its IEND chunk");
    png_ =
        png_create_read_struct(PNG_LIBPNG_VER_STRING, &trap_, pngErrorCallback, pngWarningCallback);
    if (!png_) return fail(kErrMemory);
    info_ = png_create_info_struct(png_);
    if (!info_) return fail(kErrMemory);
    if (setjmp(trap_.jump)) {
        // Damage after the last image row (a missing IEND, a bad trailing chunk) costs only
        // the trailing text; the picture itself is whole.
        if (!pixelsDone_) return failWithDetail(trap_.code, trap_.message);
        takeChunks();
        return true;
    }
    png_set_read_fn(png_, &reader_, readFromSource);
    // Size limits are the engine's (error 3), checked when the image is allocated.
    png_set_user_limits(png_, PNG_UINT_31_MAX, PNG_UINT_31_MAX);
    png_set_option(png_, PNG_SKIP_sRGB_CHECK_PROFILE, PNG_OPTION_ON);
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
    // A mutated chunk would fail its CRC, or its rows their checksum, and hide everything
    // behind them from the fuzzer.
    png_set_crc_action(png_, PNG_CRC_QUIET_USE, PNG_CRC_QUIET_USE);
    png_set_option(png_, PNG_IGNORE_ADLER32, PNG_OPTION_ON);
#endif
    // Decompressed text and profiles need no more than a few megabytes.
    png_set_chunk_malloc_max(png_, size_t(std::max<uint64_t>(source_.size(), uint64_t(16) << 20)));
    png_read_info(png_, info_);
    if (!prepare() || !readRows()) return false;
    pixelsDone_ = true;
    png_read_end(png_, info_);
    takeChunks();
    return true;
}

// Chooses libpng's transformations and describes the picture at the depth the file has.
bool PngDecoder::prepare() {
    png_uint_32 width = 0, height = 0;
    int interlace = 0;
    png_get_IHDR(png_, info_, &width, &height, &fileDepth_, &colourType_, &interlace, nullptr,
                 nullptr);
    // Before libpng sizes its row buffers from the header (a 100-byte file may claim rows of
    // gigabytes).
    if (!Image::fitsSides(width, height)) return false;
    // A colour key on RGB becomes alpha: the transparent colour stays transparent in every
    // picture made from this one.
    if (colourType_ == PNG_COLOR_TYPE_RGB && png_get_valid(png_, info_, PNG_INFO_tRNS))
        png_set_tRNS_to_alpha(png_);
    const bool alpha =
        colourType_ == PNG_COLOR_TYPE_GRAY_ALPHA || colourType_ == PNG_COLOR_TYPE_RGB_ALPHA ||
        (png_get_valid(png_, info_, PNG_INFO_tRNS) && colourType_ == PNG_COLOR_TYPE_RGB);
    // A whole picture of 16-bit samples keeps them beside its 8-bit raster (deep_samples.h).
    if (fileDepth_ == 16 && sink_.keepsWholePicture())
        deepChannels_ = alpha ? 4 : colourType_ == PNG_COLOR_TYPE_GRAY ? 1 : 3;
    else if (fileDepth_ == 16)
        png_set_scale_16(png_);
    if (fileDepth_ < 8) png_set_packing(png_);
    if (colourType_ == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(png_);
    // Interlaced passes are handed on as they come (RowSink::putPixels), so no decoder needs
    // the whole picture at once.
    interlaced_ = interlace != PNG_INTERLACE_NONE;
    // The rows as the file stores them (1-bit rows take an eighth of their pixels), before
    // libpng widens them.
    storedRowBytes_ = png_get_rowbytes(png_, info_);
    png_read_update_info(png_, info_);

    RowLayout layout;
    layout.bitsPerPixel = 24;
    switch (colourType_) {
        case PNG_COLOR_TYPE_PALETTE:
            layout.bitsPerPixel = fileDepth_ == 1 ? 1 : fileDepth_ <= 4 ? 4 : 8;
            break;
        case PNG_COLOR_TYPE_GRAY:
            layout.bitsPerPixel = fileDepth_ == 1 ? 1 : fileDepth_ <= 4 ? 4 : 8;
            layout.grey = layout.bitsPerPixel > 1;
            break;
        case PNG_COLOR_TYPE_GRAY_ALPHA:
        case PNG_COLOR_TYPE_RGB_ALPHA:
            layout.bitsPerPixel = 32;
            break;
        case PNG_COLOR_TYPE_RGB:
            layout.bitsPerPixel = alpha ? 32 : 24;
            break;
        default:
            break;
    }
    layout.width = width_ = int(width);
    layout.height = height_ = int(height);
    layout.rowsInParts = interlaced_;
    layout.sampleBits = colourType_ == PNG_COLOR_TYPE_PALETTE ? 8 : std::max(fileDepth_, 8);
    layout.deepChannels = deepChannels_;
    // Deflate expands a byte to at most about 1032; a big image whose whole file could not
    // hold it is cut short, refused before gigabytes are decoded.
    // Each row has its filter type byte.
    const uint64_t stored = (uint64_t(storedRowBytes_) + 1) * height;
    if (stored > (uint64_t(64) << 20) && stored / 1100 > source_.size())
        return fail(kErrCannotRead);
    const uint64_t rowBytes = png_get_rowbytes(png_, info_);
    const size_t pixelBytes = size_t(Image::storageBytesPerPixel(layout.bitsPerPixel));
    if (rowBytes > size_t(width) * pixelBytes * (deepChannels_ ? 2 : 1))
        return fail(kErrFileBroken);
    readPalette(layout);
    takeChunks();
    row_.resize(deepChannels_ ? size_t(width) * pixelBytes : size_t(rowBytes));
    if (deepChannels_) {
        wideRow_.resize(size_t(rowBytes));
        deepRow_.resize(size_t(width) * size_t(deepChannels_));
    }
    return sink_.start(layout);
}

// 2-bit grey widens to the 16-level ramp of a 4-bit image: level v becomes 5v.
void PngDecoder::widenGreyLevels(uint8_t* row, int count) const {
    if (colourType_ == PNG_COLOR_TYPE_GRAY && fileDepth_ == 2)
        for (uint8_t *p = row, *end = row + count; p < end; ++p) *p *= 5;
}

void PngDecoder::splitDeepRow(int samples, uint8_t* row) {
    const uint8_t* wide = wideRow_.data();
    for (int i = 0; i < samples; ++i) {
        const auto v = uint16_t(wide[2 * i] << 8 | wide[2 * i + 1]);
        deepRow_[size_t(i)] = v;
        row[i] = narrowSample(v, 65535);
    }
}

InflatedImageData PngDecoder::inflateImageData() {
    if (interlaced_ || fileDepth_ != 8 || png_get_rowbytes(png_, info_) != storedRowBytes_)
        return {};
    // The inflated rows cost about as much as the picture. A sink that keeps the picture whole
    // holds that anyway; one that reduces the rows or writes them out as they come keeps a
    // very large picture in a few megabytes, which only libpng's row by row reading allows.
    constexpr size_t kMostWhileStreaming = size_t(256) << 20;
    const size_t bytes = (storedRowBytes_ + 1) * size_t(height_);
    if (!sink_.keepsWholePicture() && bytes > kMostWhileStreaming) return {};
    InflatedImageData data = inflatePngImageData(source_, chunks_, bytes);
    if (!data.bytes) return data;
    if (!reader_.skipImageData(chunks_)) return {};
    // libpng goes on with the chunks after the image data, reading an empty stream in its
    // place whose CRC is not the file's: every IDAT chunk's CRC has been checked already.
    png_set_crc_action(png_, PNG_CRC_QUIET_USE, PNG_CRC_NO_CHANGE);
    return data;
}

bool PngDecoder::unfilterRows(uint8_t* rows) {
    const size_t stride = storedRowBytes_ + 1;
    const std::vector<uint8_t> zeros(storedRowBytes_);
    const uint8_t* previous = zeros.data();
    const int bytesPerPixel = int(storedRowBytes_ / size_t(width_));
    for (int y = 0; y < height_; ++y) {
        uint8_t* row = rows + size_t(y) * stride;
        if (!unfilterPngRow(row[0], row + 1, previous, storedRowBytes_, bytesPerPixel))
            return failWithDetail(kErrFileBroken, "bad adaptive filter value");
        sink_.putRow(y, row + 1);
        previous = row + 1;
    }
    return true;
}

bool PngDecoder::readRows() {
    if (const InflatedImageData data = inflateImageData(); data.bytes)
        return unfilterRows(data.bytes.get());
    else if (data.checksumWrong)  // libpng's words for it
        return failWithDetail(kErrFileBroken, "incorrect data check");
    if (!interlaced_) {
        for (int y = 0; y < height_; ++y) {
            uint8_t* row = sink_.rowMemory(y);
            if (!row) row = row_.data();
            if (deepChannels_) {
                png_read_row(png_, wideRow_.data(), nullptr);
                splitDeepRow(width_ * deepChannels_, row);
                sink_.putDeepRow(y, deepRow_.data());
            } else {
                png_read_row(png_, row, nullptr);
                widenGreyLevels(row, width_);
            }
            sink_.putRow(y, row);
        }
        return true;
    }
    for (int pass = 0; pass < 7; ++pass) {
        const int rows = int(PNG_PASS_ROWS(png_uint_32(height_), pass));
        const int columns = int(PNG_PASS_COLS(png_uint_32(width_), pass));
        if (rows == 0 || columns == 0) continue;  // libpng skips empty passes
        for (int i = 0; i < rows; ++i) {
            const int y = int(PNG_ROW_FROM_PASS_ROW(png_uint_32(i), pass));
            const int x0 = int(PNG_PASS_START_COL(pass)), step = 1 << PNG_PASS_COL_SHIFT(pass);
            if (deepChannels_) {
                png_read_row(png_, wideRow_.data(), nullptr);
                splitDeepRow(columns * deepChannels_, row_.data());
                sink_.putDeepPixels(y, x0, step, columns, deepRow_.data());
            } else {
                png_read_row(png_, row_.data(), nullptr);
                widenGreyLevels(row_.data(), columns);
            }
            sink_.putPixels(y, x0, step, columns, row_.data());
        }
    }
    return true;
}

void PngDecoder::readPalette(RowLayout& layout) {
    if (colourType_ == PNG_COLOR_TYPE_PALETTE) {
        png_colorp entries = nullptr;
        int count = 0;
        png_get_PLTE(png_, info_, &entries, &count);
        count = std::min(count, 1 << layout.bitsPerPixel);
        layout.palette.resize(size_t(count));
        for (int i = 0; i < count; ++i)
            layout.palette[size_t(i)] =
                Colour{entries[i].red, entries[i].green, entries[i].blue, 255};
        png_bytep alphas = nullptr;
        int alphaCount = 0;
        if (png_get_tRNS(png_, info_, &alphas, &alphaCount, nullptr))
            for (int i = 0; i < std::min(alphaCount, count); ++i)
                layout.palette[size_t(i)].a = alphas[i];
    } else if (colourType_ == PNG_COLOR_TYPE_GRAY) {
        layout.palette = greyPalette(layout.bitsPerPixel);
        png_color_16p transparent = nullptr;
        if (png_get_tRNS(png_, info_, nullptr, nullptr, &transparent) && transparent) {
            unsigned level = transparent->gray;
            if (fileDepth_ == 16) level >>= 8;
            if (fileDepth_ == 2) level *= 5;
            if (level < layout.palette.size()) layout.palette[level].a = 0;
        }
    }
}

// The block of an ImageMagick "Raw profile type ..." text: a line with the profile's name, a
// line with its length in bytes, then the bytes in hexadecimal. Empty when it is malformed.
std::vector<uint8_t> rawProfile(const char* text, size_t length) {
    std::string_view rest(text, length);
    const auto line = [&rest]() {
        while (!rest.empty() && rest.front() == '\n') rest.remove_prefix(1);
        const size_t end = std::min(rest.find('\n'), rest.size());
        const std::string_view found = rest.substr(0, end);
        rest.remove_prefix(end);
        return found;
    };
    line();  // the profile's name
    const std::string_view count = line();
    uint64_t bytes = 0;
    for (char c : count) {
        if (c == ' ') continue;
        if (c < '0' || c > '9' || bytes > (uint64_t(1) << 30)) return {};
        bytes = bytes * 10 + uint64_t(c - '0');
    }
    if (bytes == 0 || bytes > rest.size() / 2) return {};
    std::vector<uint8_t> out;
    out.reserve(size_t(bytes));
    int high = -1;
    for (char c : rest) {
        const int v = c >= '0' && c <= '9'   ? c - '0'
                      : c >= 'a' && c <= 'f' ? c - 'a' + 10
                      : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                             : -1;
        if (v < 0) continue;
        if (high < 0) {
            high = v;
            continue;
        }
        out.push_back(uint8_t(high << 4 | v));
        high = -1;
        if (out.size() == bytes) return out;
    }
    return {};
}

// Text, resolution, profile and EXIF, once before the pixels and again after them (text may
// follow the image data). The profiles ImageMagick keeps in text ("Raw profile type exif",
// "... xmp", "... icc") count as well, where the file has no chunk of their own.
void PngDecoder::takeChunks() {
    PictureNotes& notes = sink_.notes;
    png_textp texts = nullptr;
    int count = 0;
    png_get_text(png_, info_, &texts, &count);
    std::vector<std::pair<std::string, std::vector<uint8_t>>> rawProfiles;
    for (int i = 0; i < count; ++i) {
        const png_text& t = texts[i];
        const char* text = t.text ? t.text : "";
        const size_t length = t.compression > 0 ? t.itxt_length : t.text_length;
        if (std::strcmp(t.key, kPngCommentKey) == 0 && notes.comment.empty())
            notes.comment.assign(text, length);
        else if (std::strcmp(t.key, kPngXmpKey) == 0 && notes.metadata.xmp.empty())
            notes.metadata.xmp.assign(text, text + length);
        else if (std::strncmp(t.key, "Raw profile type ", 17) == 0)
            rawProfiles.emplace_back(t.key + 17, rawProfile(text, length));
    }
    png_uint_32 resX = 0, resY = 0;
    int unit = 0;
    if (png_get_pHYs(png_, info_, &resX, &resY, &unit) && unit == PNG_RESOLUTION_METER) {
        notes.dpiX = int(std::lround(resX * 0.0254));
        notes.dpiY = int(std::lround(resY * 0.0254));
    }
    png_charp name = nullptr;
    int compression = 0;
    png_bytep profile = nullptr;
    png_uint_32 profileLength = 0;
    if (png_get_iCCP(png_, info_, &name, &compression, &profile, &profileLength))
        notes.metadata.icc.assign(profile, profile + profileLength);
    png_bytep exif = nullptr;
    png_uint_32 exifLength = 0;
    if (png_get_eXIf_1(png_, info_, &exifLength, &exif) && exif)
        notes.metadata.exif.assign(exif, exif + exifLength);
    Metadata& kept = notes.metadata;
    for (auto& [type, block] : rawProfiles) {
        const bool exifHeader = block.size() >= 6 && std::memcmp(block.data(), "Exif\0\0", 6) == 0;
        if ((type == "exif" || (type == "APP1" && exifHeader)) && kept.exif.empty()) {
            if (exifHeader) block.erase(block.begin(), block.begin() + 6);
            kept.exif = std::move(block);
        } else if (type == "xmp" && kept.xmp.empty()) {
            kept.xmp = std::move(block);
        } else if ((type == "icc" || type == "icm") && kept.icc.empty()) {
            kept.icc = std::move(block);
        }
    }
    notes.orientation = std::max(1, exifOrientation(notes.metadata.exif));
}

}  // namespace

bool decodePngRows(ByteSource& source, const LoadOptions&, RowSink& sink) {
    return PngDecoder(source, sink).run();
}

bool decodePng(const uint8_t* data, size_t size, const LoadOptions& options, Image& out) {
    MemorySource source(data, size);
    return decodePngSource(source, options, out);
}

void coverPngIndexes(Image& image) {
    if (!image.hasPalette()) return;
    // Indexes past a short palette show black rather than breaking the palette invariant.
    uint8_t highest = 0;
    for (int y = 0; y < image.height(); ++y) {
        const uint8_t* p = image.row(y);
        highest = std::max(highest, *std::max_element(p, p + image.width()));
    }
    if (highest >= image.palette.size()) image.palette.resize(size_t(highest) + 1);
}

bool decodePngSource(ByteSource& source, const LoadOptions& options, Image& out) {
    Image image;
    if (!decodeWholeImage(decodePngRows, source, options, image)) return false;
    coverPngIndexes(image);
    out = std::move(image);
    return true;
}

bool readPngFacts(ByteSource& source, ImageFacts& out) {
    return readFactsWithRows(decodePngRows, source, out);
}

int pngFrameCount(ByteSource& source) {
    uint32_t frames = 0;
    bool firstIsFrame = false;
    // The chunks before the image data: acTL's frame count, and whether an fcTL comes first.
    walkPngChunks(source, [&](std::string_view type, uint64_t at, uint32_t length) {
        uint8_t count[4];
        if (type == "acTL" && length >= 8 && source.read(at + 8, count, 4) == 4)
            frames = readBe32(count);
        firstIsFrame = firstIsFrame || type == "fcTL";
        return type != "IDAT";
    });
    if (frames == 0) return 1;
    return int(std::min<uint64_t>(uint64_t(frames) + (firstIsFrame ? 0 : 1), 1u << 30));
}

}  // namespace ximora::engine
