// Decoder for JPEG 2000 (ITU-T T.800): https://www.itu.int/rec/T-REC-T.800
#include <algorithm>

#include "engine/codecs/band_rows.h"
#include "engine/codecs/image_row_sink.h"
#include "engine/codecs/jpeg2000/jpeg2000_codec.h"
#include "engine/codecs/jpeg2000/openjpeg_stream.h"
#include "engine/core/error.h"
#include "engine/core/parallel.h"
#include "engine/io/byte_source.h"

namespace ximora::engine {
namespace {

int64_t ceilDiv(int64_t a, int64_t b) { return (a + b - 1) / b; }
int64_t ceilDivPow2(int64_t a, int shift) { return (a + (int64_t(1) << shift) - 1) >> shift; }

class Jpeg2000Decoder {
  public:
    Jpeg2000Decoder(ByteSource& source, RowSink& sink) : sink_(sink) { memory_.source = &source; }
    bool run(const LoadOptions& options);

  private:
    bool failed(int fallback) { return fail(errors_.code ? errors_.code : fallback); }
    int reduction(int minSide);
    bool readTiles();
    bool convert(BandRows& band, int bandTop);
    int64_t regionLeft(int c) const;
    int64_t regionTop(int c) const;

    RowSink& sink_;
    OpenJpegMemory memory_;
    OpenJpegErrors errors_;
    OpenJpegHandles opj_;  // last, so it is released before the memory its stream reads
    int reduce_ = 0;
    int width_ = 0, height_ = 0;  // the decoded picture (at the reduced resolution)
    int count_ = 0;               // components shown
    int channels_ = 0;            // bytes per pixel of the rows
    bool sycc_ = false;
    // Each component's sampling and origin at the decoded resolution, from the header (a
    // decoded tile's image holds the tile's own origin).
    struct Grid {
        uint32_t dx = 1, dy = 1;
        int64_t x0 = 0, y0 = 0;
    };
    Grid grids_[4];
};

bool Jpeg2000Decoder::run(const LoadOptions& options) {
    uint8_t magic[2] = {};
    const bool codestream =
        memory_.source->read(0, magic, 2) == 2 && magic[0] == 0xFF && magic[1] == 0x4F;
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
    const opj_image_t& header = *opj_.image;
    if (header.numcomps == 0 || !header.comps || header.x1 <= header.x0 || header.y1 <= header.y0 ||
        header.comps[0].dx == 0 || header.comps[0].dy == 0)
        return fail(kErrFileBroken);
    const int64_t fullWidth = int64_t(header.x1) - header.x0,
                  fullHeight = int64_t(header.y1) - header.y0;
    if (!Image::fitsSides(fullWidth, fullHeight)) return false;
    // A big picture whose whole file could not hold it even at an extreme compression ratio
    // is cut short; refusing it here avoids decoding gigabytes for a few bytes of file.
    const uint64_t raw = uint64_t(fullWidth) * uint64_t(fullHeight) * std::min(header.numcomps, 4u);
    if (raw > (uint64_t(64) << 20) && raw / 10000 > memory_.source->size())
        return fail(kErrCannotRead);
    reduce_ = reduction(options.minSide);
    if (reduce_ > 0 && !opj_set_decoded_resolution_factor(opj_.codec, OPJ_UINT32(reduce_)))
        return failed(kErrFileBroken);
    // Only the first four components are shown; the rest are not decoded at all.
    if (header.numcomps > 4) {
        static constexpr OPJ_UINT32 kShown[] = {0, 1, 2, 3};
        if (!opj_set_decoded_components(opj_.codec, 4, kShown, OPJ_FALSE))
            return failed(kErrFileBroken);
    }
    // The picture on the first component's grid, at the decoded resolution.
    const opj_image_comp_t& first = header.comps[0];
    width_ = int(ceilDivPow2(ceilDiv(header.x1, first.dx), reduce_) -
                 ceilDivPow2(ceilDiv(header.x0, first.dx), reduce_));
    height_ = int(ceilDivPow2(ceilDiv(header.y1, first.dy), reduce_) -
                  ceilDivPow2(ceilDiv(header.y0, first.dy), reduce_));
    const int count = int(std::min<OPJ_UINT32>(header.numcomps, 4));
    channels_ = count == 2 ? 4 : count;  // grey with alpha shows as RGBA
    RowLayout layout;
    layout.width = width_;
    layout.height = height_;
    layout.bitsPerPixel = channels_ == 1 ? 8 : channels_ == 3 ? 24 : 32;
    layout.grey = channels_ == 1;
    if (layout.grey) layout.palette = greyPalette(8);
    if (header.icc_profile_buf && header.icc_profile_len)
        sink_.notes.metadata.icc.assign(header.icc_profile_buf,
                                        header.icc_profile_buf + header.icc_profile_len);
    if (width_ < 1 || height_ < 1) return fail(kErrFileBroken);
    if (!Image::fitsSides(width_, height_)) return false;
    for (int c = 0; c < count; ++c) {
        const opj_image_comp_t& comp = header.comps[c];
        if (comp.dx == 0 || comp.dy == 0) return fail(kErrFileBroken);
        grids_[size_t(c)] =
            Grid{comp.dx, comp.dy, ceilDivPow2(ceilDiv(header.x0, comp.dx), reduce_),
                 ceilDivPow2(ceilDiv(header.y0, comp.dy), reduce_)};
    }
    count_ = count;
    sycc_ = header.color_space == OPJ_CLRSPC_SYCC && count >= 3;
    return sink_.start(layout) && readTiles();
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

// Decodes tile by tile (a single-tile picture at once): only one tile's samples are held, and
// the rows go to the sink a row of tiles at a time.
bool Jpeg2000Decoder::readTiles() {
    opj_codestream_info_v2_t* info = opj_get_cstr_info(opj_.codec);
    if (!info) return fail(kErrFileBroken);
    const uint32_t across = info->tw, down = info->th, tileWidth = info->tdx,
                   tileHeight = info->tdy, tileY0 = info->ty0;
    opj_destroy_cstr_info(&info);
    if (!across || !down || !tileWidth || !tileHeight) return fail(kErrFileBroken);
    // OpenJPEG holds every component of a tile as 32-bit samples while decoding, and keeps
    // several kilobytes of coding parameters per tile (forged tiny tiles would cost gigabytes).
    const uint64_t tiles = uint64_t(across) * down;
    const uint64_t tileSamples = tiles == 1 ? uint64_t(width_ + 1) * uint64_t(height_ + 1)
                                            : uint64_t(ceilDivPow2(tileWidth, reduce_) + 1) *
                                                  uint64_t(ceilDivPow2(tileHeight, reduce_) + 1);
    if (tileSamples * uint64_t(count_) * 4 + tiles * 8192 > memoryLimit()) return fail(kErrMemory);
    BandRows band(sink_, size_t(width_) * size_t(channels_));
    if (tiles == 1) {
        if (!opj_decode(opj_.codec, opj_.stream, opj_.image) ||
            !opj_end_decompress(opj_.codec, opj_.stream))
            return failed(kErrFileBroken);
        if (!band.prepare(0, height_) || !convert(band, 0)) return false;
        band.hand();
        return true;
    }
    const opj_image_t& header = *opj_.image;
    const int64_t imageY0 = header.y0, imageY1 = header.y1;
    const Grid& grid = grids_[0];
    for (uint32_t ty = 0; ty < down; ++ty) {
        // The tile row's rows at the decoded resolution.
        const int64_t top = std::max<int64_t>(int64_t(tileY0) + int64_t(ty) * tileHeight, imageY0);
        const int64_t bottom =
            std::min<int64_t>(int64_t(tileY0) + int64_t(ty + 1) * tileHeight, imageY1);
        const int64_t first = ceilDivPow2(ceilDiv(top, grid.dy), reduce_) - grid.y0;
        const int64_t end = ceilDivPow2(ceilDiv(bottom, grid.dy), reduce_) - grid.y0;
        if (end <= first) continue;  // a row of tiles that vanishes at this resolution
        if (first < 0 || end > height_ || !band.prepare(int(first), int(end - first)))
            return lastError() != kOk ? false : fail(kErrFileBroken);
        for (uint32_t tx = 0; tx < across; ++tx) {
            if (!opj_get_decoded_tile(opj_.codec, opj_.stream, opj_.image, ty * across + tx))
                return failed(kErrFileBroken);
            if (!convert(band, int(first))) return false;
        }
        band.hand();
    }
    return true;
}

// Where the decoded region of component c starts, relative to the picture, at the decoded
// resolution.
int64_t Jpeg2000Decoder::regionLeft(int c) const {
    const opj_image_comp_t& comp = opj_.image->comps[c];
    return ceilDivPow2(comp.x0, int(comp.factor)) - grids_[c].x0;
}
int64_t Jpeg2000Decoder::regionTop(int c) const {
    const opj_image_comp_t& comp = opj_.image->comps[c];
    return ceilDivPow2(comp.y0, int(comp.factor)) - grids_[c].y0;
}

// Writes the decoded region (a tile, or the whole picture) into the band that starts at row
// bandTop, converting to 8 bits per channel.
bool Jpeg2000Decoder::convert(BandRows& band, int bandTop) {
    const opj_image_comp_t* comps = opj_.image->comps;
    if (opj_.image->numcomps < OPJ_UINT32(count_)) return fail(kErrFileBroken);
    for (int c = 0; c < count_; ++c)
        if (!comps[c].data || comps[c].w == 0 || comps[c].h == 0 || comps[c].prec == 0 ||
            comps[c].prec > 31 || comps[c].dx != grids_[c].dx || comps[c].dy != grids_[c].dy)
            return fail(kErrFileBroken);
    const int64_t left = regionLeft(0), top = regionTop(0);
    const int64_t right = std::min<int64_t>(left + comps[0].w, width_);
    const int64_t bottom = std::min<int64_t>(top + comps[0].h, bandTop + band.count());
    if (left < 0 || top < bandTop) return fail(kErrFileBroken);
    int64_t offsetX[4], offsetY[4];
    for (int c = 0; c < count_; ++c) offsetX[c] = regionLeft(c), offsetY[c] = regionTop(c);

    // Sample of component c under picture pixel (x, y) of the first component's grid, scaled
    // to 8 bits.
    auto sample = [&](int c, int64_t x, int64_t y) {
        const opj_image_comp_t& comp = comps[c];
        const int64_t cx =
            std::clamp<int64_t>(x * comps[0].dx / comp.dx - offsetX[c], 0, comp.w - 1);
        const int64_t cy =
            std::clamp<int64_t>(y * comps[0].dy / comp.dy - offsetY[c], 0, comp.h - 1);
        int64_t v = comp.data[size_t(cy) * comp.w + size_t(cx)];
        if (comp.sgnd) v += int64_t(1) << (comp.prec - 1);
        if (comp.prec > 8)
            v >>= comp.prec - 8;
        else if (comp.prec < 8)
            v = v * 255 / ((int64_t(1) << comp.prec) - 1);
        return int(std::clamp<int64_t>(v, 0, 255));
    };
    const int channels = channels_;
    parallelRows(int(bottom - top), [&](int r0, int r1) {
        for (int64_t y = top + r0; y < top + r1; ++y) {
            uint8_t* out = band.row(int(y - bandTop));
            for (int64_t x = left; x < right; ++x) {
                uint8_t* p = out + size_t(x) * size_t(channels);
                if (channels == 1) {
                    p[0] = uint8_t(sample(0, x, y));
                    continue;
                }
                if (count_ == 2) {
                    p[0] = p[1] = p[2] = uint8_t(sample(0, x, y));
                    p[3] = uint8_t(sample(1, x, y));
                    continue;
                }
                int r = sample(0, x, y), g = sample(1, x, y), b = sample(2, x, y);
                if (sycc_) {
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

bool decodeJpeg2000Rows(ByteSource& source, const LoadOptions& options, RowSink& sink) {
    return Jpeg2000Decoder(source, sink).run(options);
}

bool decodeJpeg2000(const uint8_t* data, size_t size, const LoadOptions& options, Image& out) {
    return decodeWholeImage(decodeJpeg2000Rows, data, size, options, out);
}

bool readJpeg2000Facts(ByteSource& source, ImageFacts& out) {
    return readFactsWithRows(decodeJpeg2000Rows, source, out);
}

}  // namespace ximora::engine
