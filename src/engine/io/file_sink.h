#pragma once
// A ByteSink that writes through an AtomicFile, gathering small pieces into large writes.

#include <vector>

#include "engine/io/atomic_file.h"
#include "engine/io/byte_sink.h"

namespace ximora::engine {

class FileSink final : public ByteSink {
  public:
    explicit FileSink(AtomicFile& file) : file_(file) {}
    bool write(const uint8_t* data, size_t size) override;
    /// Writes what is still gathered; call before committing the file.
    bool flush();

  private:
    static constexpr size_t kGather = size_t(1) << 18;
    AtomicFile& file_;
    std::vector<uint8_t> gathered_;
};

}  // namespace ximora::engine
