// Encoder for WebP files: https://developers.google.com/speed/webp/docs/api
#include <algorithm>
#include <memory>

#include "engine/codecs/row_convert.h"
#include "engine/codecs/webp/webp_codec.h"
#include "engine/codecs/webp/webp_error.h"
#include "engine/codecs/webp/webp_library.h"
#include "engine/core/error.h"
#include "engine/core/parallel.h"

namespace ximora::engine {
namespace {

bool hasTransparentEntry(const Image& image) {
    return std::any_of(image.palette.begin(), image.palette.end(),
                       [](const Colour& c) { return c.a != 255; });
}

// An ICC profile's data colour space, bytes 16 to 19 of its header: WebP holds RGB only.
bool isRgbProfile(const std::vector<uint8_t>& icc) {
    return icc.size() >= 20 && icc[16] == 'R' && icc[17] == 'G' && icc[18] == 'B';
}

bool configure(const SaveOptions& options, WebPConfig& config) {
    const bool lossless = options.format == kSaveWebpLossless || options.jpegQuality == 100;
    if (!lossless && (options.jpegQuality < 1 || options.jpegQuality > 100))
        return fail(kErrBadParameter);
    if (!webpLibrary()->WebPConfigInitInternal(&config, WEBP_PRESET_DEFAULT,
                                               lossless ? 75.0f : float(options.jpegQuality),
                                               WEBP_ENCODER_ABI_VERSION))
        return fail(kErrOther);
    if (lossless) {
        config.lossless = 1;
        config.exact = 1;  // the colour under transparent pixels is kept too
    } else {
        config.alpha_quality = 100;
    }
    config.method = 4;
    config.thread_level = workerCount() > 1;
    return webpLibrary()->WebPValidateConfig(&config) || fail(kErrBadParameter);
}

// Hands the pixels to libwebp: 24- and 32-bit rows as they are, other depths through RGB(A).
bool importPixels(const Image& image, WebPPicture& picture) {
    const int bits = image.bitsPerPixel();
    if (bits == 24)
        return webpLibrary()->WebPPictureImportRGB(&picture, image.data(), int(image.stride()));
    if (bits == 32)
        return webpLibrary()->WebPPictureImportRGBA(&picture, image.data(), int(image.stride()));
    const bool alpha = image.hasPalette() && hasTransparentEntry(image);
    const size_t rowBytes = size_t(image.width()) * (alpha ? 4 : 3);
    std::vector<uint8_t> rows;
    rows.resize(rowBytes * size_t(image.height()));
    for (int y = 0; y < image.height(); ++y) {
        uint8_t* row = rows.data() + rowBytes * size_t(y);
        alpha ? rowToRgba(image, y, row) : rowToRgb(image, y, row);
    }
    return alpha ? webpLibrary()->WebPPictureImportRGBA(&picture, rows.data(), int(rowBytes))
                 : webpLibrary()->WebPPictureImportRGB(&picture, rows.data(), int(rowBytes));
}

// Adds the metadata chunks; libwebp's muxer writes the extended header they need.
bool addChunks(const Image& image, std::vector<uint8_t>& file) {
    const Metadata& meta = image.metadata;
    const bool icc = isRgbProfile(meta.icc);
    if (!icc && meta.exif.empty() && meta.xmp.empty()) return true;
    const WebPData bitstream{file.data(), file.size()};
    const std::unique_ptr<WebPMux, void (*)(WebPMux*)> mux(
        webpLibrary()->WebPMuxCreateInternal(&bitstream, 0, WEBP_MUX_ABI_VERSION),
        webpLibrary()->WebPMuxDelete);
    if (!mux) return fail(kErrOther);
    const auto set = [&](const char* fourcc, const std::vector<uint8_t>& bytes) {
        const WebPData chunk{bytes.data(), bytes.size()};
        return bytes.empty() ||
               webpLibrary()->WebPMuxSetChunk(mux.get(), fourcc, &chunk, 1) == WEBP_MUX_OK;
    };
    if (!(icc ? set("ICCP", meta.icc) : true) || !set("EXIF", meta.exif) || !set("XMP ", meta.xmp))
        return fail(kErrOther);
    WebPData assembled{nullptr, 0};
    const bool done = webpLibrary()->WebPMuxAssemble(mux.get(), &assembled) == WEBP_MUX_OK;
    if (done) file.assign(assembled.bytes, assembled.bytes + assembled.size);
    webpLibrary()->WebPFree(const_cast<uint8_t*>(assembled.bytes));
    return done || fail(kErrOther);
}

}  // namespace

bool encodeWebp(const Image& image, const SaveOptions& options, std::vector<uint8_t>& out) {
    if (image.empty()) return fail(kErrNoImage);
    if (!webpLibrary()) return false;
    if (image.width() > WEBP_MAX_DIMENSION || image.height() > WEBP_MAX_DIMENSION)
        return fail(kErrNotApplicable);
    WebPConfig config;
    if (!configure(options, config)) return false;
    WebPPicture picture;
    if (!webpLibrary()->WebPPictureInitInternal(&picture, WEBP_ENCODER_ABI_VERSION))
        return fail(kErrOther);
    picture.width = image.width();
    picture.height = image.height();
    picture.use_argb = config.lossless;
    WebPMemoryWriter writer;
    webpLibrary()->WebPMemoryWriterInit(&writer);
    picture.writer = webpLibrary()->WebPMemoryWrite;
    picture.custom_ptr = &writer;
    bool ok = importPixels(image, picture);
    int error = ok ? kOk : kErrMemory;
    if (ok) {
        ok = webpLibrary()->WebPEncode(&config, &picture);
        if (!ok) error = webpEncodeError(picture.error_code);
    }
    webpLibrary()->WebPPictureFree(&picture);
    std::vector<uint8_t> file;
    if (ok) file.assign(writer.mem, writer.mem + writer.size);
    webpLibrary()->WebPMemoryWriterClear(&writer);
    if (!ok) return fail(error);
    if (!addChunks(image, file)) return false;
    out = std::move(file);
    return true;
}

}  // namespace ximora::engine
