// JPEG tiles of FlashPix subimages: ITU-T T.81 abbreviated streams
// (https://www.w3.org/Graphics/JPEG/itu-t81.pdf, B.4 and B.5).
#include "engine/codecs/flashpix/flashpix_jpeg.h"

#include <cstring>

#include "engine/codecs/flashpix/flashpix_format.h"
#include "engine/codecs/jpeg/jpeg_codec.h"
#include "engine/core/error.h"

namespace ximora::engine::flashpix {
namespace {

constexpr size_t kFirstBuffer = 4096;

J_COLOR_SPACE inputSpace(int channels) {
    switch (channels) {
        case 1:
            return JCS_GRAYSCALE;
        case 3:
            return JCS_RGB;
        case 4:
            return JCS_CMYK;  // R, G, B and opacity; libjpeg's YCCK inverts the first three
        default:
            return JCS_UNKNOWN;
    }
}

}  // namespace

JpegTileDecoder::JpegTileDecoder() { cinfo_.err = installJpegErrors(trap_); }

JpegTileDecoder::~JpegTileDecoder() {
    if (cinfo_.mem) jpeg_destroy_decompress(&cinfo_);
}

bool JpegTileDecoder::failed() const {
    return failWithDetail(trap_.code == kErrMemory ? kErrMemory : kErrFileBroken, trap_.message);
}

bool JpegTileDecoder::loadTables(const uint8_t* data, size_t size) {
    if (setjmp(trap_.jump)) return failed();
    if (!cinfo_.mem) jpeg_create_decompress(&cinfo_);
    jpeg_mem_src(&cinfo_, data, static_cast<unsigned long>(size));
    if (jpeg_read_header(&cinfo_, FALSE) != JPEG_HEADER_TABLES_ONLY) {
        jpeg_abort_decompress(&cinfo_);
        return fail(kErrFileBroken);
    }
    return true;
}

bool JpegTileDecoder::decode(const uint8_t* data, size_t size, bool converted, int channels,
                             int width, int height, uint8_t* pixels) {
    if (setjmp(trap_.jump)) {
        jpeg_abort_decompress(&cinfo_);
        return failed();
    }
    if (!cinfo_.mem) jpeg_create_decompress(&cinfo_);
    trap_.truncated = false;
    jpeg_mem_src(&cinfo_, data, static_cast<unsigned long>(size));
    const bool header = jpeg_read_header(&cinfo_, TRUE) == JPEG_HEADER_OK;
    if (!header || cinfo_.num_components != channels || cinfo_.image_width < JDIMENSION(width) ||
        cinfo_.image_height < JDIMENSION(height)) {
        jpeg_abort_decompress(&cinfo_);
        return fail(kErrFileBroken);
    }
    // The subtype, not the markers, says what the components are.
    if (converted && channels == 3)
        cinfo_.jpeg_color_space = JCS_YCbCr, cinfo_.out_color_space = JCS_RGB;
    else if (converted && channels == 4)
        cinfo_.jpeg_color_space = JCS_YCCK, cinfo_.out_color_space = JCS_CMYK;
    else if (channels == 1)
        cinfo_.jpeg_color_space = cinfo_.out_color_space = JCS_GRAYSCALE;
    else
        cinfo_.jpeg_color_space = cinfo_.out_color_space = JCS_UNKNOWN;
    jpeg_start_decompress(&cinfo_);
    const size_t rowBytes = size_t(cinfo_.output_width) * size_t(channels);
    row_.resize(rowBytes);
    for (int y = 0; y < height && !trap_.truncated; ++y) {
        JSAMPROW row = row_.data();
        jpeg_read_scanlines(&cinfo_, &row, 1);
        std::memcpy(pixels + size_t(y) * size_t(width) * size_t(channels), row_.data(),
                    size_t(width) * size_t(channels));
    }
    const bool complete = !trap_.truncated;
    jpeg_abort_decompress(&cinfo_);  // the tables stay for the next tile
    return complete || failed();
}

JpegTileEncoder::JpegTileEncoder() {
    cinfo_.err = installJpegErrors(trap_);
    cinfo_.client_data = this;
    destination_.init_destination = initDestination;
    destination_.empty_output_buffer = emptyBuffer;
    destination_.term_destination = termDestination;
}

JpegTileEncoder::~JpegTileEncoder() {
    if (cinfo_.mem) jpeg_destroy_compress(&cinfo_);
}

void JpegTileEncoder::initDestination(j_compress_ptr cinfo) {
    auto* self = static_cast<JpegTileEncoder*>(cinfo->client_data);
    self->out_->resize(kFirstBuffer);
    self->destination_.next_output_byte = self->out_->data();
    self->destination_.free_in_buffer = self->out_->size();
}

boolean JpegTileEncoder::emptyBuffer(j_compress_ptr cinfo) {
    auto* self = static_cast<JpegTileEncoder*>(cinfo->client_data);
    const size_t used = self->out_->size();
    self->out_->resize(used * 2);
    self->destination_.next_output_byte = self->out_->data() + used;
    self->destination_.free_in_buffer = self->out_->size() - used;
    return TRUE;
}

void JpegTileEncoder::termDestination(j_compress_ptr cinfo) {
    auto* self = static_cast<JpegTileEncoder*>(cinfo->client_data);
    self->out_->resize(self->out_->size() - self->destination_.free_in_buffer);
}

bool JpegTileEncoder::begin(int channels, int quality, std::vector<uint8_t>& tables) {
    if (setjmp(trap_.jump)) return fail(trap_.code == kErrMemory ? kErrMemory : kErrCannotWrite);
    if (!cinfo_.mem) jpeg_create_compress(&cinfo_);
    cinfo_.dest = &destination_;
    cinfo_.image_width = cinfo_.image_height = JDIMENSION(kTileSide);
    cinfo_.input_components = channels;
    cinfo_.in_color_space = inputSpace(channels);
    jpeg_set_defaults(&cinfo_);
    const bool colour = channels >= 3;
    jpeg_set_colorspace(&cinfo_, channels == 3   ? JCS_YCbCr
                                 : channels == 4 ? JCS_YCCK
                                                 : inputSpace(channels));
    jpeg_set_quality(&cinfo_, quality, TRUE);
    // Tiles share the tables, so Huffman tables fitted to one tile cannot be used.
    cinfo_.optimize_coding = FALSE;
    cinfo_.write_JFIF_header = FALSE;
    cinfo_.write_Adobe_marker = FALSE;
    const bool halved = colour && quality < kFullChromaQuality;
    for (int c = 0; c < cinfo_.num_components; ++c) {
        // Luma and opacity keep every pixel; chroma is halved at lower qualities.
        const bool full = !halved || c == 1 || c == 2;
        cinfo_.comp_info[c].h_samp_factor = cinfo_.comp_info[c].v_samp_factor = full ? 1 : 2;
    }
    out_ = &tables;
    jpeg_write_tables(&cinfo_);
    subtype_ = (halved ? 0x22u : 0x11u) << 8 | (colour ? 1u : 0u) << 16 | 1u << 24;
    return true;
}

bool JpegTileEncoder::encode(const uint8_t* pixels, int side, std::vector<uint8_t>& out) {
    if (setjmp(trap_.jump)) return fail(trap_.code == kErrMemory ? kErrMemory : kErrCannotWrite);
    out_ = &out;
    cinfo_.image_width = cinfo_.image_height = JDIMENSION(side);
    jpeg_suppress_tables(&cinfo_, TRUE);
    jpeg_start_compress(&cinfo_, FALSE);
    const size_t rowBytes = size_t(side) * size_t(cinfo_.input_components);
    while (cinfo_.next_scanline < cinfo_.image_height) {
        // libjpeg only reads input rows
        JSAMPROW row = const_cast<JSAMPROW>(pixels + rowBytes * cinfo_.next_scanline);
        jpeg_write_scanlines(&cinfo_, &row, 1);
    }
    jpeg_finish_compress(&cinfo_);
    return true;
}

}  // namespace ximora::engine::flashpix
