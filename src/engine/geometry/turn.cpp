#include <algorithm>
#include <cstddef>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "engine/core/error.h"
#include "engine/core/parallel.h"
#include "engine/geometry/deep_move.h"
#include "engine/geometry/geometry.h"
#include "engine/geometry/half_turn.h"
#include "engine/geometry/pixel_bytes.h"

#if defined(__GNUC__) && !defined(__clang__)
#define XIMORA_TURN_BLOCKS 1
#endif

namespace ximora::engine {
namespace {

// Tiles of kTileX × kTile destination pixels keep both the rows read and the rows written in the
// cache while the transposition walks across them. The sizes are the fastest measured on
// 24-megapixel images: a tile's source runs (kTile pixels) span whole cache lines, and the
// kTileX source rows a tile reads at once stay few enough to be fetched ahead.
template <int N>
constexpr int kTile = N == 1 ? 64 : 32;
template <int N>
constexpr int kTileX = 64;

// Where destination pixel (x, y) comes from: origin + x · stepX + y · stepY (bytes). A left turn
// reads dst(x, y) = src(W − 1 − y, x), a right turn dst(x, y) = src(y, H − 1 − x).
struct SourceWalk {
    const uint8_t* origin;
    ptrdiff_t stepX, stepY;
    int srcWidth;
    const uint8_t* at(int x, int y) const { return origin + (x * stepX + y * stepY); }
    // Whether destination rows [y, y + 4) read the last source column, where a 16-byte load
    // of four 3-byte pixels could leave the raster at its bottom right.
    bool lastColumnIn(int y) const { return stepY < 0 ? y == 0 : y + 4 >= srcWidth; }
};

// Asks for the source lines of the destination tile at (x0, y0): its columns are source runs of
// up to kTile pixels, which the hardware does not fetch ahead as they lie a row apart.
template <int N>
inline void prefetchTile(const SourceWalk& walk, int x0, int x1, int y0, int y1) {
    const int span = (y1 - y0) * N;
    for (int x = x0; x < x1; ++x) {
        const uint8_t* p = walk.at(x, walk.stepY < 0 ? y1 - 1 : y0);
        for (int b = 0; b < span + 64; b += 64) __builtin_prefetch(p + b);
    }
}

// Where a tile is written: the destination raster itself, or a small buffer that is streamed to
// the raster afterwards. Held as plain values: the byte stores of the loops could otherwise alias
// an Image's fields and force them to be read again after every pixel.
struct DestRows {
    uint8_t* base;  // the tile's top-left pixel (x0, y0)
    size_t stride;
    int x0, y0;
    template <int N>
    uint8_t* at(int x, int y) const {
        return base + size_t(y - y0) * stride + size_t(x - x0) * N;
    }
};

template <int N>
inline void copyPixels(const SourceWalk& walk, const DestRows& dst, int x0, int x1, int y0,
                       int y1) {
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) std::memcpy(dst.at<N>(x, y), walk.at(x, y), N);
}

#ifdef XIMORA_TURN_BLOCKS
typedef uint8_t Bytes16 __attribute__((vector_size(16)));
typedef uint32_t Words4 __attribute__((vector_size(16)));

// Interleaving the low or high halves of two registers in units of 1, 2, 4 or 8 bytes: the
// steps of a transposition in registers.
constexpr Bytes16 kLow8 = {0, 16, 1, 17, 2, 18, 3, 19, 4, 20, 5, 21, 6, 22, 7, 23};
constexpr Bytes16 kHigh8 = {8, 24, 9, 25, 10, 26, 11, 27, 12, 28, 13, 29, 14, 30, 15, 31};
constexpr Bytes16 kLow16 = {0, 1, 16, 17, 2, 3, 18, 19, 4, 5, 20, 21, 6, 7, 22, 23};
constexpr Bytes16 kHigh16 = {8, 9, 24, 25, 10, 11, 26, 27, 12, 13, 28, 29, 14, 15, 30, 31};
constexpr Bytes16 kLow32 = {0, 1, 2, 3, 16, 17, 18, 19, 4, 5, 6, 7, 20, 21, 22, 23};
constexpr Bytes16 kHigh32 = {8, 9, 10, 11, 24, 25, 26, 27, 12, 13, 14, 15, 28, 29, 30, 31};
constexpr Bytes16 kLow64 = {0, 1, 2, 3, 4, 5, 6, 7, 16, 17, 18, 19, 20, 21, 22, 23};
constexpr Bytes16 kHigh64 = {8, 9, 10, 11, 12, 13, 14, 15, 24, 25, 26, 27, 28, 29, 30, 31};

/// Side of the square blocks turned in registers: 16 pixels of 1 byte, 8 of 2, 4 of 3 or 4.
template <int N>
constexpr int kBlock = N == 1   ? 16
                       : N == 2 ? 8
                                : 4;

// A block of kBlock × kBlock destination pixels with its top-left at (x, y). Each destination
// column is a run of kBlock source pixels, loaded whole; after the transposition register k
// holds the source pixels k places above the lowest address of the runs, one destination row.
template <int N>
[[gnu::always_inline]] inline void turnBlock(const SourceWalk& walk, const DestRows& dst, int x,
                                             int y) {
    constexpr int B = kBlock<N>;
    const int lowest = walk.stepY < 0 ? y + B - 1 : y;
    Bytes16 r[B];
    for (int j = 0; j < B; ++j) {
        r[j] = Bytes16{};
        std::memcpy(&r[j], walk.at(x + j, lowest), N == 3 ? 16 : B * N);
        if constexpr (N == 3)  // one 32-bit lane per pixel; the 4 bytes after the run stay out
            r[j] =
                __builtin_shuffle(r[j], Bytes16{0, 1, 2, 2, 3, 4, 5, 5, 6, 7, 8, 8, 9, 10, 11, 11});
    }
    Bytes16 c[B];
    if constexpr (N == 1) {
        // Four rounds of interleaving register i with register i + 8: each round rotates the
        // eight bits (register, byte) of an element's place by one, so four swap them.
        for (int round = 0; round < 4; ++round) {
            Bytes16* from = round % 2 ? c : r;
            Bytes16* to = round % 2 ? r : c;
            for (int i = 0; i < 8; ++i) {
                to[2 * i] = __builtin_shuffle(from[i], from[i + 8], kLow8);
                to[2 * i + 1] = __builtin_shuffle(from[i], from[i + 8], kHigh8);
            }
        }
        for (int k = 0; k < B; ++k) c[k] = r[k];
    } else if constexpr (N == 2) {
        Bytes16 a[8], b[8];
        for (int i = 0; i < 4; ++i) {
            a[2 * i] = __builtin_shuffle(r[2 * i], r[2 * i + 1], kLow16);
            a[2 * i + 1] = __builtin_shuffle(r[2 * i], r[2 * i + 1], kHigh16);
        }
        for (int h = 0; h < 2; ++h)
            for (int i = 0; i < 2; ++i) {
                b[4 * h + 2 * i] = __builtin_shuffle(a[4 * h + i], a[4 * h + i + 2], kLow32);
                b[4 * h + 2 * i + 1] = __builtin_shuffle(a[4 * h + i], a[4 * h + i + 2], kHigh32);
            }
        for (int i = 0; i < 4; ++i) {
            c[2 * i] = __builtin_shuffle(b[i], b[i + 4], kLow64);
            c[2 * i + 1] = __builtin_shuffle(b[i], b[i + 4], kHigh64);
        }
    } else {
        Words4 w[4];
        for (int j = 0; j < 4; ++j) w[j] = Words4(r[j]);
        const Words4 t0 = __builtin_shuffle(w[0], w[1], Words4{0, 4, 1, 5});
        const Words4 t1 = __builtin_shuffle(w[0], w[1], Words4{2, 6, 3, 7});
        const Words4 t2 = __builtin_shuffle(w[2], w[3], Words4{0, 4, 1, 5});
        const Words4 t3 = __builtin_shuffle(w[2], w[3], Words4{2, 6, 3, 7});
        c[0] = Bytes16(__builtin_shuffle(t0, t2, Words4{0, 1, 4, 5}));
        c[1] = Bytes16(__builtin_shuffle(t0, t2, Words4{2, 3, 6, 7}));
        c[2] = Bytes16(__builtin_shuffle(t1, t3, Words4{0, 1, 4, 5}));
        c[3] = Bytes16(__builtin_shuffle(t1, t3, Words4{2, 3, 6, 7}));
        if constexpr (N == 3)
            for (int k = 0; k < 4; ++k)
                c[k] = __builtin_shuffle(
                    c[k], Bytes16{0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, 0, 0, 0, 0});
    }
    // Three-byte blocks write into the tile buffer, whose rows have room to spare: a whole
    // register is stored, and its last four bytes are overwritten by the next block or the edge
    // pixels, or never copied out.
    constexpr int kStoreBytes = N == 3 ? 16 : B * N;
#pragma GCC unroll 16
    for (int k = 0; k < B; ++k)
        std::memcpy(dst.at<N>(x, walk.stepY < 0 ? y + B - 1 - k : y + k), &c[k], kStoreBytes);
}
#endif

// The destination raster of a quarter turn.
struct Target {
    uint8_t* base;
    size_t stride;
    int width;
    bool streamed;  // tiles reach the raster by stores that bypass the cache
};

// Copies a tile row to the raster with stores that bypass the cache: the raster is far larger
// than the cache, and ordinary stores would first read every destination line they fill.
inline void streamRow(uint8_t* to, const uint8_t* from, size_t bytes) {
#ifdef __SSE2__
    const size_t head = std::min(bytes, size_t(-uintptr_t(to) & 15));
    std::memcpy(to, from, head);
    size_t i = head;
    for (; i + 16 <= bytes; i += 16)
        _mm_stream_si128(reinterpret_cast<__m128i*>(to + i),
                         _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + i)));
    std::memcpy(to + i, from + i, bytes - i);
