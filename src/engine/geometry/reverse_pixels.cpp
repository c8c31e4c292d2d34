#include "engine/geometry/reverse_pixels.h"

#include <array>

#include "engine/geometry/pixel_bytes.h"

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define XIMORA_HAVE_SSSE3_PATH 1
#endif

namespace ximora::engine {
namespace {

// Pairs (a[i], b[count − 1 − i]) for i in [from, count).
template <int N>
void swapScalar(uint8_t* a, uint8_t* b, int from, int count) {
    for (int i = from; i < count; ++i) {
        const auto pa = loadPixel<N>(a, size_t(i));
        const auto pb = loadPixel<N>(b, size_t(count - 1 - i));
        storePixel<N>(a, size_t(i), pb);
        storePixel<N>(b, size_t(count - 1 - i), pa);
    }
}

#ifdef XIMORA_HAVE_SSSE3_PATH
// Sixteen pixels of N bytes are N registers. Byte j of output register r is byte `from` of the
// reversed input; it sits in input register from / 16, which one shuffle per input register
// picks (0x80 clears the lanes another register fills).
template <int N>
struct ReverseMasks {
    alignas(16) uint8_t m[N][N][16];
    bool uses[N][N];  ///< whether output register r takes anything from input register q
    constexpr ReverseMasks() : m{}, uses{} {
        for (int r = 0; r < N; ++r)
            for (int q = 0; q < N; ++q)
                for (int j = 0; j < 16; ++j) {
                    const int out = 16 * r + j, from = N * (15 - out / N) + out % N;
                    m[r][q][j] = uint8_t(from / 16 == q ? from % 16 : 0x80);
                    uses[r][q] = uses[r][q] || from / 16 == q;
                }
    }
};

template <int N>
constexpr ReverseMasks<N> kMasks{};

template <int N>
__attribute__((target("ssse3"))) inline void reverse16(const __m128i (&in)[N],
                                                       const __m128i (&mask)[N][N],
                                                       __m128i (&out)[N]) {
#pragma GCC unroll 4
    for (int r = 0; r < N; ++r) {
        __m128i v = _mm_setzero_si128();
#pragma GCC unroll 4
        for (int q = 0; q < N; ++q)
            if (kMasks<N>.uses[r][q]) v = _mm_or_si128(v, _mm_shuffle_epi8(in[q], mask[r][q]));
        out[r] = v;
    }
}

template <int N>
__attribute__((target("ssse3"))) void swapSsse3(uint8_t* a, uint8_t* b, int count) {
    __m128i mask[N][N];
    for (int r = 0; r < N; ++r)
        for (int q = 0; q < N; ++q)
            mask[r][q] = _mm_load_si128(reinterpret_cast<const __m128i*>(kMasks<N>.m[r][q]));
    auto load = [](const uint8_t* p, __m128i(&v)[N]) {
        for (int q = 0; q < N; ++q)
            v[q] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * q));
    };
    auto store = [](uint8_t* p, const __m128i(&v)[N]) {
        for (int q = 0; q < N; ++q) _mm_storeu_si128(reinterpret_cast<__m128i*>(p + 16 * q), v[q]);
    };
    int i = 0;
    for (; i + 16 <= count; i += 16) {
        uint8_t *pa = a + size_t(i) * N, *pb = b + size_t(count - 16 - i) * N;
        __m128i va[N], vb[N], ra[N], rb[N];
        load(pa, va);
        load(pb, vb);
        reverse16<N>(va, mask, ra);
        reverse16<N>(vb, mask, rb);
        store(pa, rb);
        store(pb, ra);
    }
    swapScalar<N>(a, b, i, count);
}

const bool kHaveSsse3 = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("ssse3") != 0;
}();
#endif

}  // namespace

void swapMirrored(uint8_t* a, uint8_t* b, int count, int bytesPerPixel) {
    withPixelSize(bytesPerPixel, [&]<int N>() {
#ifdef XIMORA_HAVE_SSSE3_PATH
        if (kHaveSsse3) return swapSsse3<N>(a, b, count);
#endif
        swapScalar<N>(a, b, 0, count);
    });
}

void reverseInPlace(uint8_t* row, int count, int bytesPerPixel) {
    // The first half of the row swaps with the mirrored last half; an odd middle pixel stays.
    const int half = count / 2;
    swapMirrored(row, row + size_t(count - half) * size_t(bytesPerPixel), half, bytesPerPixel);
}

}  // namespace ximora::engine
