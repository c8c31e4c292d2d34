// Encoder for JPEG 2000 (ITU-T T.800): https://www.itu.int/rec/T-REC-T.800
#include <algorithm>

#include "engine/codecs/jpeg2000/jp2_boxes.h"
#include "engine/codecs/jpeg2000/jpeg2000_codec.h"
#include "engine/codecs/jpeg2000/openjpeg_stream.h"
#include "engine/codecs/row_convert.h"
#include "engine/core/error.h"
#include "engine/core/parallel.h"

namespace ximora::engine {
namespace {

class Jpeg2000Encoder {
  public:
    bool run(const Image& image, const SaveOptions& options, std::vector<uint8_t>& out);

  private:
    bool makeImage(const Image& image);
    bool failed(int fallback) { return fail(errors_.code == kErrMemory ? kErrMemory : fallback); }

    OpenJpegMemory memory_;
    OpenJpegErrors errors_;
    OpenJpegHandles opj_;  // last, so it is released before the memory its stream reads
};

// Copies the pixels into OpenJPEG's planar 32-bit components.
bool Jpeg2000Encoder::makeImage(const Image& image) {
    const bool grey = indexesAreGreyLevels(image);
    const int count = grey ? 1 : image.bitsPerPixel() == 32 ? 4 : 3;
    opj_image_cmptparm_t params[4] = {};
    for (int c = 0; c < count; ++c) {
        params[c].dx = params[c].dy = 1;
        params[c].w = OPJ_UINT32(image.width());
        params[c].h = OPJ_UINT32(image.height());
        params[c].prec = 8;
        params[c].sgnd = 0;
    }
    opj_.image = openJpegLibrary()->opj_image_create(OPJ_UINT32(count), params,
                                                     grey ? OPJ_CLRSPC_GRAY : OPJ_CLRSPC_SRGB);
    if (!opj_.image) return fail(kErrMemory);
    opj_.image->x1 = OPJ_UINT32(image.width());
    opj_.image->y1 = OPJ_UINT32(image.height());
    if (count == 4) opj_.image->comps[3].alpha = 1;
    parallelRows(image.height(), [&](int y0, int y1) {
        std::vector<uint8_t> rgba(size_t(image.width()) * 4);
        for (int y = y0; y < y1; ++y) {
            const size_t base = size_t(y) * size_t(image.width());
            if (grey) {
                const uint8_t* in = image.row(y);
                for (int x = 0; x < image.width(); ++x)
                    opj_.image->comps[0].data[base + x] = image.palette[in[x]].r;
                continue;
            }
            rowToRgba(image, y, rgba.data());
            for (int x = 0; x < image.width(); ++x)
                for (int c = 0; c < count; ++c)
                    opj_.image->comps[c].data[base + x] = rgba[size_t(x) * 4 + c];
        }
    });
    return true;
}

bool Jpeg2000Encoder::run(const Image& image, const SaveOptions& options,
                          std::vector<uint8_t>& out) {
    if (!makeImage(image)) return false;
    opj_cparameters_t parameters;
    openJpegLibrary()->opj_set_default_encoder_parameters(&parameters);
    parameters.tcp_numlayers = 1;
    parameters.cp_disto_alloc = 1;
    parameters.tcp_rates[0] = float(std::max(options.jpeg2000Ratio, 0));
    parameters.irreversible = options.jpeg2000Ratio > 0 ? 1 : 0;
    parameters.tcp_mct = opj_.image->numcomps >= 3 ? 1 : 0;
    // Each resolution level halves the sides; the smallest must keep at least one pixel.
    const int side = std::min(image.width(), image.height());
    while (parameters.numresolution > 1 && (1 << (parameters.numresolution - 1)) > side)
        --parameters.numresolution;
    std::string comment = image.comment;
    if (!comment.empty()) parameters.cp_comment = comment.data();

    opj_.codec = openJpegLibrary()->opj_create_compress(options.format == kSaveJ2k ? OPJ_CODEC_J2K
                                                                                   : OPJ_CODEC_JP2);
    if (!opj_.codec) return fail(kErrMemory);
    installOpenJpegHandlers(opj_.codec, errors_);
    if (!openJpegLibrary()->opj_setup_encoder(opj_.codec, &parameters, opj_.image))
        return failed(kErrBadParameter);
    openJpegLibrary()->opj_codec_set_threads(opj_.codec, workerCount());
    memory_.out = &out;
    opj_.stream = openJpegWriteStream(memory_);
    if (!opj_.stream) return fail(kErrMemory);
    if (!openJpegLibrary()->opj_start_compress(opj_.codec, opj_.image, opj_.stream) ||
        !openJpegLibrary()->opj_encode(opj_.codec, opj_.stream) ||
        !openJpegLibrary()->opj_end_compress(opj_.codec, opj_.stream))
        return failed(kErrCannotWrite);
    return true;
}

}  // namespace

bool encodeJpeg2000(const Image& image, const SaveOptions& options, std::vector<uint8_t>& out) {
    if (image.empty()) return fail(kErrNoImage);
    if (options.jpeg2000Ratio < 0) return fail(kErrBadParameter);
    if (!openJpegLibrary()) return false;
    std::vector<uint8_t> bytes;
    {
        Jpeg2000Encoder encoder;
        if (!encoder.run(image, options, bytes)) return false;
    }
    // OpenJPEG declares sRGB and writes no metadata boxes; a bare codestream has no place
    // for either.
    if (options.format != kSaveJ2k && !addJp2Metadata(bytes, image.metadata))
        return fail(kErrCannotWrite);
    out = std::move(bytes);
    return true;
}

}  // namespace ximora::engine