#else
    std::memcpy(to, from, bytes);
#endif
}

// Destination pixels [x0, x1) × [y0, y1), one tile: with `blocks`, blocks in registers and single
// pixels at the edges; otherwise single pixels throughout.
template <int N, bool blocks>
[[gnu::always_inline]] inline void turnTile(const SourceWalk& walk, const DestRows& dst, int x0,
                                            int x1, int y0, int y1) {
    int y = y0;
#ifdef XIMORA_TURN_BLOCKS
    constexpr int B = kBlock<N>;
    for (; blocks && y + B <= y1; y += B) {
        int x = x0;
        if (N != 3 || !walk.lastColumnIn(y))
            for (; x + B <= x1; x += B) turnBlock<N>(walk, dst, x, y);
        copyPixels<N>(walk, dst, x, x1, y, y + B);
    }
#endif
    copyPixels<N>(walk, dst, x0, x1, y, y1);
}

// Destination rows [y0, y1) of a quarter turn, tile by tile. A tile is turned into a buffer in
// the cache when it is streamed out or its pixels are 3 bytes (see turnBlock), otherwise
// straight into the raster.
template <int N, bool blocks>
[[gnu::always_inline]] inline void turnTiles(const SourceWalk walk, const Target target, int y0,
                                             int y1) {
    constexpr size_t kBufferStride = size_t(kTileX<N>) * N + 16;
    alignas(64) uint8_t buffer[kTile<N> * kBufferStride];
    const bool buffered = N == 3 || target.streamed;
    const int dw = target.width;
    for (int ty = y0; ty < y1; ty += kTile<N>) {
        const int tyEnd = std::min(y1, ty + kTile<N>);
        for (int tx = 0; tx < dw; tx += kTileX<N>) {
            const int txEnd = std::min(dw, tx + kTileX<N>);
            if (txEnd < dw)
                prefetchTile<N>(walk, txEnd, std::min(dw, txEnd + kTileX<N>), ty, tyEnd);
            uint8_t* const corner = target.base + size_t(ty) * target.stride + size_t(tx) * N;
            if (!buffered) {
                turnTile<N, blocks>(walk, DestRows{corner, target.stride, tx, ty}, tx, txEnd, ty,
                                    tyEnd);
                continue;
            }
            turnTile<N, blocks>(walk, DestRows{buffer, kBufferStride, tx, ty}, tx, txEnd, ty,
                                tyEnd);
            const size_t rowBytes = size_t(txEnd - tx) * N;
            for (int y = ty; y < tyEnd; ++y) {
                uint8_t* const to = corner + size_t(y - ty) * target.stride;
                const uint8_t* const from = buffer + size_t(y - ty) * kBufferStride;
                if (target.streamed)
                    streamRow(to, from, rowBytes);
                else
                    std::memcpy(to, from, rowBytes);
            }
        }
    }
#ifdef __SSE2__
    if (target.streamed) _mm_sfence();  // the band's streamed stores land before it reports done
#endif
}

