#include "engine/codecs/isobmff_declared_size.h"

#include <algorithm>
#include <cstring>
#include <span>
#include <string_view>

namespace ximora::engine {
namespace {

uint32_t be32(const uint8_t* p) {
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

// Calls `visit(type, content)` for each box in `boxes` until it returns true or a box does not
// fit; returns whether a visit returned true.
template <typename Visit>
bool eachBox(std::span<const uint8_t> boxes, Visit visit) {
    while (boxes.size() >= 8) {
        uint64_t size = be32(boxes.data());
        size_t header = 8;
        if (size == 1) {
            if (boxes.size() < 16) return false;
            size = uint64_t(be32(boxes.data() + 8)) << 32 | be32(boxes.data() + 12);
            header = 16;
        } else if (size == 0) {
            size = boxes.size();  // to the end
        }
        if (size < header || size > boxes.size()) return false;
        if (visit(std::string_view(reinterpret_cast<const char*>(boxes.data() + 4), 4),
                  boxes.subspan(header, size_t(size) - header)))
            return true;
        boxes = boxes.subspan(size_t(size));
    }
    return false;
}

// The content of the first box of `type` in `boxes`, empty when there is none.
std::span<const uint8_t> child(std::span<const uint8_t> boxes, std::string_view type) {
    std::span<const uint8_t> found;
    eachBox(boxes, [&](std::string_view name, std::span<const uint8_t> content) {
        if (name != type) return false;
        found = content;
        return true;
    });
    return found;
}

}  // namespace

int largestDeclaredSide(const uint8_t* data, size_t size) {
    // "meta" is a full box: its version and flags come before the boxes it holds.
    const std::span<const uint8_t> meta = child({data, size}, "meta");
    if (meta.size() < 4) return 0;
    const std::span<const uint8_t> properties = child(child(meta.subspan(4), "iprp"), "ipco");
    uint32_t longest = 0;
    eachBox(properties, [&](std::string_view name, std::span<const uint8_t> content) {
        // Version and flags, then the width and the height.
        if (name == "ispe" && content.size() >= 12)
            longest = std::max({longest, be32(content.data() + 4), be32(content.data() + 8)});
        return false;
    });
    return int(std::min<uint32_t>(longest, 1u << 30));
}

}  // namespace ximora::engine
