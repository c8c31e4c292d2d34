#include "engine/ops/gaussian_wide.h"

#ifdef XIMORA_WIDE_GAUSSIAN

#include <immintrin.h>

namespace ximora::engine {
namespace {

constexpr int kMidShift = 6;   // the vertical pass keeps 8 of its 14 fractional bits
constexpr int kOutShift = 22;  // 14 + 8 fractional bits after both passes
constexpr int32_t kFlip = 32768;
// The horizontal sum of flipped values lacks 32768 × 2^14 (the weights sum to 2^14).
constexpr int32_t kFlipTotal = kFlip << 14;
// All lanes: the masked forms of two conversions, whose plain forms GCC 12 reports as reading
// an uninitialised register.
constexpr __mmask16 kAll16 = 0xFFFF;
constexpr __mmask32 kAll32 = 0xFFFFFFFF;

#define XIMORA_AVX512 __attribute__((target("avx512f,avx512bw")))

// Two weights side by side, as the multiply-add takes them for two interleaved inputs.
XIMORA_AVX512 inline __m512i weightPair(uint32_t first, uint32_t second) {
    return _mm512_set1_epi32(int32_t(first | (second << 16)));
}

XIMORA_AVX512 inline __m512i widen(const uint8_t* p) {
    return _mm512_cvtepu8_epi16(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)));
}

// acc{Low,High} += a × wa + b × wb for 32 lanes, kept as two halves in unpack order.
XIMORA_AVX512 inline void multiplyAdd(__m512i a, __m512i b, __m512i weights, __m512i& low,
                                      __m512i& high) {
    low = _mm512_add_epi32(low, _mm512_madd_epi16(_mm512_unpacklo_epi16(a, b), weights));
    high = _mm512_add_epi32(high, _mm512_madd_epi16(_mm512_unpackhi_epi16(a, b), weights));
}

// Rows k and last − k share a weight: their sum (at most 510) is multiplied once.
XIMORA_AVX512 inline __m512i rowPair(const uint8_t* const* rows, int k, int last, size_t i) {
    return _mm512_add_epi16(widen(rows[k] + i), widen(rows[last - k] + i));
}

XIMORA_AVX512 inline __m512i loadMid(const uint16_t* mid, size_t at) {
    return _mm512_loadu_si512(reinterpret_cast<const void*>(mid + at));
}

}  // namespace

bool wideGaussianAvailable() {
    static const bool available =
        __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw");
    return available;
}

XIMORA_AVX512 void wideVerticalPass(const uint8_t* const* rows, const uint32_t* weights, int radius,
                                    size_t len, uint16_t* mid) {
    const int r = radius, last = 2 * radius;
    const __m512i round = _mm512_set1_epi32(1 << (kMidShift - 1));
    const __m512i flip = _mm512_set1_epi16(int16_t(-kFlip));
    size_t i = 0;
    for (; i + 32 <= len; i += 32) {
        __m512i low = _mm512_setzero_si512(), high = _mm512_setzero_si512();
        int k = 0;
        for (; k + 1 < r; k += 2)
            multiplyAdd(rowPair(rows, k, last, i), rowPair(rows, k + 1, last, i),
                        weightPair(weights[k], weights[k + 1]), low, high);
        if (k < r)
            multiplyAdd(rowPair(rows, k, last, i), widen(rows[r] + i),
                        weightPair(weights[k], weights[r]), low, high);
        else
            multiplyAdd(widen(rows[r] + i), _mm512_setzero_si512(), weightPair(weights[r], 0), low,
                        high);
        low = _mm512_maskz_srli_epi32(kAll16, _mm512_add_epi32(low, round), kMidShift);
        high = _mm512_maskz_srli_epi32(kAll16, _mm512_add_epi32(high, round), kMidShift);
        // Packing the two halves undoes the unpack order.
        const __m512i packed = _mm512_xor_si512(_mm512_packus_epi32(low, high), flip);
        _mm512_storeu_si512(mid + i, packed);
    }
    for (; i < len; ++i) {
        uint32_t a = 0;
        for (int k = 0; k <= last; ++k) a += weights[k] * rows[k][i];
        mid[i] = uint16_t(((a + (1u << (kMidShift - 1))) >> kMidShift) ^ uint32_t(kFlip));
    }
}

XIMORA_AVX512 void wideHorizontalPass(const uint16_t* mid, const uint32_t* weights, int taps,
                                      int step, size_t len, uint8_t* out) {
    const __m512i bias = _mm512_set1_epi32(kFlipTotal + (1 << (kOutShift - 1)));
    size_t i = 0;
    for (; i + 32 <= len; i += 32) {
        __m512i low = _mm512_setzero_si512(), high = _mm512_setzero_si512();
        int k = 0;
        for (; k + 1 < taps; k += 2)
            multiplyAdd(loadMid(mid, i + size_t(k * step)),
                        loadMid(mid, i + size_t((k + 1) * step)),
                        weightPair(weights[k], weights[k + 1]), low, high);
        if (k < taps)
            multiplyAdd(loadMid(mid, i + size_t(k * step)), _mm512_setzero_si512(),
                        weightPair(weights[k], 0), low, high);
        low = _mm512_maskz_srli_epi32(kAll16, _mm512_add_epi32(low, bias), kOutShift);
        high = _mm512_maskz_srli_epi32(kAll16, _mm512_add_epi32(high, bias), kOutShift);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i),
                            _mm512_maskz_cvtepi16_epi8(kAll32, _mm512_packus_epi32(low, high)));
    }
    for (; i < len; ++i) {
        int32_t h = 0;
        for (int k = 0; k < taps; ++k)
            h += int32_t(weights[k]) * int16_t(mid[i + size_t(k * step)]);
        out[i] = uint8_t(uint32_t(h + kFlipTotal + (1 << (kOutShift - 1))) >> kOutShift);
    }
}

}  // namespace ximora::engine

#endif
