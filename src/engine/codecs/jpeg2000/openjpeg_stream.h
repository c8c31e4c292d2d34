#pragma once
// OpenJPEG's plumbing in one place: memory streams and the message handlers that turn its
// errors into engine error codes.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/codecs/jpeg2000/openjpeg_library.h"
#include "engine/io/byte_source.h"

namespace ximora::engine {

/// An OpenJPEG stream's end: read from `source` or written into `out`.
struct OpenJpegMemory {
    ByteSource* source = nullptr;
    std::vector<uint8_t>* out = nullptr;
    uint64_t position = 0;
};

/// A stream over `memory` (which must outlive it); nullptr when out of memory.
opj_stream_t* openJpegReadStream(OpenJpegMemory& memory);
opj_stream_t* openJpegWriteStream(OpenJpegMemory& memory);

/// The stream, codec and image of one OpenJPEG run, released together.
struct OpenJpegHandles {
    OpenJpegHandles() = default;
    OpenJpegHandles(const OpenJpegHandles&) = delete;
    OpenJpegHandles& operator=(const OpenJpegHandles&) = delete;
    ~OpenJpegHandles();

    opj_stream_t* stream = nullptr;
    opj_codec_t* codec = nullptr;
    opj_image_t* image = nullptr;
};

/// Collects OpenJPEG's error messages for one codec.
struct OpenJpegErrors {
    int code = 0;            ///< engine error code of the first error, 0 when none
    char message[256] = {};  ///< OpenJPEG's words for the first error
};

/// Routes the codec's messages to `errors` (warnings and information are dropped).
void installOpenJpegHandlers(opj_codec_t* codec, OpenJpegErrors& errors);

}  // namespace ximora::engine
