// Decoder for JPEG 2000 (ITU-T T.800): https://www.itu.int/rec/T-REC-T.800
#include <algorithm>
#include <vector>

#include "engine/codecs/band_rows.h"
#include "engine/codecs/image_row_sink.h"
#include "engine/codecs/jpeg2000/jp2_boxes.h"
#include "engine/codecs/jpeg2000/jpeg2000_codec.h"
#include "engine/codecs/jpeg2000/openjpeg_stream.h"
#include "engine/core/error.h"
#include "engine/core/parallel.h"
#include "engine/io/byte_source.h"

namespace ximora::engine {
namespace {

// Whether the three first components are luma and chroma to be turned into RGB. Files say so,
// or (as OpenJPEG's decoder takes them) three components with the second one subsampled
// across are luma and chroma whatever the file says. Only the samplings that decoder converts
// are: 4:4:4, 4:2:2 and 4:2:0.
bool isSycc(const opj_image_t& image) {
    if (image.numcomps < 3) return false;
    const opj_image_comp_t* c = image.comps;
    const bool declared = image.color_space == OPJ_CLRSPC_SYCC;
    const bool guessed = image.numcomps == 3 && c[0].dx == c[0].dy && c[1].dx != 1;
    if (!declared && !guessed) return false;
    if (c[0].dx != 1 || c[0].dy != 1 || c[1].dx != c[2].dx || c[1].dy != c[2].dy) return false;
    const uint32_t across = c[1].dx, down = c[1].dy;
    return (across == 1 && down == 1) || (across == 2 && (down == 1 || down == 2));
}

class Jpeg2000Decoder {
  public:
    Jpeg2000Decoder(ByteSource& source, RowSink& sink) : sink_(sink) { memory_.source = &source; }
    bool run(const LoadOptions& options);

  private:
    bool failed(int fallback) {
        return failWithDetail(errors_.code ? errors_.code : fallback, errors_.message);
    }
    int reduction(int minSide);
    uint64_t reduced(uint64_t v) const { return (v + (uint64_t(1) << reduce_) - 1) >> reduce_; }
    bool readTiles();
    void takeProfile();
    bool convert(BandRows& band, int bandTop);

