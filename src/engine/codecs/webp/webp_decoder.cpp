// Decoder for WebP files: https://developers.google.com/speed/webp/docs/riff_container
#include <webp/decode.h>
#include <webp/demux.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

#include "engine/codecs/raster_pages.h"
#include "engine/codecs/webp/webp_codec.h"
#include "engine/codecs/webp/webp_error.h"
#include "engine/core/error.h"
#include "engine/core/parallel.h"
#include "engine/metadata/orientation.h"

namespace ximora::engine {
namespace {

struct DemuxerDeleter {
    void operator()(WebPDemuxer* demuxer) const { WebPDemuxDelete(demuxer); }
};
struct AnimationDeleter {
    void operator()(WebPAnimDecoder* decoder) const { WebPAnimDecoderDelete(decoder); }
};

std::vector<uint8_t> chunkBytes(WebPDemuxer* demuxer, const char fourcc[4]) {
    WebPChunkIterator it;
    if (!WebPDemuxGetChunk(demuxer, fourcc, 1, &it)) return {};
    std::vector<uint8_t> bytes(it.chunk.bytes, it.chunk.bytes + it.chunk.size);
    WebPDemuxReleaseChunkIterator(&it);
    return bytes;
}

// The smallest size, in the picture's proportions, whose sides are both at least `minSide`
// (the full size when the picture is no larger).
void reducedSize(int width, int height, int minSide, int& outWidth, int& outHeight) {
    outWidth = width, outHeight = height;
    if (minSide <= 0) return;
    const double factor = std::max(double(minSide) / width, double(minSide) / height);
    if (factor >= 1.0) return;
    outWidth = std::clamp(int(std::ceil(width * factor)), 1, width);
    outHeight = std::clamp(int(std::ceil(height * factor)), 1, height);
}

bool decodeStill(const uint8_t* data, size_t size, const LoadOptions& options, Image& image) {
    WebPDecoderConfig config;
    if (!WebPInitDecoderConfig(&config)) return fail(kErrOther);
    const VP8StatusCode probed = WebPGetFeatures(data, size, &config.input);
    if (probed != VP8_STATUS_OK) return fail(webpDecodeError(probed));
    const bool alpha = config.input.has_alpha;
    int width = 0, height = 0;
    reducedSize(config.input.width, config.input.height, options.minSide, width, height);
    if (!Image::fitsLimits(width, height, alpha ? 32 : 24) ||
        !image.allocate(width, height, alpha ? 32 : 24))
        return false;
    preferHugePages(image);
    if (width != config.input.width || height != config.input.height) {
        config.options.use_scaling = 1;
        config.options.scaled_width = width;
        config.options.scaled_height = height;
    }
    config.options.use_threads = workerCount() > 1;
    config.output.colorspace = alpha ? MODE_RGBA : MODE_RGB;
    config.output.is_external_memory = 1;
    config.output.u.RGBA.rgba = image.data();
    config.output.u.RGBA.stride = int(image.stride());
    config.output.u.RGBA.size = image.byteCount();
    const VP8StatusCode status = WebPDecode(data, size, &config);
    WebPFreeDecBuffer(&config.output);
    return status == VP8_STATUS_OK || fail(webpDecodeError(status));
}

// The first frame of an animation, drawn on the canvas as a player would show it.
bool decodeFirstFrame(const WebPData& file, int width, int height, bool alpha, Image& image) {
    // The animation decoder keeps two canvases of 4 bytes per pixel.
    if (!Image::fitsLimits(width, int64_t(height) * 2, 32)) return false;
    WebPAnimDecoderOptions options;
    if (!WebPAnimDecoderOptionsInit(&options)) return fail(kErrOther);
    options.color_mode = MODE_RGBA;
    options.use_threads = workerCount() > 1;
    const std::unique_ptr<WebPAnimDecoder, AnimationDeleter> decoder(
        WebPAnimDecoderNew(&file, &options));
    if (!decoder) return fail(kErrFileBroken);
    uint8_t* canvas = nullptr;
    int timestamp = 0;
    if (!WebPAnimDecoderGetNext(decoder.get(), &canvas, &timestamp) || !canvas)
        return fail(kErrFileBroken);
    if (!image.allocate(width, height, alpha ? 32 : 24)) return false;
    for (int y = 0; y < height; ++y) {
        const uint8_t* in = canvas + size_t(y) * size_t(width) * 4;
        uint8_t* out = image.row(y);
        if (alpha) {
            std::memcpy(out, in, size_t(width) * 4);
        } else {
            for (int x = 0; x < width; ++x, in += 4, out += 3)
                out[0] = in[0], out[1] = in[1], out[2] = in[2];
        }
    }
    return true;
}

// Some writers keep the "Exif\0\0" prefix of the JPEG segment in the chunk.
std::vector<uint8_t> withoutExifPrefix(std::vector<uint8_t> exif) {
    static constexpr char kPrefix[] = "Exif\0\0";
    if (exif.size() >= 6 && std::memcmp(exif.data(), kPrefix, 6) == 0)
        exif.erase(exif.begin(), exif.begin() + 6);
    return exif;
}

}  // namespace

bool decodeWebp(const uint8_t* data, size_t size, const LoadOptions& options, Image& out) {
    const WebPData file{data, size};
    WebPDemuxState state = WEBP_DEMUX_PARSING_HEADER;
    const std::unique_ptr<WebPDemuxer, DemuxerDeleter> demuxer(WebPDemuxPartial(&file, &state));
    if (!demuxer) return fail(state == WEBP_DEMUX_PARSE_ERROR ? kErrFileBroken : kErrCannotRead);
    if (state != WEBP_DEMUX_DONE) return fail(kErrCannotRead);
    const uint32_t flags = WebPDemuxGetI(demuxer.get(), WEBP_FF_FORMAT_FLAGS);

    Image image;
    const bool decoded =
        flags & ANIMATION_FLAG
            ? decodeFirstFrame(file, int(WebPDemuxGetI(demuxer.get(), WEBP_FF_CANVAS_WIDTH)),
                               int(WebPDemuxGetI(demuxer.get(), WEBP_FF_CANVAS_HEIGHT)),
                               flags & ALPHA_FLAG, image)
            : decodeStill(data, size, options, image);
    if (!decoded) return false;
    image.metadata.icc = chunkBytes(demuxer.get(), "ICCP");
    image.metadata.exif = withoutExifPrefix(chunkBytes(demuxer.get(), "EXIF"));
    image.metadata.xmp = chunkBytes(demuxer.get(), "XMP ");
    if (!finishLoadedMetadata(image, options)) return false;
    out = std::move(image);
    return true;
}

int webpFrameCount(const uint8_t* data, size_t size) {
    const WebPData file{data, size};
    const std::unique_ptr<WebPDemuxer, DemuxerDeleter> demuxer(WebPDemux(&file));
    return demuxer ? std::max(1, int(WebPDemuxGetI(demuxer.get(), WEBP_FF_FRAME_COUNT))) : 1;
}

}  // namespace ximora::engine
