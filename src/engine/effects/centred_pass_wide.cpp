#include "engine/effects/centred_pass_wide.h"

#ifdef XIMORA_WIDE_CENTRED_PASS

#include <immintrin.h>

#include <cstring>

#define XIMORA_AVX512 __attribute__((target("avx512f,avx512bw")))

namespace ximora::engine {
namespace {

constexpr int kLanes = 16;
// All lanes: the masked forms of a few instructions, whose plain forms GCC 12 reports as reading
// an uninitialised register.
constexpr __mmask16 kAll = 0xFFFF;

// Byte shuffles that move channel k of each 32-bit lane to the lane's low byte, zeroing the rest.
constexpr auto kChannelControls = [] {
    std::array<std::array<int8_t, 64>, 4> controls{};
    for (int k = 0; k < 4; ++k)
        for (int i = 0; i < 64; ++i)
            controls[size_t(k)][size_t(i)] = i % 4 == 0 ? int8_t((i % 16) + k) : int8_t(-1);
    return controls;
}();

XIMORA_AVX512 inline __m512i channelOf(__m512i pixels, int k) {
    return _mm512_shuffle_epi8(pixels, _mm512_loadu_si512(kChannelControls[size_t(k)].data()));
}

// Adds the bilinear samples at (fx, fy) to acc, as SampleSource::accumulate does for one pixel;
// false when a lane reaches the last column or row.
template <int N>
XIMORA_AVX512 bool accumulate(const SampleSource& source, __m512 fx, __m512 fy, __m512i* acc) {
    const __m512 zero = _mm512_setzero_ps();
    const __mmask16 nanX = _mm512_cmp_ps_mask(fx, fx, _CMP_UNORD_Q);
    const __mmask16 nanY = _mm512_cmp_ps_mask(fy, fy, _CMP_UNORD_Q);
    fx = _mm512_maskz_min_ps(kAll, _mm512_maskz_max_ps(kAll, fx, zero),
                             _mm512_set1_ps(float(source.width - 1)));
    fy = _mm512_maskz_min_ps(kAll, _mm512_maskz_max_ps(kAll, fy, zero),
                             _mm512_set1_ps(float(source.height - 1)));
    fx = _mm512_mask_mov_ps(fx, nanX, zero);
    fy = _mm512_mask_mov_ps(fy, nanY, zero);
    const __m512i x0 = _mm512_maskz_cvttps_epi32(kAll, fx),
                  y0 = _mm512_maskz_cvttps_epi32(kAll, fy);
    // Every lane has a right and a lower neighbour, and reading four bytes for three stays
    // inside the raster.
    const __m512i one = _mm512_set1_epi32(1);
    if (_mm512_cmplt_epi32_mask(_mm512_add_epi32(x0, _mm512_set1_epi32(2)),
                                _mm512_set1_epi32(source.width)) != 0xFFFF ||
        _mm512_cmplt_epi32_mask(_mm512_add_epi32(y0, one), _mm512_set1_epi32(source.height)) !=
            0xFFFF)
        return false;
    const __m512 scale = _mm512_set1_ps(256.f), half = _mm512_set1_ps(0.5f);
    const __m512i wx = _mm512_maskz_cvttps_epi32(
        kAll,
        _mm512_add_ps(_mm512_mul_ps(_mm512_sub_ps(fx, _mm512_maskz_cvtepi32_ps(kAll, x0)), scale),
                      half));
    const __m512i wy = _mm512_maskz_cvttps_epi32(
        kAll,
        _mm512_add_ps(_mm512_mul_ps(_mm512_sub_ps(fy, _mm512_maskz_cvtepi32_ps(kAll, y0)), scale),
                      half));
    const __m512i full = _mm512_set1_epi32(256);
    const __m512i ix = _mm512_sub_epi32(full, wx), iy = _mm512_sub_epi32(full, wy);
    const __m512i weights[4] = {_mm512_mullo_epi32(ix, iy), _mm512_mullo_epi32(wx, iy),
                                _mm512_mullo_epi32(ix, wy), _mm512_mullo_epi32(wx, wy)};
    const __m512i stride = _mm512_set1_epi32(int(source.stride));
    const __m512i at = _mm512_add_epi32(_mm512_mullo_epi32(y0, stride),
                                        _mm512_mullo_epi32(x0, _mm512_set1_epi32(N)));
    const __m512i right = _mm512_set1_epi32(N);
    const __m512i offsets[4] = {at, _mm512_add_epi32(at, right), _mm512_add_epi32(at, stride),
                                _mm512_add_epi32(_mm512_add_epi32(at, stride), right)};
    for (int n = 0; n < 4; ++n) {
        const __m512i pixels =
            _mm512_mask_i32gather_epi32(_mm512_setzero_si512(), kAll, offsets[n], source.data, 1);
        for (int k = 0; k < N; ++k)
            acc[k] = _mm512_add_epi32(acc[k], _mm512_mullo_epi32(channelOf(pixels, k), weights[n]));
    }
    return true;
}

XIMORA_AVX512 inline void place(const CentredPassRow& row, const std::array<float, 4>& m, __m512 dx,
                                __m512& fx, __m512& fy) {
    // cx + m0·dx + m1·dy and cy + m2·dx + m3·dy, added left to right as the plain loop does.
    fx = _mm512_add_ps(
        _mm512_add_ps(_mm512_set1_ps(row.cx), _mm512_mul_ps(_mm512_set1_ps(m[0]), dx)),
        _mm512_set1_ps(m[1] * row.dy));
    fy = _mm512_add_ps(
        _mm512_add_ps(_mm512_set1_ps(row.cy), _mm512_mul_ps(_mm512_set1_ps(m[2]), dx)),
        _mm512_set1_ps(m[3] * row.dy));
}

template <int N>
XIMORA_AVX512 bool centredGroup(const CentredPassRow& row, int x, uint8_t* out) {
    const __m512i lanes =
        _mm512_add_epi32(_mm512_set1_epi32(x),
                         _mm512_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15));
    const __m512 dx = _mm512_sub_ps(_mm512_maskz_cvtepi32_ps(kAll, lanes), _mm512_set1_ps(row.cx));
    __m512i acc[4] = {_mm512_setzero_si512(), _mm512_setzero_si512(), _mm512_setzero_si512(),
                      _mm512_setzero_si512()};
    __m512 fx, fy;
    if (row.first) {
        place(row, *row.first, dx, fx, fy);
        if (!accumulate<N>(*row.source, fx, fy, acc)) return false;
    } else {
        // The pixel's own value, weighted 65536 like one whole sample.
        alignas(64) uint8_t own[kLanes * 4] = {};
        std::memcpy(own, row.own + size_t(x) * N, size_t(kLanes) * N);
        const __m512i pixels = _mm512_mask_i32gather_epi32(
            _mm512_setzero_si512(), kAll,
            _mm512_mullo_epi32(
                _mm512_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15),
                _mm512_set1_epi32(N)),
            own, 1);
        for (int k = 0; k < N; ++k)
            acc[k] = _mm512_maskz_slli_epi32(kAll, channelOf(pixels, k), 16);
    }
    place(row, row.second, dx, fx, fy);
    if (!accumulate<N>(*row.source, fx, fy, acc)) return false;
    // (acc + 65536) >> 17 per channel, put back together as N bytes per pixel.
    __m512i packed = _mm512_setzero_si512();
    for (int k = 0; k < N; ++k) {
        const __m512i value =
            _mm512_maskz_srli_epi32(kAll, _mm512_add_epi32(acc[k], _mm512_set1_epi32(65536)), 17);
        packed = _mm512_or_si512(packed, _mm512_maskz_slli_epi32(kAll, value, 8 * k));
    }
    alignas(64) uint32_t pixels[kLanes];
    _mm512_store_si512(pixels, packed);
    for (int i = 0; i < kLanes; ++i) std::memcpy(out + size_t(i) * N, &pixels[i], N);
    return true;
}

}  // namespace

bool wideCentredPassAvailable() {
    static const bool available =
        __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw");
    return available;
}

// The vector code lives in functions built for AVX-512 only; this entry is built for every
// processor and is called only where wideCentredPassAvailable() said yes.
template <int N>
bool wideCentredGroup(const CentredPassRow& row, int x, uint8_t* out) {
    return centredGroup<N>(row, x, out);
}

template bool wideCentredGroup<3>(const CentredPassRow&, int, uint8_t*);
template bool wideCentredGroup<4>(const CentredPassRow&, int, uint8_t*);

}  // namespace ximora::engine

#endif
