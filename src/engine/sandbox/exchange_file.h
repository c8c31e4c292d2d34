#pragma once
// The shared-memory file the program lends one decode worker for its large rasters. The worker
// keeps its mapping of the file from one request to the next and this program keeps its own,
// so that neither writes or reads through a fresh mapping: on some machines the first touch of
// each page through a new mapping costs more than decoding a photo. The program copies each
// picture out of the file into a raster of its own, so that what it keeps is out of the
// worker's reach. The file can grow but never shrink or be sealed, so that what this program
// has mapped of it stays there whatever the worker does.

#include <chrono>
#include <cstddef>
#include <cstdint>

#include "engine/sandbox/unique_fd.h"

namespace ximora::engine {

class ExchangeFile {
  public:
    ExchangeFile() = default;
    ~ExchangeFile();
    ExchangeFile(ExchangeFile&& other) noexcept;
    ExchangeFile& operator=(ExchangeFile&& other) noexcept;
    ExchangeFile(const ExchangeFile&) = delete;
    ExchangeFile& operator=(const ExchangeFile&) = delete;

    /// The file to lend with a request, made on first use; -1 when none can be made.
    int lend();
    /// The first `bytes` bytes the worker left in the file, mapped for reading; nullptr with
    /// error 17 when the file is shorter, or longer than the memory budget allows any picture
    /// to be, or error 3 when it cannot be mapped.
    const uint8_t* contents(size_t bytes);
    /// Frees the file's pages, keeping its size and every mapping of it, when it was last lent
    /// longer than `idle` ago: a worker that waits keeps no picture's memory.
    void emptyIfIdle(std::chrono::steady_clock::duration idle);
    /// Whether pages may be held: the file has been lent since it was last emptied.
    bool holdsPages() const { return holdsPages_; }

  private:
    void unmap();

    UniqueFd file_;
    uint8_t* mapping_ = nullptr;
    size_t mapped_ = 0;
    std::chrono::steady_clock::time_point lentAt_;
    bool holdsPages_ = false;
};

}  // namespace ximora::engine
