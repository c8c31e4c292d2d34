#pragma once
// libheif's error plumbing for the HEIF codec: its error structs as engine error codes, and
// owners that release its objects.

#include <libheif/heif.h>

#include <memory>

namespace ximora::engine {

/// The engine error for a failed libheif call: 23 when the data ends early, 3 out of memory or
/// past a security limit, 4 for a feature or codec libheif lacks, 6 for another file type, 17
/// for damaged data.
int heifError(const heif_error& error);

/// Sets the engine error for `error` (`code` instead, when not 0) with libheif's message as its
/// words, and returns false.
bool failWithHeif(const heif_error& error, int code = 0);

struct HeifDeleter {
    void operator()(heif_context* context) const { heif_context_free(context); }
    void operator()(const heif_image_handle* handle) const { heif_image_handle_release(handle); }
    void operator()(const heif_image* image) const { heif_image_release(image); }
    void operator()(heif_color_profile_nclx* nclx) const { heif_nclx_color_profile_free(nclx); }
    void operator()(heif_decoding_options* options) const { heif_decoding_options_free(options); }
};

template <typename T>
using HeifPtr = std::unique_ptr<T, HeifDeleter>;

}  // namespace ximora::engine
