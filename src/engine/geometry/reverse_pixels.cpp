#include "engine/geometry/reverse_pixels.h"

#include <cstring>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define XIMORA_HAVE_SSSE3_PATH 1
#endif

namespace ximora::engine {
namespace {

void reverseScalar(const uint8_t* src, uint8_t* dst, int count) {
    for (int i = 0; i < count; ++i) std::memcpy(dst + 3 * i, src + 3 * (count - 1 - i), 3);
}

#ifdef XIMORA_HAVE_SSSE3_PATH
// Sixteen reversed pixels are 48 bytes: each 16-byte output register takes its bytes from at most
// two of the three input registers, picked by one byte shuffle per input register.
struct ShuffleMasks {
    alignas(16) uint8_t m[3][3][16];
    ShuffleMasks() {
        for (int r = 0; r < 3; ++r)
            for (int q = 0; q < 3; ++q)
                for (int j = 0; j < 16; ++j) {
                    const int out = 16 * r + j, from = 3 * (15 - out / 3) + out % 3;
                    m[r][q][j] = uint8_t(from / 16 == q ? from % 16 : 0x80);
                }
    }
};
const ShuffleMasks kMasks;

__attribute__((target("ssse3"))) void reverseSsse3(const uint8_t* src, uint8_t* dst, int count) {
    __m128i mask[3][3];
    for (int r = 0; r < 3; ++r)
        for (int q = 0; q < 3; ++q)
            mask[r][q] = _mm_load_si128(reinterpret_cast<const __m128i*>(kMasks.m[r][q]));
    int done = 0;
    for (; done + 16 <= count; done += 16) {
        // Source pixels count-16-done .. count-1-done become destination pixels done .. done+15.
        const uint8_t* s = src + 3 * (count - 16 - done);
        __m128i in[3];
        for (int q = 0; q < 3; ++q)
            in[q] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 16 * q));
        for (int r = 0; r < 3; ++r) {
            const __m128i v = _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(in[0], mask[r][0]),
                                                        _mm_shuffle_epi8(in[1], mask[r][1])),
                                           _mm_shuffle_epi8(in[2], mask[r][2]));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 3 * done + 16 * r), v);
        }
    }
    reverseScalar(src, dst + 3 * done, count - done);
}

const bool kHaveSsse3 = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("ssse3") != 0;
}();
#endif

}  // namespace

void reversePixels3(const uint8_t* src, uint8_t* dst, int count) {
#ifdef XIMORA_HAVE_SSSE3_PATH
    if (kHaveSsse3) return reverseSsse3(src, dst, count);
#endif
    reverseScalar(src, dst, count);
}

}  // namespace ximora::engine
