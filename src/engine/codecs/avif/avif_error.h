#pragma once
// libavif's error plumbing for the AVIF codec: its results as engine error codes, and an
// owner for its decoder.

#include <avif/avif.h>

#include <memory>

#include "engine/codecs/avif/avif_library.h"

namespace ximora::engine {

/// The engine error for a failed libavif call: 23 when the data ends early, 3 out of memory,
/// 4 for a feature or codec libavif lacks, 17 for damaged data.
int avifError(avifResult result);

/// Sets avifError(result) with libavif's words for it, followed by what `decoder` noted of the
/// failure when given, and returns false.
bool failWithAvif(avifResult result, const avifDecoder* decoder = nullptr);

struct AvifDecoderDeleter {
    void operator()(avifDecoder* decoder) const { avifLibrary()->avifDecoderDestroy(decoder); }
};
using AvifDecoderPtr = std::unique_ptr<avifDecoder, AvifDecoderDeleter>;

}  // namespace ximora::engine