#if defined(XIMORA_TURN_BLOCKS) && defined(__x86_64__)
// The baseline x86-64 has no byte shuffle, and copying single pixels beats emulating one.
template <int N>
__attribute__((target("ssse3"))) void turnTilesShuffled(const SourceWalk& walk,
                                                        const Target& target, int y0, int y1) {
    turnTiles<N, true>(walk, target, y0, y1);
}
#endif

template <int N>
void turnBand(const SourceWalk& walk, const Target& target, int y0, int y1) {
#if defined(XIMORA_TURN_BLOCKS) && defined(__x86_64__)
    if (__builtin_cpu_supports("ssse3")) return turnTilesShuffled<N>(walk, target, y0, y1);
    turnTiles<N, false>(walk, target, y0, y1);
#elif defined(XIMORA_TURN_BLOCKS)
    turnTiles<N, true>(walk, target, y0, y1);
#else
    turnTiles<N, false>(walk, target, y0, y1);
#endif
}

// Rasters above this size cannot stay in the cache anyway, so their tiles are streamed when the
// turn has every core (twice as fast on 24 megapixels). Single bytes are the exception: their
// tiles measured faster written directly. So is a turn on one worker while other files decode
// and encode beside it (a batch run): there the streamed stores stalled the lone thread, and
// forty 12-megapixel photos were turned 14 % faster as a whole with ordinary stores.
constexpr size_t kStreamBytes = size_t(16) << 20;

