#include "engine/metadata/tiff_structure.h"

#include <cstring>

namespace ximora::engine {

const TiffStructure::Page& TiffStructure::page(uint64_t index) const {
    const auto found = pages_.find(index);
    if (found != pages_.end()) return found->second;
    Page& fresh = pages_[index];
    fresh.fill(0);
    read_(index * kPage, fresh.data(), kPage);  // what lies past the end stays 0
    return fresh;
}

bool TiffStructure::copy(uint64_t at, uint64_t length, uint8_t* out) const {
    if (at > size_ || length > size_ - at) return false;
    if (!read_) {
        std::memcpy(out, b_.data() + at, size_t(length));
        return true;
    }
    return read_(at, out, size_t(length)) == length;
}

}  // namespace ximora::engine
