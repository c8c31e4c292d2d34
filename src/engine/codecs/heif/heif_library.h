#pragma once
// libheif, opened the first time a HEIF file is read. It brings its HEVC and AV1 decoders and
// encoders with it (libde265, x265, aom, dav1d and theirs), which a process that never meets a
// HEIF file does not map.

#include <libheif/heif.h>

#include "engine/codecs/shared_library.h"

namespace ximora::engine {

// clang-format off
#define XIMORA_HEIF_FUNCTIONS(F)                        \
    F(heif_context_alloc)                               \
    F(heif_context_free)                                \
    F(heif_context_get_number_of_top_level_images)      \
    F(heif_context_get_primary_image_handle)            \
    F(heif_context_read_from_memory_without_copy)       \
    F(heif_context_read_from_reader)                    \
    F(heif_context_set_maximum_image_size_limit)        \
    F(heif_decode_image)                                \
    F(heif_decoding_options_alloc)                      \
    F(heif_decoding_options_free)                       \
    F(heif_image_get_bits_per_pixel_range)              \
    F(heif_image_get_height)                            \
    F(heif_image_get_plane_readonly)                    \
    F(heif_image_get_width)                             \
    F(heif_image_handle_get_height)                     \
    F(heif_image_handle_get_ispe_height)                \
    F(heif_image_handle_get_ispe_width)                 \
    F(heif_image_handle_get_list_of_metadata_block_IDs) \
    F(heif_image_handle_get_list_of_thumbnail_IDs)      \
    F(heif_image_handle_get_luma_bits_per_pixel)        \
    F(heif_image_handle_get_metadata)                   \
    F(heif_image_handle_get_metadata_content_type)      \
    F(heif_image_handle_get_metadata_size)              \
    F(heif_image_handle_get_nclx_color_profile)         \
    F(heif_image_handle_get_number_of_metadata_blocks)  \
    F(heif_image_handle_get_number_of_thumbnails)       \
    F(heif_image_handle_get_raw_color_profile)          \
    F(heif_image_handle_get_raw_color_profile_size)     \
    F(heif_image_handle_get_thumbnail)                  \
    F(heif_image_handle_get_width)                      \
    F(heif_image_handle_has_alpha_channel)              \
    F(heif_image_handle_release)                        \
    F(heif_image_release)                               \
    F(heif_nclx_color_profile_free)
// clang-format on

struct HeifLibrary {
    XIMORA_HEIF_FUNCTIONS(XIMORA_LIBRARY_FUNCTION)
    void find(SharedLibrary& library) { library XIMORA_HEIF_FUNCTIONS(XIMORA_LIBRARY_FIND); }
};

/// The library's functions, looked up the first time; nullptr with error 4 set when it is not
/// installed (or lacks one of them).
const HeifLibrary* heifLibrary();

}  // namespace ximora::engine
