#pragma once
// A pixel of N bytes as one value, so copying loops are written once for every layout.

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace ximora::engine {

template <int N>
struct PixelBytes {
    uint8_t b[N];
};

template <int N>
inline PixelBytes<N> loadPixel(const uint8_t* row, size_t x) {
    PixelBytes<N> p;
    std::memcpy(&p, row + x * N, N);
    return p;
}

template <int N>
inline void storePixel(uint8_t* row, size_t x, PixelBytes<N> p) {
    std::memcpy(row + x * N, &p, N);
}

/// Calls f.template operator()<N>() with N = bytes per pixel (1 to 4).
template <class F>
inline void withPixelSize(int bytes, F&& f) {
    switch (bytes) {
        case 1:
            f.template operator()<1>();
            break;
        case 2:
            f.template operator()<2>();
            break;
        case 3:
            f.template operator()<3>();
            break;
        default:
            f.template operator()<4>();
            break;
    }
}

}  // namespace ximora::engine
