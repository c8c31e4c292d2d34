#pragma once
// Where an encoder puts its bytes as it produces them: a memory buffer, or a file being written
// (so that a large picture is written row by row rather than assembled whole in memory first).

#include <cstddef>
#include <cstdint>

namespace ximora::engine {

class ByteSink {
  public:
    virtual ~ByteSink() = default;
    /// Takes `size` bytes after the ones taken before; false, with the engine's last error set,
    /// when they cannot be kept (the encoder then stops).
    virtual bool write(const uint8_t* data, size_t size) = 0;
};

}  // namespace ximora::engine
