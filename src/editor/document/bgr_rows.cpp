#include "editor/document/bgr_rows.h"

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define XIMORA_HAVE_SSSE3_PATH 1
#endif

namespace ximora::editor {
namespace {

void swapScalar(const uint8_t* src, uint8_t* dst, int from, int width) {
    for (int x = from; x < width; ++x)
        dst[3 * x] = src[3 * x + 2], dst[3 * x + 1] = src[3 * x + 1], dst[3 * x + 2] = src[3 * x];
}

#ifdef XIMORA_HAVE_SSSE3_PATH
// One 16-byte register holds five whole pixels and the first byte of a sixth. That byte is
// stored as it came and put right by the next step (or the scalar tail), so a step needs a
// sixth pixel after its five: the loop stops one pixel early.
__attribute__((target("ssse3"))) void swapSsse3(const uint8_t* src, uint8_t* dst, int width) {
    const __m128i mask = _mm_setr_epi8(2, 1, 0, 5, 4, 3, 8, 7, 6, 11, 10, 9, 14, 13, 12, 15);
    int x = 0;
    for (; x + 6 <= width; x += 5) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 3 * x));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 3 * x), _mm_shuffle_epi8(v, mask));
    }
    swapScalar(src, dst, x, width);
}

const bool kHaveSsse3 = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("ssse3") != 0;
}();
#endif

}  // namespace

void rgbToBgr(const uint8_t* src, uint8_t* dst, int width) {
#ifdef XIMORA_HAVE_SSSE3_PATH
    if (kHaveSsse3) return swapSsse3(src, dst, width);
#endif
    swapScalar(src, dst, 0, width);
}

}  // namespace ximora::editor