// Quarter turn into dst (src.height() wide, src.width() tall). Bands are rows of dst.
void quarterTurn(const Image& src, Image& dst, bool left) {
    const int n = src.bytesPerPixel();
    const ptrdiff_t stride = ptrdiff_t(src.stride());
    const SourceWalk walk =
        left ? SourceWalk{src.row(0) + ptrdiff_t(src.width() - 1) * n, stride, -n, src.width()}
             : SourceWalk{src.row(src.height() - 1), -stride, n, src.width()};
    const Target target{dst.data(), dst.stride(), dst.width(),
                        n > 1 && dst.byteCount() >= kStreamBytes && workerCount() > 1};
    withPixelSize(n, [&]<int N>() {
        parallelRows(
            dst.height(), [&](int y0, int y1) { turnBand<N>(walk, target, y0, y1); }, kTile<N>);
    });
}

}  // namespace

bool turn(Image& image, int quarterTurns) {
    if (image.empty()) return fail(kErrNoImage);
    const int q = ((quarterTurns % 4) + 4) % 4;
    if (q == 0) return true;
    if (q == 2) return turnHalf(image);
    std::unique_ptr<DeepSamples> deep;
    if (!moveDeepSamples(image, q == 1 ? 8 : 6, deep)) return false;
    Image out;
    if (!out.allocate(image.height(), image.width(), image.bitsPerPixel(), image.grey()))
        return false;
    quarterTurn(image, out, q == 1);
    out.palette = std::move(image.palette);
    std::swap(image.dpiX, image.dpiY);
    out.dpiX = image.dpiX, out.dpiY = image.dpiY;
    out.comment = std::move(image.comment);
    out.metadata = std::move(image.metadata);
    image = std::move(out);
    attachDeepSamples(image, std::move(deep));
    return true;
}

}  // namespace ximora::engine
