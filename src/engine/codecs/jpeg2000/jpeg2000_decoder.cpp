// Decoder for JPEG 2000 (ITU-T T.800): https://www.itu.int/rec/T-REC-T.800
#include <algorithm>

#include "engine/codecs/jpeg2000/jp2_boxes.h"
#include "engine/codecs/jpeg2000/jpeg2000_codec.h"
#include "engine/codecs/jpeg2000/openjpeg_stream.h"
#include "engine/core/error.h"
#include "engine/core/parallel.h"
#include "engine/metadata/orientation.h"

namespace ximora::engine {
namespace {

class Jpeg2000Decoder {
  public:
    bool run(const uint8_t* data, size_t size, const LoadOptions& options);
    Image image;

  private:
    bool failed(int fallback) { return fail(errors_.code ? errors_.code : fallback); }
    int reduction(int minSide);
    uint64_t tileCount();
    bool convert();

    OpenJpegMemory memory_;
    OpenJpegErrors errors_;
    int reduce_ = 0;       // resolution levels dropped
    OpenJpegHandles opj_;  // last, so it is released before the memory its stream reads
};

bool Jpeg2000Decoder::run(const uint8_t* data, size_t size, const LoadOptions& options) {
    const bool codestream = size >= 2 && data[0] == 0xFF && data[1] == 0x4F;
    memory_.data = data;
    memory_.size = size;
    opj_.stream = openJpegReadStream(memory_);
    opj_.codec = opj_create_decompress(codestream ? OPJ_CODEC_J2K : OPJ_CODEC_JP2);
    if (!opj_.stream || !opj_.codec) return fail(kErrMemory);
    installOpenJpegHandlers(opj_.codec, errors_);
    opj_dparameters_t parameters;
    opj_set_default_decoder_parameters(&parameters);
    if (!opj_setup_decoder(opj_.codec, &parameters)) return failed(kErrFileBroken);
    // Strict mode refuses a codestream that ends early instead of showing a blurred guess.
    opj_decoder_set_strict_mode(opj_.codec, OPJ_TRUE);
    opj_codec_set_threads(opj_.codec, workerCount());
    if (!opj_read_header(opj_.stream, opj_.codec, &opj_.image) || !opj_.image)
        return failed(kErrBadFile);
    if (opj_.image->numcomps == 0 || opj_.image->x1 <= opj_.image->x0 ||
        opj_.image->y1 <= opj_.image->y0)
        return fail(kErrFileBroken);
    const int64_t width = int64_t(opj_.image->x1) - opj_.image->x0,
                  height = int64_t(opj_.image->y1) - opj_.image->y0;
    if (!Image::fitsLimits(width, height, 8)) return false;
    const int reduce = reduce_ = reduction(options.minSide);
    if (reduce > 0 && !opj_set_decoded_resolution_factor(opj_.codec, OPJ_UINT32(reduce)))
        return failed(kErrFileBroken);
    // Only the first four components are shown; the rest are not decoded at all.
    if (opj_.image->numcomps > 4) {
        static constexpr OPJ_UINT32 kShown[] = {0, 1, 2, 3};
        if (!opj_set_decoded_components(opj_.codec, 4, kShown, OPJ_FALSE))
            return failed(kErrFileBroken);
    }
    // OpenJPEG holds every component as 32-bit samples while decoding, and keeps several
    // kilobytes of coding parameters per tile (forged tiny tiles would cost gigabytes).
    const uint64_t working = uint64_t((width >> reduce) + 1) * uint64_t((height >> reduce) + 1) *
                                 std::min<uint64_t>(opj_.image->numcomps, 4) * 4 +
                             tileCount() * 8192;
    if (working > memoryLimit()) return fail(kErrMemory);
    if (!opj_decode(opj_.codec, opj_.stream, opj_.image) ||
        !opj_end_decompress(opj_.codec, opj_.stream))
        return failed(kErrFileBroken);
    if (!convert()) return false;
    if (opj_.image->icc_profile_buf && opj_.image->icc_profile_len)
        image.metadata.icc.assign(opj_.image->icc_profile_buf,
                                  opj_.image->icc_profile_buf + opj_.image->icc_profile_len);
    if (!codestream) readJp2MetadataBoxes(data, size, image.metadata);
    return finishLoadedMetadata(image, options);
}

// Resolution levels to drop so that both sides stay at least minSide.
int Jpeg2000Decoder::reduction(int minSide) {
    if (minSide <= 0) return 0;
    opj_codestream_info_v2_t* info = opj_get_cstr_info(opj_.codec);
    if (!info) return 0;
    const int levels = info->m_default_tile_info.tccp_info
                           ? int(info->m_default_tile_info.tccp_info[0].numresolutions)
                           : 1;
    opj_destroy_cstr_info(&info);
    const int64_t width = int64_t(opj_.image->x1) - opj_.image->x0,
                  height = int64_t(opj_.image->y1) - opj_.image->y0;
    int reduce = 0;
    while (reduce + 1 < levels &&
           ((width + (int64_t(1) << (reduce + 1)) - 1) >> (reduce + 1)) >= minSide &&
           ((height + (int64_t(1) << (reduce + 1)) - 1) >> (reduce + 1)) >= minSide)
        ++reduce;
    return reduce;
}

uint64_t Jpeg2000Decoder::tileCount() {
    opj_codestream_info_v2_t* info = opj_get_cstr_info(opj_.codec);
    if (!info) return 0;
    const uint64_t tiles = uint64_t(info->tw) * info->th;
    opj_destroy_cstr_info(&info);
    return tiles;
}

bool Jpeg2000Decoder::convert() {
    const opj_image_t& img = *opj_.image;
    const opj_image_comp_t* comps = img.comps;
    const int count = int(std::min<OPJ_UINT32>(img.numcomps, 4));
    for (int c = 0; c < count; ++c)
        if (!comps[c].data || comps[c].w == 0 || comps[c].h == 0 || comps[c].prec == 0 ||
            comps[c].prec > 31 || comps[c].dx == 0 || comps[c].dy == 0)
            return fail(kErrFileBroken);
    // The picture is the image area of the reference grid (x0..x1, y0..y1), at the decoded
    // resolution; components sampled more coarsely (XRsiz, YRsiz) are spread over it.
    const auto reduced = [&](uint64_t v) { return (v + (uint64_t(1) << reduce_) - 1) >> reduce_; };
    const uint64_t left = reduced(img.x0), top = reduced(img.y0);
    const int width = int(reduced(img.x1) - left), height = int(reduced(img.y1) - top);
    if (width <= 0 || height <= 0) return fail(kErrFileBroken);
    // Component column of every picture column (and row of every row): the sample at or left
    // of (above) the grid point, counted from the component's own first sample and kept inside
    // the component.
    std::vector<std::vector<uint32_t>> columns(static_cast<size_t>(count)),
        rows(static_cast<size_t>(count));
    const auto place = [&](std::vector<uint32_t>& to, uint64_t first, uint32_t origin,
                           uint32_t step, uint32_t samples) {
        const uint64_t start = reduced((uint64_t(origin) + step - 1) / step);
        for (size_t i = 0; i < to.size(); ++i)
            to[i] = uint32_t(std::clamp<int64_t>(int64_t((first + i) / step) - int64_t(start), 0,
                                                 int64_t(samples) - 1));
    };
    for (int c = 0; c < count; ++c) {
        const opj_image_comp_t& comp = comps[c];
        columns[size_t(c)].resize(size_t(width));
        rows[size_t(c)].resize(size_t(height));
        place(columns[size_t(c)], left, img.x0, comp.dx, comp.w);
        place(rows[size_t(c)], top, img.y0, comp.dy, comp.h);
    }
    const int channels = count == 2 ? 4 : count;  // grey with alpha shows as RGBA
    const int bits = channels == 1 ? 8 : channels == 3 ? 24 : 32;
    if (!image.allocate(width, height, bits, bits == 8)) return false;
    if (bits == 8) image.palette = greyPalette(8);
    const bool sycc = img.color_space == OPJ_CLRSPC_SYCC && count >= 3;

    // Sample of component c under picture pixel (x, y), scaled to 8 bits.
    auto sample = [&](int c, int x, int y) {
        const opj_image_comp_t& comp = comps[c];
        int64_t v =
            comp.data[size_t(rows[size_t(c)][size_t(y)]) * comp.w + columns[size_t(c)][size_t(x)]];
        if (comp.sgnd) v += int64_t(1) << (comp.prec - 1);
        if (comp.prec > 8)
            v >>= comp.prec - 8;
        else if (comp.prec < 8)
            v = v * 255 / ((int64_t(1) << comp.prec) - 1);
        return int(std::clamp<int64_t>(v, 0, 255));
    };
    parallelRows(height, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            uint8_t* out = image.row(y);
            for (int x = 0; x < width; ++x) {
                if (channels == 1) {
                    out[x] = uint8_t(sample(0, x, y));
                    continue;
                }
                uint8_t* p = out + size_t(x) * size_t(channels);
                if (count == 2) {
                    p[0] = p[1] = p[2] = uint8_t(sample(0, x, y));
                    p[3] = uint8_t(sample(1, x, y));
                    continue;
                }
                int r = sample(0, x, y), g = sample(1, x, y), b = sample(2, x, y);
                if (sycc) {
                    const int cb = g - 128, cr = b - 128, luma = r;
                    r = std::clamp(luma + int(1.402 * cr), 0, 255);
                    g = std::clamp(luma - int(0.344136 * cb + 0.714136 * cr), 0, 255);
                    b = std::clamp(luma + int(1.772 * cb), 0, 255);
                }
                p[0] = uint8_t(r), p[1] = uint8_t(g), p[2] = uint8_t(b);
                if (channels == 4) p[3] = uint8_t(sample(3, x, y));
            }
        }
    });
    return true;
}

}  // namespace

bool decodeJpeg2000(const uint8_t* data, size_t size, const LoadOptions& options, Image& out) {
    Jpeg2000Decoder decoder;
    if (!decoder.run(data, size, options)) return false;
    out = std::move(decoder.image);
    return true;
}

}  // namespace ximora::engine
