#include "engine/codecs/png/png_unfilter.h"

#include <cstdlib>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace ximora::engine {
namespace {

enum Filter : uint8_t { kNone = 0, kSub = 1, kUp = 2, kAverage = 3, kPaeth = 4 };

uint8_t paethPredictor(int a, int b, int c) {
    const int pa = std::abs(b - c), pb = std::abs(a - c), pc = std::abs(a + b - 2 * c);
    return uint8_t(pa <= pb && pa <= pc ? a : pb <= pc ? b : c);
}

// Byte by byte: any pixel size. The first pixel has nothing to its left (a = c = 0).
void unfilterBytes(uint8_t filter, uint8_t* row, const uint8_t* previous, size_t length,
                   size_t bpp) {
    switch (filter) {
        case kSub:
            for (size_t i = bpp; i < length; ++i) row[i] = uint8_t(row[i] + row[i - bpp]);
            break;
        case kAverage:
            for (size_t i = 0; i < bpp && i < length; ++i)
                row[i] = uint8_t(row[i] + (previous[i] >> 1));
            for (size_t i = bpp; i < length; ++i)
                row[i] = uint8_t(row[i] + ((row[i - bpp] + previous[i]) >> 1));
            break;
        case kPaeth:
            for (size_t i = 0; i < bpp && i < length; ++i) row[i] = uint8_t(row[i] + previous[i]);
            for (size_t i = bpp; i < length; ++i)
                row[i] =
                    uint8_t(row[i] + paethPredictor(row[i - bpp], previous[i], previous[i - bpp]));
            break;
        default:
            break;
    }
}

#if defined(__SSE2__)
// Three- and four-byte pixels (8-bit RGB and RGBA), one pixel at a time with its channels side
// by side in 16-bit lanes: the chain from each pixel to the next cannot be vectorised further.
// A three-byte pixel is loaded with the byte after it, which every pixel but a row's last one
// has: a load of exactly three bytes is put together on the stack and stalls the next one.
template <size_t kBpp>
__m128i loadPixel(const uint8_t* p, bool last) {
    uint32_t v = 0;
    if (kBpp == 4 || !last)
        std::memcpy(&v, p, 4);
    else
        std::memcpy(&v, p, 3);
    return _mm_cvtsi32_si128(int(v));
}

template <size_t kBpp>
void storePixel(uint8_t* p, __m128i v) {
    const auto bytes = uint32_t(_mm_cvtsi128_si32(v));
    std::memcpy(p, &bytes, kBpp);
}

template <size_t kBpp>
void unfilterSub(uint8_t* row, size_t length) {
    __m128i a = _mm_setzero_si128();
    for (size_t i = 0; i < length; i += kBpp) {
        a = _mm_add_epi8(a, loadPixel<kBpp>(row + i, i + kBpp == length));
        storePixel<kBpp>(row + i, a);
    }
}

template <size_t kBpp>
void unfilterAverage(uint8_t* row, const uint8_t* previous, size_t length) {
    const __m128i one = _mm_set1_epi8(1);
    __m128i a = _mm_setzero_si128();
    for (size_t i = 0; i < length; i += kBpp) {
        const __m128i b = loadPixel<kBpp>(previous + i, i + kBpp == length);
        // _mm_avg_epu8 rounds up; the format's average rounds down.
        const __m128i mean =
            _mm_sub_epi8(_mm_avg_epu8(a, b), _mm_and_si128(_mm_xor_si128(a, b), one));
        a = _mm_add_epi8(loadPixel<kBpp>(row + i, i + kBpp == length), mean);
        storePixel<kBpp>(row + i, a);
    }
}

__m128i absolute16(__m128i v) { return _mm_max_epi16(v, _mm_sub_epi16(_mm_setzero_si128(), v)); }

__m128i choose(__m128i mask, __m128i yes, __m128i no) {
    return _mm_or_si128(_mm_and_si128(mask, yes), _mm_andnot_si128(mask, no));
}

template <size_t kBpp>
void unfilterPaeth(uint8_t* row, const uint8_t* previous, size_t length) {
    const __m128i zero = _mm_setzero_si128();
    __m128i a = zero, c = zero;  // left and upper left, widened to 16 bits
    for (size_t i = 0; i < length; i += kBpp) {
        const __m128i b =
            _mm_unpacklo_epi8(loadPixel<kBpp>(previous + i, i + kBpp == length), zero);
        const __m128i x = _mm_unpacklo_epi8(loadPixel<kBpp>(row + i, i + kBpp == length), zero);
        // With p = a + b - c: |p - a| = |b - c|, |p - b| = |a - c|, |p - c| = |a + b - 2c|.
        __m128i pa = _mm_sub_epi16(b, c), pb = _mm_sub_epi16(a, c);
        __m128i pc = absolute16(_mm_add_epi16(pa, pb));
        pa = absolute16(pa);
        pb = absolute16(pb);
        const __m128i smallest = _mm_min_epi16(pc, _mm_min_epi16(pa, pb));
        // Ties go to a, then b, as the format orders them.
        const __m128i nearest =
            choose(_mm_cmpeq_epi16(smallest, pa), a, choose(_mm_cmpeq_epi16(smallest, pb), b, c));
        a = _mm_and_si128(_mm_add_epi16(x, nearest), _mm_set1_epi16(0xff));
        storePixel<kBpp>(row + i, _mm_packus_epi16(a, a));
        c = b;
    }
}

template <size_t kBpp>
void unfilterPixels(uint8_t filter, uint8_t* row, const uint8_t* previous, size_t length) {
    if (filter == kSub) unfilterSub<kBpp>(row, length);
    if (filter == kAverage) unfilterAverage<kBpp>(row, previous, length);
    if (filter == kPaeth) unfilterPaeth<kBpp>(row, previous, length);
}
#endif

}  // namespace

bool unfilterPngRow(uint8_t filter, uint8_t* row, const uint8_t* previous, size_t length,
                    int bytesPerPixel) {
    if (filter > kPaeth) return false;
    if (filter == kNone) return true;
    if (filter == kUp) {
        for (size_t i = 0; i < length; ++i) row[i] = uint8_t(row[i] + previous[i]);
        return true;
    }
    const auto bpp = size_t(bytesPerPixel);
#if defined(__SSE2__)
    if (bpp == 3 && length % 3 == 0)
        unfilterPixels<3>(filter, row, previous, length);
    else if (bpp == 4 && length % 4 == 0)
        unfilterPixels<4>(filter, row, previous, length);
    else
#endif
        unfilterBytes(filter, row, previous, length, bpp);
    return true;
}

}  // namespace ximora::engine
