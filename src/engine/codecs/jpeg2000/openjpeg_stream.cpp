#include "engine/codecs/jpeg2000/openjpeg_stream.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

#include "engine/core/error.h"

namespace ximora::engine {
namespace {

constexpr OPJ_SIZE_T kChunk = 1 << 16;

OPJ_SIZE_T readProc(void* buffer, OPJ_SIZE_T n, void* user) {
    auto& m = *static_cast<OpenJpegMemory*>(user);
    const size_t count = m.source->read(m.position, buffer, n);
    if (count == 0) return OPJ_SIZE_T(-1);
    m.position += count;
    return count;
}

OPJ_SIZE_T writeProc(void* buffer, OPJ_SIZE_T n, void* user) {
    auto& m = *static_cast<OpenJpegMemory*>(user);
    try {
        if (m.position + n > m.out->size()) m.out->resize(size_t(m.position + n));
    } catch (const std::bad_alloc&) {
        return OPJ_SIZE_T(-1);
    }
    std::memcpy(m.out->data() + m.position, buffer, n);
    m.position += n;
    return n;
}

uint64_t sizeOf(const OpenJpegMemory& m) { return m.out ? m.out->size() : m.source->size(); }

OPJ_OFF_T skipProc(OPJ_OFF_T n, void* user) {
    auto& m = *static_cast<OpenJpegMemory*>(user);
    const int64_t target = int64_t(m.position) + n;
    if (target < 0 || (!m.out && uint64_t(target) > sizeOf(m))) return -1;
    m.position = uint64_t(target);
    return n;
}

OPJ_BOOL seekProc(OPJ_OFF_T at, void* user) {
    auto& m = *static_cast<OpenJpegMemory*>(user);
    if (at < 0 || (!m.out && uint64_t(at) > sizeOf(m))) return OPJ_FALSE;
    m.position = uint64_t(at);
    return OPJ_TRUE;
}

void errorProc(const char* message, void* user) {
    auto& errors = *static_cast<OpenJpegErrors*>(user);
    if (errors.code) return;
    const bool memory =
        message && (std::strstr(message, "emory") || std::strstr(message, "allocate"));
    const bool shortData =
        message && (std::strstr(message, "too short") || std::strstr(message, "truncated") ||
                    std::strstr(message, "end of") || std::strstr(message, "stream length"));
    errors.code = memory ? kErrMemory : shortData ? kErrCannotRead : kErrFileBroken;
    if (message) std::snprintf(errors.message, sizeof errors.message, "%s", message);
}

void quietProc(const char*, void*) {}

}  // namespace

opj_stream_t* openJpegReadStream(OpenJpegMemory& memory) {
    opj_stream_t* stream = openJpegLibrary()->opj_stream_create(kChunk, OPJ_TRUE);
    if (!stream) return nullptr;
    openJpegLibrary()->opj_stream_set_user_data(stream, &memory, nullptr);
    openJpegLibrary()->opj_stream_set_user_data_length(stream, memory.source->size());
    openJpegLibrary()->opj_stream_set_read_function(stream, readProc);
    openJpegLibrary()->opj_stream_set_skip_function(stream, skipProc);
    openJpegLibrary()->opj_stream_set_seek_function(stream, seekProc);
    return stream;
}

opj_stream_t* openJpegWriteStream(OpenJpegMemory& memory) {
    opj_stream_t* stream = openJpegLibrary()->opj_stream_create(kChunk, OPJ_FALSE);
    if (!stream) return nullptr;
    openJpegLibrary()->opj_stream_set_user_data(stream, &memory, nullptr);
    openJpegLibrary()->opj_stream_set_write_function(stream, writeProc);
    openJpegLibrary()->opj_stream_set_skip_function(stream, skipProc);
    openJpegLibrary()->opj_stream_set_seek_function(stream, seekProc);
    return stream;
}

OpenJpegHandles::~OpenJpegHandles() {
    if (image) openJpegLibrary()->opj_image_destroy(image);
    if (codec) openJpegLibrary()->opj_destroy_codec(codec);
    if (stream) openJpegLibrary()->opj_stream_destroy(stream);
}

void installOpenJpegHandlers(opj_codec_t* codec, OpenJpegErrors& errors) {
    openJpegLibrary()->opj_set_error_handler(codec, errorProc, &errors);
    openJpegLibrary()->opj_set_warning_handler(codec, quietProc, &errors);
    openJpegLibrary()->opj_set_info_handler(codec, quietProc, &errors);
}

}  // namespace ximora::engine
