#pragma once
// libtiff over byte sources and memory buffers, with per-handle error reporting (no global handler
// state, so decoders on several threads do not mix up their errors).

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "engine/codecs/tiff/tiff_library.h"
#include "engine/io/byte_source.h"

namespace ximora::engine {

class TiffFile {
  public:
    TiffFile() = default;
    TiffFile(const TiffFile&) = delete;
    TiffFile& operator=(const TiffFile&) = delete;
    ~TiffFile();

    /// Opens `source` (which must outlive the handle) for reading; false with the last error
    /// set (error 4 when libtiff is not installed). Content in memory is handed to libtiff as a
    /// mapped file (strips used in place).
    bool openForReading(ByteSource& source);
    /// Opens a new file whose bytes collect in `out`.
    bool openForWriting(std::vector<uint8_t>& out);
    /// Writes the directory and closes; false with error 22 or 3 when libtiff failed.
    bool finishWriting();

    TIFF* tiff() const { return tiff_; }
    /// libtiff's functions; valid once a file is open.
    const TiffLibrary& library() const { return *library_; }
    /// Whether libtiff reported an error since opening.
    bool failed() const { return errorCode_ != 0; }
    /// Sets the last error from what libtiff reported (or `fallback`, with `words` when libtiff
    /// said nothing) and returns false; libtiff's first error message is kept as its words.
    bool fail(int fallback, std::string_view words = {});

    /// Called by the error callback: records the engine code and the words of libtiff's first
    /// error.
    void noteError(const char* message);

    // The streams the I/O callbacks work on.
    ByteSource* readSource = nullptr;
    std::vector<uint8_t>* writeData = nullptr;
    uint64_t position = 0;
    bool shortRead = false;

  private:
    /// Opens libtiff's handle in `mode`; false with the last error set (`fallback` when
    /// libtiff said nothing).
    bool open(const char* mode, int fallback);

    const TiffLibrary* library_ = nullptr;
    TIFF* tiff_ = nullptr;
    int errorCode_ = 0;
    char message_[512] = {};  // filled in libtiff's callback, which must not throw
};

}  // namespace ximora::engine
