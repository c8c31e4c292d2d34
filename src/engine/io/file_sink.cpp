#include "engine/io/file_sink.h"

namespace ximora::engine {

bool FileSink::write(const uint8_t* data, size_t size) {
    if (gathered_.size() + size <= kGather) {
        gathered_.insert(gathered_.end(), data, data + size);
        return true;
    }
    // Large pieces (rows in bands, compressed strips) go straight to the file.
    return flush() &&
           (size < kGather ? (gathered_.assign(data, data + size), true) : file_.write(data, size));
}

bool FileSink::flush() {
    if (gathered_.empty()) return true;
    const bool ok = file_.write(gathered_.data(), gathered_.size());
    gathered_.clear();
    return ok;
}

}  // namespace ximora::engine
