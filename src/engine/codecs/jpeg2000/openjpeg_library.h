#pragma once
// OpenJPEG, opened the first time a JPEG 2000 file is read or written; the codec's entry
// points (decodeJpeg2000Rows, encodeJpeg2000) ask for it first.

#include <openjpeg.h>

#include "engine/codecs/shared_library.h"

namespace ximora::engine {

// clang-format off
#define XIMORA_OPENJPEG_FUNCTIONS(F)      \
    F(opj_codec_set_threads)              \
    F(opj_create_compress)                \
    F(opj_create_decompress)              \
    F(opj_decode)                         \
    F(opj_decoder_set_strict_mode)        \
    F(opj_destroy_codec)                  \
    F(opj_destroy_cstr_info)              \
    F(opj_encode)                         \
    F(opj_end_compress)                   \
    F(opj_end_decompress)                 \
    F(opj_get_cstr_info)                  \
    F(opj_get_decoded_tile)               \
    F(opj_image_create)                   \
    F(opj_image_destroy)                  \
    F(opj_read_header)                    \
    F(opj_set_decoded_components)         \
    F(opj_set_decoded_resolution_factor)  \
    F(opj_set_default_decoder_parameters) \
    F(opj_set_default_encoder_parameters) \
    F(opj_set_error_handler)              \
    F(opj_set_info_handler)               \
    F(opj_set_warning_handler)            \
    F(opj_setup_decoder)                  \
    F(opj_setup_encoder)                  \
    F(opj_start_compress)                 \
    F(opj_stream_create)                  \
    F(opj_stream_destroy)                 \
    F(opj_stream_set_read_function)       \
    F(opj_stream_set_seek_function)       \
    F(opj_stream_set_skip_function)       \
    F(opj_stream_set_user_data)           \
    F(opj_stream_set_user_data_length)    \
    F(opj_stream_set_write_function)
// clang-format on

struct OpenJpegLibrary {
    XIMORA_OPENJPEG_FUNCTIONS(XIMORA_LIBRARY_FUNCTION)
    void find(SharedLibrary& library) { library XIMORA_OPENJPEG_FUNCTIONS(XIMORA_LIBRARY_FIND); }
};

/// The library's functions, looked up the first time; nullptr with error 4 set when it is not
/// installed (or lacks one of them).
const OpenJpegLibrary* openJpegLibrary();

}  // namespace ximora::engine
