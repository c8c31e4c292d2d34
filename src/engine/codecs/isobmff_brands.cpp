#include "engine/codecs/isobmff_brands.h"

#include <cstring>

namespace ximora::engine {

bool hasFileBrand(const uint8_t* head, size_t size,
                  std::initializer_list<std::string_view> brands) {
    if (size < 16 || std::memcmp(head + 4, "ftyp", 4) != 0) return false;
    const size_t boxSize =
        size_t(head[0]) << 24 | size_t(head[1]) << 16 | size_t(head[2]) << 8 | size_t(head[3]);
    if (boxSize < 16) return false;
    const size_t end = boxSize < size ? boxSize : size;
    const auto listed = [&](size_t at) {
        const std::string_view brand(reinterpret_cast<const char*>(head + at), 4);
        for (std::string_view wanted : brands)
            if (brand == wanted) return true;
        return false;
    };
    if (listed(8)) return true;
    // Major brand, minor version, then the compatible brands up to the end of the box.
    for (size_t at = 16; at + 4 <= end; at += 4)
        if (listed(at)) return true;
    return false;
}

}  // namespace ximora::engine
