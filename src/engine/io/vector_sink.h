#pragma once
// A ByteSink that appends to a byte vector.

#include <new>
#include <vector>

#include "engine/core/error.h"
#include "engine/io/byte_sink.h"

namespace ximora::engine {

class VectorSink final : public ByteSink {
  public:
    explicit VectorSink(std::vector<uint8_t>& out) : out_(out) {}
    bool write(const uint8_t* data, size_t size) override {
        try {
            out_.insert(out_.end(), data, data + size);
        } catch (const std::bad_alloc&) {
            return fail(kErrMemory);
        }
        return true;
    }

  private:
    std::vector<uint8_t>& out_;
};

}  // namespace ximora::engine
