#pragma once
// libheif's plumbing for the HEIF codec: its error structs as engine error codes, owners that
// release its objects, and the context every use of it starts with.

#include <libheif/heif.h>

#include <memory>

#include "engine/codecs/heif/heif_library.h"

namespace ximora::engine {

/// The engine error for a failed libheif call: 23 when the data ends early, 3 out of memory or
/// past a security limit, 4 for a feature or codec libheif lacks, 6 for another file type, 17
/// for damaged data.
int heifError(const heif_error& error);

/// Sets the engine error for `error` (`code` instead, when not 0) with libheif's message as its
/// words, and returns false.
bool failWithHeif(const heif_error& error, int code = 0);

struct HeifDeleter {
    void operator()(heif_context* context) const { heifLibrary()->heif_context_free(context); }
    void operator()(const heif_image_handle* handle) const {
        heifLibrary()->heif_image_handle_release(handle);
    }
    void operator()(const heif_image* image) const { heifLibrary()->heif_image_release(image); }
    void operator()(heif_color_profile_nclx* nclx) const {
        heifLibrary()->heif_nclx_color_profile_free(nclx);
    }
    void operator()(heif_decoding_options* options) const {
        heifLibrary()->heif_decoding_options_free(options);
    }
};

template <typename T>
using HeifPtr = std::unique_ptr<T, HeifDeleter>;

/// A new context to read a file with: nullptr with the engine error set when libheif is
/// missing (4) or out of memory (3). Every use of libheif starts here.
HeifPtr<heif_context> newHeifContext();

}  // namespace ximora::engine