    RowSink& sink_;
    OpenJpegMemory memory_;
    OpenJpegErrors errors_;
    OpenJpegHandles opj_;  // last, so it is released before the memory its stream reads
    int reduce_ = 0;       // resolution levels dropped
    // The picture: the image area of the reference grid at the decoded resolution, from the
    // header (a decoded tile's image holds the tile's own area).
    uint64_t left_ = 0, top_ = 0;
    int width_ = 0, height_ = 0;
    int count_ = 0;     // components shown
    int channels_ = 0;  // bytes per pixel of the rows
    bool sycc_ = false;
};

bool Jpeg2000Decoder::run(const LoadOptions& options) {
    ByteSource& source = *memory_.source;
    uint8_t magic[2] = {};
    const bool codestream = source.read(0, magic, 2) == 2 && magic[0] == 0xFF && magic[1] == 0x4F;
    opj_.stream = openJpegReadStream(memory_);
    opj_.codec =
        openJpegLibrary()->opj_create_decompress(codestream ? OPJ_CODEC_J2K : OPJ_CODEC_JP2);
    if (!opj_.stream || !opj_.codec) return fail(kErrMemory);
    installOpenJpegHandlers(opj_.codec, errors_);
    opj_dparameters_t parameters;
    openJpegLibrary()->opj_set_default_decoder_parameters(&parameters);
    if (!openJpegLibrary()->opj_setup_decoder(opj_.codec, &parameters))
        return failed(kErrFileBroken);
    // Strict mode refuses a codestream that ends early instead of showing a blurred guess.
    openJpegLibrary()->opj_decoder_set_strict_mode(opj_.codec, OPJ_TRUE);
    openJpegLibrary()->opj_codec_set_threads(opj_.codec, workerCount());
    if (!openJpegLibrary()->opj_read_header(opj_.stream, opj_.codec, &opj_.image) || !opj_.image)
        return failed(kErrBadFile);
    const opj_image_t& header = *opj_.image;
    if (header.numcomps == 0 || !header.comps || header.x1 <= header.x0 || header.y1 <= header.y0)
        return fail(kErrFileBroken);
    const int64_t fullWidth = int64_t(header.x1) - header.x0,
                  fullHeight = int64_t(header.y1) - header.y0;
    if (!Image::fitsSides(fullWidth, fullHeight)) return false;
    reduce_ = reduction(options.minSide);
    if (reduce_ > 0 &&
        !openJpegLibrary()->opj_set_decoded_resolution_factor(opj_.codec, OPJ_UINT32(reduce_)))
        return failed(kErrFileBroken);
    // Only the first four components are shown; the rest are not decoded at all.
    if (header.numcomps > 4) {
        static constexpr OPJ_UINT32 kShown[] = {0, 1, 2, 3};
        if (!openJpegLibrary()->opj_set_decoded_components(opj_.codec, 4, kShown, OPJ_FALSE))
            return failed(kErrFileBroken);
    }
    left_ = reduced(header.x0), top_ = reduced(header.y0);
    width_ = int(reduced(header.x1) - left_), height_ = int(reduced(header.y1) - top_);
    if (width_ < 1 || height_ < 1) return fail(kErrFileBroken);
    count_ = int(std::min<OPJ_UINT32>(header.numcomps, 4));
    for (int c = 0; c < count_; ++c)
        if (header.comps[c].dx == 0 || header.comps[c].dy == 0) return fail(kErrFileBroken);
    channels_ = count_ == 2 ? 4 : count_;  // grey with alpha shows as RGBA
    sycc_ = isSycc(header);
    RowLayout layout;
    layout.width = width_;
    layout.height = height_;
    layout.bitsPerPixel = channels_ == 1 ? 8 : channels_ == 3 ? 24 : 32;
    layout.grey = channels_ == 1;
    if (layout.grey) layout.palette = greyPalette(8);
    for (int c = 0; c < count_; ++c)
        layout.sampleBits = std::max(layout.sampleBits, int(header.comps[c].prec));
    // EXIF and XMP boxes, for a picture kept whole (thumbnails and facts keep no metadata).
    if (!codestream && sink_.keepsWholePicture())
        readJp2MetadataBoxes(source, sink_.notes.metadata);
    return sink_.start(layout) && readTiles();
}

// OpenJPEG attaches the colour box's profile to the image only when it hands decoded samples.
void Jpeg2000Decoder::takeProfile() {
    const opj_image_t& img = *opj_.image;
    if (img.icc_profile_buf && img.icc_profile_len && sink_.notes.metadata.icc.empty())
        sink_.notes.metadata.icc.assign(img.icc_profile_buf,
                                        img.icc_profile_buf + img.icc_profile_len);
}

// Resolution levels to drop so that both sides stay at least minSide.
int Jpeg2000Decoder::reduction(int minSide) {
    if (minSide <= 0) return 0;
    opj_codestream_info_v2_t* info = openJpegLibrary()->opj_get_cstr_info(opj_.codec);
    if (!info) return 0;
    const int levels = info->m_default_tile_info.tccp_info
                           ? int(info->m_default_tile_info.tccp_info[0].numresolutions)
                           : 1;
    openJpegLibrary()->opj_destroy_cstr_info(&info);
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
    opj_codestream_info_v2_t* info = openJpegLibrary()->opj_get_cstr_info(opj_.codec);
    if (!info) return fail(kErrFileBroken);
    const uint32_t across = info->tw, down = info->th, tileWidth = info->tdx,
                   tileHeight = info->tdy, tileY0 = info->ty0;
    const uint64_t tiles = uint64_t(across) * down;
    // OpenJPEG keeps about half a kilobyte for every code-block of the tile it decodes, at every
    // resolution, also those a reduced decode leaves out: 1.2 GB for a 60000 x 60000 colour
    // picture in one tile.
    const opj_image_t& header = *opj_.image;
    const uint64_t areaWidth = tiles == 1 ? uint64_t(header.x1) - header.x0 : tileWidth;
    const uint64_t areaHeight = tiles == 1 ? uint64_t(header.y1) - header.y0 : tileHeight;
    uint64_t blocks = 0;
    for (int c = 0; c < count_ && info->m_default_tile_info.tccp_info; ++c) {
        const opj_tccp_info_t& coding = info->m_default_tile_info.tccp_info[c];
        const uint64_t w = areaWidth / header.comps[c].dx + 1,
                       h = areaHeight / header.comps[c].dy + 1;
        blocks +=
            ((w >> std::min(coding.cblkw, 31u)) + 1) * ((h >> std::min(coding.cblkh, 31u)) + 1);
    }
    openJpegLibrary()->opj_destroy_cstr_info(&info);
    if (!across || !down || !tileWidth || !tileHeight) return fail(kErrFileBroken);
    // Besides, it holds every component of a tile as 32-bit samples while decoding, and keeps
    // several kilobytes of coding parameters per tile (forged tiny tiles would cost gigabytes).
    const uint64_t tileSamples = tiles == 1 ? uint64_t(width_ + 1) * uint64_t(height_ + 1)
                                            : (reduced(tileWidth) + 1) * (reduced(tileHeight) + 1);
    if (tileSamples * uint64_t(count_) * 4 + tiles * 8192 + blocks * 512 > memoryLimit())
        return fail(kErrMemory);
    BandRows band(sink_, size_t(width_) * size_t(channels_));
    if (tiles == 1) {
        if (!openJpegLibrary()->opj_decode(opj_.codec, opj_.stream, opj_.image) ||
            !openJpegLibrary()->opj_end_decompress(opj_.codec, opj_.stream))
            return failed(kErrFileBroken);
        takeProfile();
        if (!band.prepare(0, height_) || !convert(band, 0)) return false;
        band.hand();
        return true;
    }
    const uint64_t imageY0 = opj_.image->y0, imageY1 = opj_.image->y1;
    for (uint32_t ty = 0; ty < down; ++ty) {
        // The rows of this row of tiles, at the decoded resolution.
        const uint64_t from =
            std::max<uint64_t>(uint64_t(tileY0) + uint64_t(ty) * tileHeight, imageY0);
        const uint64_t to =
            std::min<uint64_t>(uint64_t(tileY0) + uint64_t(ty + 1) * tileHeight, imageY1);
        const int64_t first = int64_t(reduced(from) - top_), end = int64_t(reduced(to) - top_);
        if (end <= first) continue;  // a row of tiles that vanishes at this resolution
        if (first < 0 || end > height_) return fail(kErrFileBroken);
        if (!band.prepare(int(first), int(end - first))) return false;
        for (uint32_t tx = 0; tx < across; ++tx) {
            if (!openJpegLibrary()->opj_get_decoded_tile(opj_.codec, opj_.stream, opj_.image,
                                                         ty * across + tx))
                return failed(kErrFileBroken);
            takeProfile();
            if (!convert(band, int(first))) return false;
        }
        band.hand();
    }
    return true;
}

// Writes the decoded area (a tile, or the whole picture) into the band that starts at picture
// row bandTop, converting to 8 bits per channel.
bool Jpeg2000Decoder::convert(BandRows& band, int bandTop) {
    const opj_image_t& img = *opj_.image;
    const opj_image_comp_t* comps = img.comps;
    if (img.numcomps < OPJ_UINT32(count_)) return fail(kErrFileBroken);
    for (int c = 0; c < count_; ++c)
        if (!comps[c].data || comps[c].w == 0 || comps[c].h == 0 || comps[c].prec == 0 ||
            comps[c].prec > 31 || comps[c].dx == 0 || comps[c].dy == 0)
            return fail(kErrFileBroken);
    // The area's picture columns and rows.
    const int64_t left = int64_t(reduced(img.x0) - left_), top = int64_t(reduced(img.y0) - top_);
    const int64_t right = std::min<int64_t>(int64_t(reduced(img.x1) - left_), width_);
    const int64_t bottom =
        std::min<int64_t>(int64_t(reduced(img.y1) - top_), int64_t(bandTop) + band.count());
    if (left < 0 || top < bandTop || right <= left || bottom <= top) return fail(kErrFileBroken);
    // Component column of every picture column (and row of every row) of the area: the sample
    // at or left of (above) the grid point, counted from the component's first sample in the
    // area and kept inside it. Components sampled more coarsely (XRsiz, YRsiz) are spread over
    // the picture.
    std::vector<std::vector<uint32_t>> columns(static_cast<size_t>(count_)),
        rows(static_cast<size_t>(count_));
    const auto place = [&](std::vector<uint32_t>& out, uint64_t first, uint32_t origin,
                           uint32_t step, uint32_t samples) {
        const uint64_t start = reduced((uint64_t(origin) + step - 1) / step);
        for (size_t i = 0; i < out.size(); ++i)
            out[i] = uint32_t(std::clamp<int64_t>(int64_t((first + i) / step) - int64_t(start), 0,
                                                  int64_t(samples) - 1));
    };
    for (int c = 0; c < count_; ++c) {
        const opj_image_comp_t& comp = comps[c];
        columns[size_t(c)].resize(size_t(right - left));
        rows[size_t(c)].resize(size_t(bottom - top));
        place(columns[size_t(c)], left_ + uint64_t(left), img.x0, comp.dx, comp.w);
        place(rows[size_t(c)], top_ + uint64_t(top), img.y0, comp.dy, comp.h);
    }

    // Sample of component c under area pixel (x, y), scaled to 8 bits.
    auto sample = [&](int c, size_t x, size_t y) {
        const opj_image_comp_t& comp = comps[c];
        int64_t v = comp.data[size_t(rows[size_t(c)][y]) * comp.w + columns[size_t(c)][x]];
        if (comp.sgnd) v += int64_t(1) << (comp.prec - 1);
        if (comp.prec > 8)
            v >>= comp.prec - 8;
        else if (comp.prec < 8)
            v = v * 255 / ((int64_t(1) << comp.prec) - 1);
        return int(std::clamp<int64_t>(v, 0, 255));
    };
    const int channels = channels_, count = count_;
    parallelRows(int(bottom - top), [&](int r0, int r1) {
        for (int r = r0; r < r1; ++r) {
            const size_t y = size_t(r);
            uint8_t* out = band.row(int(top - bandTop) + r) + size_t(left) * size_t(channels);
            for (size_t x = 0; x < size_t(right - left); ++x) {
                uint8_t* p = out + x * size_t(channels);
                if (channels == 1) {
                    p[0] = uint8_t(sample(0, x, y));
                    continue;
                }
                if (count == 2) {
                    p[0] = p[1] = p[2] = uint8_t(sample(0, x, y));
                    p[3] = uint8_t(sample(1, x, y));
                    continue;
                }
                int red = sample(0, x, y), green = sample(1, x, y), blue = sample(2, x, y);
                if (sycc_) {
                    // The coefficients and truncation of OpenJPEG's own decoder, so that
                    // pictures match what it shows.
                    const int cb = green - 128, cr = blue - 128, luma = red;
                    red = std::clamp(luma + int(1.402 * cr), 0, 255);
                    green = std::clamp(luma - int(0.344 * cb + 0.714 * cr), 0, 255);
                    blue = std::clamp(luma + int(1.772 * cb), 0, 255);
                }
                p[0] = uint8_t(red), p[1] = uint8_t(green), p[2] = uint8_t(blue);
                if (channels == 4) p[3] = uint8_t(sample(3, x, y));
            }
        }
    });
    return true;
}

}  // namespace

bool decodeJpeg2000Rows(ByteSource& source, const LoadOptions& options, RowSink& sink) {
    return openJpegLibrary() && Jpeg2000Decoder(source, sink).run(options);
}

bool decodeJpeg2000(const uint8_t* data, size_t size, const LoadOptions& options, Image& out) {
    return decodeWholeImage(decodeJpeg2000Rows, data, size, options, out);
}

bool readJpeg2000Facts(ByteSource& source, ImageFacts& out) {
    return readFactsWithRows(decodeJpeg2000Rows, source, out);
}

}  // namespace ximora::engine
