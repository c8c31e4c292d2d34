#pragma once
// One zlib stream (RFC 1950) compressed on all cores: the input comes in strips that are
// deflated independently with libdeflate and joined into one stream, in order, as they finish.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace ximora::engine {

struct StripDeflateJob {
    size_t strips = 0;
    /// Fills `bytes` with the uncompressed bytes of strip `index` (0 to strips - 1). Called on
    /// worker threads, several strips at once, each strip once.
    std::function<void(size_t index, std::vector<uint8_t>& bytes)> produce;
    /// Receives the stream's bytes in order, on one thread at a time; false stops the work.
    std::function<bool(const uint8_t* data, size_t size)> emit;
    /// libdeflate's compression level, 1 to 12.
    int level = 2;
};

/// Runs the job; false when `emit` refused bytes or memory ran out (error 3 set then).
bool deflateInStrips(const StripDeflateJob& job);

}  // namespace ximora::engine
