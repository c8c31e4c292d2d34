// Decoder for HEIF files: ISO/IEC 23008-12, read through libheif
// (https://github.com/strukturag/libheif/blob/master/libheif/api/libheif/heif.h).
#include <algorithm>
#include <cstring>
#include <string_view>
#include <vector>

#include "engine/codecs/heif/heif_codec.h"
#include "engine/codecs/heif/heif_error.h"
#include "engine/codecs/raster_pages.h"
#include "engine/codecs/sample_depth.h"
#include "engine/colour/cicp_profile.h"
#include "engine/core/error.h"
#include "engine/metadata/exif.h"
#include "engine/metadata/orientation.h"

namespace ximora::engine {
namespace {

bool ok(const heif_error& error) { return error.code == heif_error_Ok || failWithHeif(error); }

// The smallest embedded thumbnail with both sides at least `minSide`, or nullptr.
HeifPtr<const heif_image_handle> thumbnailFor(const heif_image_handle* primary, int minSide) {
    const int count = heifLibrary()->heif_image_handle_get_number_of_thumbnails(primary);
    if (minSide <= 0 || count <= 0) return nullptr;
    std::vector<heif_item_id> ids(static_cast<size_t>(count));
    heifLibrary()->heif_image_handle_get_list_of_thumbnail_IDs(primary, ids.data(), count);
    HeifPtr<const heif_image_handle> best;
    for (heif_item_id id : ids) {
        heif_image_handle* thumb = nullptr;
        if (heifLibrary()->heif_image_handle_get_thumbnail(primary, id, &thumb).code !=
            heif_error_Ok)
            continue;
        HeifPtr<const heif_image_handle> candidate(thumb);
        const int w = heifLibrary()->heif_image_handle_get_width(thumb),
                  h = heifLibrary()->heif_image_handle_get_height(thumb);
        if (w < minSide || h < minSide) continue;
        if (!best ||
            int64_t(w) * h < int64_t(heifLibrary()->heif_image_handle_get_width(best.get())) *
                                 heifLibrary()->heif_image_handle_get_height(best.get()))
            best = std::move(candidate);
    }
    return best;
}

// The profile the file gives the image: an ICC profile, or one made from its nclx box.
std::vector<uint8_t> colourProfile(const heif_image_handle* handle) {
    std::vector<uint8_t> icc(heifLibrary()->heif_image_handle_get_raw_color_profile_size(handle));
    if (!icc.empty() &&
        heifLibrary()->heif_image_handle_get_raw_color_profile(handle, icc.data()).code ==
            heif_error_Ok)
        return icc;
    heif_color_profile_nclx* nclx = nullptr;
    if (heifLibrary()->heif_image_handle_get_nclx_color_profile(handle, &nclx).code !=
            heif_error_Ok ||
        !nclx)
        return {};
    const HeifPtr<heif_color_profile_nclx> owner(nclx);
    return iccFromCicp(nclx->color_primaries, nclx->transfer_characteristics);
}

// Decodes `handle` to interleaved RGB(A), 16-bit samples when the file has more than 8 bits,
// which `keepDeep` keeps beside the raster. `bounded`: the context refuses pictures larger
// than the file declares (see decodeHeif).
bool decodePixels(const heif_image_handle* handle, bool bounded, bool keepDeep, Image& image) {
    const bool alpha = heifLibrary()->heif_image_handle_has_alpha_channel(handle);
    const int bits = alpha ? 32 : 24;
    if (!Image::fitsLimits(heifLibrary()->heif_image_handle_get_width(handle),
                           heifLibrary()->heif_image_handle_get_height(handle), bits))
        return false;
    const bool deep = heifLibrary()->heif_image_handle_get_luma_bits_per_pixel(handle) > 8;
    // libheif decodes the whole picture: the codec's planes (three, and alpha), then the
    // interleaved copy read here, two bytes a sample above 8 bits.
    const uint64_t pixels = uint64_t(heifLibrary()->heif_image_handle_get_width(handle)) *
                            uint64_t(heifLibrary()->heif_image_handle_get_height(handle));
    const uint64_t working = pixels * (deep ? 2 : 1) * (alpha ? 8 : 6);
    if (working + Image::rasterBytes(heifLibrary()->heif_image_handle_get_width(handle),
                                     heifLibrary()->heif_image_handle_get_height(handle), bits) >
        memoryLimit())
        return fail(kErrMemory);
    const heif_chroma chroma =
        deep ? (alpha ? heif_chroma_interleaved_RRGGBBAA_LE : heif_chroma_interleaved_RRGGBB_LE)
             : (alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB);
    const HeifPtr<heif_decoding_options> options(heifLibrary()->heif_decoding_options_alloc());
    heif_image* decoded = nullptr;
    const heif_error error = heifLibrary()->heif_decode_image(handle, &decoded, heif_colorspace_RGB,
                                                              chroma, options.get());
    const HeifPtr<const heif_image> owner(decoded);
    // A picture coded larger than its file declares contradicts the file's own headers.
    if (bounded && error.subcode == heif_suberror_Security_limit_exceeded)
        return failWithHeif(error, kErrFileBroken);
    if (!ok(error)) return false;
    const int w = heifLibrary()->heif_image_get_width(decoded, heif_channel_interleaved);
    const int h = heifLibrary()->heif_image_get_height(decoded, heif_channel_interleaved);
    int stride = 0;
    const uint8_t* plane =
        heifLibrary()->heif_image_get_plane_readonly(decoded, heif_channel_interleaved, &stride);
    const int range =
        heifLibrary()->heif_image_get_bits_per_pixel_range(decoded, heif_channel_interleaved);
    if (!plane || w < 1 || h < 1 || (deep && (range < 9 || range > 16)))
        return fail(kErrFileBroken);
    if (!image.allocate(w, h, bits)) return false;
    preferHugePages(image);
    const size_t samples = size_t(w) * (alpha ? 4 : 3);
    if ((deep ? samples * 2 : samples) > size_t(stride)) return fail(kErrFileBroken);
    std::unique_ptr<DeepSamples> kept;
    if (deep && keepDeep) {
        kept = makeDeepSamples(w, h, alpha ? 4 : 3, image.byteCount() + working);
        if (!kept) return false;
    }
    const uint32_t maximum = (1u << range) - 1;
    for (int y = 0; y < h; ++y) {
        const uint8_t* in = plane + size_t(y) * size_t(stride);
        uint8_t* out = image.row(y);
        if (!deep) {
            std::memcpy(out, in, samples);
            continue;
        }
        uint16_t* wide = kept ? kept->row(y) : nullptr;
        for (size_t i = 0; i < samples; ++i) {
            const uint32_t v = uint32_t(in[2 * i] | in[2 * i + 1] << 8);
            out[i] = narrowSample(v, maximum);
            if (wide) wide[i] = widenSample(v, maximum);
        }
    }
    attachDeepSamples(image, std::move(kept));
    return true;
}

// The first metadata block of `type` (and of `contentType` when given).
std::vector<uint8_t> metadataBlock(const heif_image_handle* handle, const char* type,
                                   std::string_view contentType = {}) {
    const int count = heifLibrary()->heif_image_handle_get_number_of_metadata_blocks(handle, type);
    if (count <= 0) return {};
    std::vector<heif_item_id> ids(static_cast<size_t>(count));
    heifLibrary()->heif_image_handle_get_list_of_metadata_block_IDs(handle, type, ids.data(),
                                                                    count);
    for (heif_item_id id : ids) {
        if (!contentType.empty() &&
            contentType != heifLibrary()->heif_image_handle_get_metadata_content_type(handle, id))
            continue;
        std::vector<uint8_t> bytes(heifLibrary()->heif_image_handle_get_metadata_size(handle, id));
        if (heifLibrary()->heif_image_handle_get_metadata(handle, id, bytes.data()).code ==
            heif_error_Ok)
            return bytes;
    }
    return {};
}

// A HEIF Exif block starts with the offset of the TIFF header from the end of that field,
// which some writers fill with "Exif\0\0". The rotation is the file's irot, already applied,
// so the kept orientation says upright.
std::vector<uint8_t> exifBlock(const heif_image_handle* handle) {
    std::vector<uint8_t> block = metadataBlock(handle, "Exif");
    if (block.size() < 4) return {};
    const uint64_t offset = uint64_t(block[0]) << 24 | block[1] << 16 | block[2] << 8 | block[3];
    if (offset > block.size() - 4) return {};
    block.erase(block.begin(), block.begin() + 4 + long(offset));
    if (block.size() >= 6 && std::memcmp(block.data(), "Exif\0\0", 6) == 0)
        block.erase(block.begin(), block.begin() + 6);
    if (exifOrientation(block) > 1) setExifOrientation(block, 1);
    return block;
}

}  // namespace

bool decodeHeif(const uint8_t* data, size_t size, const LoadOptions& options, Image& out) {
    const HeifPtr<heif_context> context = newHeifContext();
    if (!context) return false;
    if (!ok(heifLibrary()->heif_context_read_from_memory_without_copy(context.get(), data, size,
                                                                      nullptr)))
        return false;
    heif_image_handle* primary = nullptr;
    const heif_error found =
        heifLibrary()->heif_context_get_primary_image_handle(context.get(), &primary);
    const HeifPtr<const heif_image_handle> primaryOwner(primary);
    if (!ok(found)) return false;

    const HeifPtr<const heif_image_handle> thumbnail = thumbnailFor(primary, options.minSide);
    const heif_image_handle* chosen = thumbnail ? thumbnail.get() : primary;
    // libheif sizes the planes it decodes into by the coded stream, not by the size the image
    // declares, which the memory budget judges: a forged 1 KB file declaring 64 × 48 decoded
    // into planes of 16384 × 12288, 3.5 GB. Nothing of the image (its grid's tiles, its alpha)
    // may come out with a side longer than the image's, give or take a coded picture's padding
    // to whole coding blocks (64 pixels at most).
    const int declared = std::max(heifLibrary()->heif_image_handle_get_ispe_width(chosen),
                                  heifLibrary()->heif_image_handle_get_ispe_height(chosen));
    if (declared > 0)
        heifLibrary()->heif_context_set_maximum_image_size_limit(context.get(), declared + 64);
    Image image;
    if (!decodePixels(chosen, declared > 0, options.keepMetadata && !thumbnail, image))
        return false;
    image.metadata.icc = colourProfile(chosen);
    if (image.metadata.icc.empty() && thumbnail) image.metadata.icc = colourProfile(primary);
    image.metadata.exif = exifBlock(primary);
    image.metadata.xmp = metadataBlock(primary, "mime", "application/rdf+xml");
    if (!finishLoadedMetadata(image, options)) return false;
    out = std::move(image);
    return true;
}

int heifImageCount(const uint8_t* data, size_t size) {
    const HeifPtr<heif_context> context = newHeifContext();
    if (!context ||
        heifLibrary()
                ->heif_context_read_from_memory_without_copy(context.get(), data, size, nullptr)
                .code != heif_error_Ok)
        return 1;
    return std::max(1, heifLibrary()->heif_context_get_number_of_top_level_images(context.get()));
}

}  // namespace ximora::engine
