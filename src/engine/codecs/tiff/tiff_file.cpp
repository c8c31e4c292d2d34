#include "engine/codecs/tiff/tiff_file.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <new>

#include "engine/core/error.h"
#include "engine/core/image.h"

namespace ximora::engine {
namespace {

TiffFile& fileOf(thandle_t handle) { return *static_cast<TiffFile*>(handle); }

tmsize_t readProc(thandle_t handle, void* buffer, tmsize_t size) {
    TiffFile& f = fileOf(handle);
    if (!f.readSource || size < 0) return -1;
    const size_t n = f.readSource->read(f.position, buffer, size_t(size));
    if (n < size_t(size)) f.shortRead = true;
    f.position += n;
    return tmsize_t(n);
}

tmsize_t writeProc(thandle_t handle, void* buffer, tmsize_t size) {
    TiffFile& f = fileOf(handle);
    if (!f.writeData || size < 0) return -1;
    try {
        if (f.position + uint64_t(size) > f.writeData->size())
            f.writeData->resize(size_t(f.position + uint64_t(size)));
    } catch (const std::bad_alloc&) {
        return -1;
    }
    std::memcpy(f.writeData->data() + f.position, buffer, size_t(size));
    f.position += uint64_t(size);
    return size;
}

toff_t sizeOf(const TiffFile& f) {
    return f.writeData ? f.writeData->size() : f.readSource ? f.readSource->size() : 0;
}

toff_t seekProc(thandle_t handle, toff_t offset, int whence) {
    TiffFile& f = fileOf(handle);
    uint64_t base = 0;
    if (whence == SEEK_CUR) base = f.position;
    if (whence == SEEK_END) base = sizeOf(f);
    f.position = base + offset;
    return f.position;
}

int closeProc(thandle_t) { return 0; }

toff_t sizeProc(thandle_t handle) { return sizeOf(fileOf(handle)); }

// Read-only data is handed to libtiff as a mapped file: strips are then used in place.
int mapProc(thandle_t handle, void** base, toff_t* size) {
    TiffFile& f = fileOf(handle);
    const uint8_t* data = f.readSource ? f.readSource->data() : nullptr;
    if (!data) return 0;
    *base = const_cast<uint8_t*>(data);
    *size = f.readSource->size();
    return 1;
}

void unmapProc(thandle_t, void*, toff_t) {}

// The name the file is opened under, which libtiff puts in front of its messages.
constexpr const char* kClientName = "tiff";

int errorHandler(TIFF*, void* user, const char*, const char* format, va_list args) {
    char message[512];
    std::vsnprintf(message, sizeof message, format, args);
    static_cast<TiffFile*>(user)->noteError(message);
    return 1;
}

int warningHandler(TIFF*, void*, const char*, const char*, va_list) { return 1; }

// Messages from paths that have no handle yet would otherwise go to stderr.
void silenceGlobalHandlers(const TiffLibrary& library) {
    static std::once_flag once;
    std::call_once(once, [&library] {
        library.TIFFSetErrorHandler(nullptr);
        library.TIFFSetWarningHandler(nullptr);
    });
}

}  // namespace

TiffFile::~TiffFile() {
    if (tiff_) library_->TIFFClose(tiff_);
}

void TiffFile::noteError(const char* message) {
    if (errorCode_) return;
    // libtiff starts many messages with the name the file was opened under; it says nothing
    // here, and must not be read as a word of the message.
    const size_t name = std::strlen(kClientName);
    if (std::strncmp(message, kClientName, name) == 0 && std::strncmp(message + name, ": ", 2) == 0)
        message += name + 2;
    std::snprintf(message_, sizeof message_, "%s", message);
    if (std::strstr(message, "emory") || std::strstr(message, "too large"))
        errorCode_ = kErrMemory;
    else if (shortRead || std::strstr(message, "Read error") || std::strstr(message, "end of") ||
             std::strstr(message, "Can not read") || std::strstr(message, "IO error"))
        errorCode_ = kErrCannotRead;
    else
        errorCode_ = writeData ? kErrCannotWrite : kErrFileBroken;
}

bool TiffFile::fail(int fallback, std::string_view words) {
    if (errorCode_) return failWithDetail(errorCode_, message_);
    return failWithDetail(shortRead ? kErrCannotRead : fallback, words);
}

bool TiffFile::open(const char* mode, int fallback) {
    library_ = tiffLibrary();
    if (!library_) return false;  // with error 4 set
    const TiffLibrary& library = *library_;
    silenceGlobalHandlers(library);
    TIFFOpenOptions* options = library.TIFFOpenOptionsAlloc();
    if (!options) return ximora::engine::fail(kErrMemory);
    library.TIFFOpenOptionsSetErrorHandlerExtR(options, errorHandler, this);
    library.TIFFOpenOptionsSetWarningHandlerExtR(options, warningHandler, this);
    library.TIFFOpenOptionsSetMaxSingleMemAlloc(
        options, tmsize_t(std::min<uint64_t>(memoryLimit(), INT64_MAX)));
    tiff_ = library.TIFFClientOpenExt(kClientName, mode, this, readProc, writeProc, seekProc,
                                      closeProc, sizeProc, mapProc, unmapProc, options);
    library.TIFFOpenOptionsFree(options);
    return tiff_ != nullptr || fail(fallback);
}

bool TiffFile::openForReading(ByteSource& source) {
    readSource = &source;
    return open("r", kErrBadFile);
}

bool TiffFile::openForWriting(std::vector<uint8_t>& out) {
    writeData = &out;
    return open("w", kErrCannotWrite);
}

bool TiffFile::finishWriting() {
    const bool written = library_->TIFFWriteDirectory(tiff_) && !failed();
    library_->TIFFClose(tiff_);
    tiff_ = nullptr;
    return written || fail(kErrCannotWrite);
}

}  // namespace ximora::engine
