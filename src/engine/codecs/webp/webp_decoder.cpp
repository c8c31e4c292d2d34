// Decoder for WebP files: https://developers.google.com/speed/webp/docs/riff_container
#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

#include "engine/codecs/raster_pages.h"
#include "engine/codecs/webp/webp_codec.h"
#include "engine/codecs/webp/webp_error.h"
#include "engine/codecs/webp/webp_library.h"
#include "engine/core/error.h"
#include "engine/core/parallel.h"
#include "engine/io/byte_source.h"
#include "engine/io/bytes.h"
#include "engine/metadata/exif.h"
#include "engine/metadata/orientation.h"

namespace ximora::engine {
namespace {

struct DemuxerDeleter {
    void operator()(WebPDemuxer* demuxer) const { webpLibrary()->WebPDemuxDelete(demuxer); }
};
struct AnimationDeleter {
    void operator()(WebPAnimDecoder* decoder) const {
        webpLibrary()->WebPAnimDecoderDelete(decoder);
    }
};

std::vector<uint8_t> chunkBytes(WebPDemuxer* demuxer, const char fourcc[4]) {
    WebPChunkIterator it;
    if (!webpLibrary()->WebPDemuxGetChunk(demuxer, fourcc, 1, &it)) return {};
    std::vector<uint8_t> bytes(it.chunk.bytes, it.chunk.bytes + it.chunk.size);
    webpLibrary()->WebPDemuxReleaseChunkIterator(&it);
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
    if (!webpLibrary()->WebPInitDecoderConfigInternal(&config, WEBP_DECODER_ABI_VERSION))
        return fail(kErrOther);
    const VP8StatusCode probed =
        webpLibrary()->WebPGetFeaturesInternal(data, size, &config.input, WEBP_DECODER_ABI_VERSION);
    if (probed != VP8_STATUS_OK) return failWithWebp(probed);
    const bool alpha = config.input.has_alpha;
    int width = 0, height = 0;
    reducedSize(config.input.width, config.input.height, options.minSide, width, height);
    if (!Image::fitsLimits(width, height, alpha ? 32 : 24)) return false;
    // A lossy picture is decoded a few rows at a time (its alpha plane whole); a lossless one
    // holds the whole picture as 32-bit pixels inside libwebp, even when it is scaled down.
    const uint64_t pixels = uint64_t(config.input.width) * uint64_t(config.input.height);
    const uint64_t working = config.input.format == 1 ? (alpha ? pixels : 0) : pixels * 4;
    if (Image::rasterBytes(width, height, alpha ? 32 : 24) + working > memoryLimit())
        return fail(kErrMemory);
    if (!image.allocate(width, height, alpha ? 32 : 24)) return false;
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
    const VP8StatusCode status = webpLibrary()->WebPDecode(data, size, &config);
    webpLibrary()->WebPFreeDecBuffer(&config.output);
    return status == VP8_STATUS_OK || failWithWebp(status);
}

// The first frame of an animation, drawn on the canvas as a player would show it.
bool decodeFirstFrame(const WebPData& file, int width, int height, bool alpha, Image& image) {
    // The animation decoder keeps two canvases of 4 bytes per pixel besides the picture.
    if (!Image::fitsSides(width, height)) return false;
    if (Image::rasterBytes(width, height, 32) * 3 > memoryLimit()) return fail(kErrMemory);
    WebPAnimDecoderOptions options;
    if (!webpLibrary()->WebPAnimDecoderOptionsInitInternal(&options, WEBP_DEMUX_ABI_VERSION))
        return fail(kErrOther);
    options.color_mode = MODE_RGBA;
    options.use_threads = workerCount() > 1;
    const std::unique_ptr<WebPAnimDecoder, AnimationDeleter> decoder(
        webpLibrary()->WebPAnimDecoderNewInternal(&file, &options, WEBP_DEMUX_ABI_VERSION));
    if (!decoder) return fail(kErrFileBroken);
    uint8_t* canvas = nullptr;
    int timestamp = 0;
    if (!webpLibrary()->WebPAnimDecoderGetNext(decoder.get(), &canvas, &timestamp) || !canvas)
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

// The orientation of the first EXIF chunk of an extended file, found by walking the chunk
// headers (1 when there is none).
int exifChunkOrientation(ByteSource& source) {
    // An EXIF block larger than this is no camera's; the picture is then taken as it lies.
    constexpr uint32_t kMostExifBytes = 1 << 20;
    uint8_t chunk[8];
    for (uint64_t at = 12; at + 8 <= source.size() && source.read(at, chunk, 8) == 8;) {
        const uint32_t size = readLe32(chunk + 4);
        if (std::memcmp(chunk, "EXIF", 4) == 0) {
            if (size > kMostExifBytes) return 1;
            std::vector<uint8_t> exif(size);
            if (source.read(at + 8, exif.data(), size) != size) return 1;
            return exifOrientation(withoutExifPrefix(std::move(exif)));
        }
        at += 8 + uint64_t(size) + (size & 1);
    }
    return 1;
}

}  // namespace

bool readWebpFacts(ByteSource& source, ImageFacts& out) {
    if (!webpLibrary()) return false;
    // Enough for the first chunk's header: a VP8X header gives the canvas even when the chunks
    // that follow it are not there.
    std::vector<uint8_t> head;
    readHead(source, 64, head);
    WebPBitstreamFeatures features;
    const VP8StatusCode status = webpLibrary()->WebPGetFeaturesInternal(
        head.data(), head.size(), &features, WEBP_DECODER_ABI_VERSION);
    if (status != VP8_STATUS_OK) return failWithWebp(status);
    if (!Image::fitsSides(features.width, features.height)) return false;
    const bool extended = head.size() >= 16 && std::memcmp(head.data() + 12, "VP8X", 4) == 0;
    const bool swap = extended && exifChunkOrientation(source) >= 5;
    out = ImageFacts{};
    out.width = swap ? features.height : features.width;
    out.height = swap ? features.width : features.height;
    out.bitsPerPixel = features.has_alpha ? 32 : 24;
    return true;
}

bool decodeWebp(const uint8_t* data, size_t size, const LoadOptions& options, Image& out) {
    if (!webpLibrary()) return false;
    const WebPData file{data, size};
    WebPDemuxState state = WEBP_DEMUX_PARSING_HEADER;
    const std::unique_ptr<WebPDemuxer, DemuxerDeleter> demuxer(
        webpLibrary()->WebPDemuxInternal(&file, 1, &state, WEBP_DEMUX_ABI_VERSION));
    // The demuxer's states in the decoder's statuses: a damaged container, or one that ends
    // early.
    if (!demuxer && state == WEBP_DEMUX_PARSE_ERROR)
        return failWithWebp(VP8_STATUS_BITSTREAM_ERROR);
    if (!demuxer || state != WEBP_DEMUX_DONE) return failWithWebp(VP8_STATUS_NOT_ENOUGH_DATA);
    const uint32_t flags = webpLibrary()->WebPDemuxGetI(demuxer.get(), WEBP_FF_FORMAT_FLAGS);

    Image image;
    const bool decoded =
        flags & ANIMATION_FLAG
            ? decodeFirstFrame(
                  file, int(webpLibrary()->WebPDemuxGetI(demuxer.get(), WEBP_FF_CANVAS_WIDTH)),
                  int(webpLibrary()->WebPDemuxGetI(demuxer.get(), WEBP_FF_CANVAS_HEIGHT)),
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
    if (!webpLibrary()) return 1;
    const WebPData file{data, size};
    const std::unique_ptr<WebPDemuxer, DemuxerDeleter> demuxer(
        webpLibrary()->WebPDemuxInternal(&file, 0, nullptr, WEBP_DEMUX_ABI_VERSION));
    return demuxer
               ? std::max(1, int(webpLibrary()->WebPDemuxGetI(demuxer.get(), WEBP_FF_FRAME_COUNT)))
               : 1;
}

}  // namespace ximora::engine
