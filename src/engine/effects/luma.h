#pragma once
// Integer luminance (BT.601 weights), the plane emboss and contour work on.

#include <cstdint>

namespace ximora::engine {

inline uint8_t luma(const uint8_t* rgb) {
    return uint8_t((77 * rgb[0] + 150 * rgb[1] + 29 * rgb[2] + 128) >> 8);
}

}  // namespace ximora::engine
