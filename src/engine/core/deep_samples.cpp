#include "engine/core/deep_samples.h"

#include <cstring>
#include <new>

#include "engine/core/error.h"
#include "engine/core/image.h"
#include "engine/core/memory_budget.h"
#include "engine/core/orientation_map.h"
#include "engine/core/parallel.h"

namespace ximora::engine {
namespace {

constexpr uint64_t kMultiplier = 0x9E3779B97F4A7C15u;

uint64_t mix(uint64_t h, uint64_t v) {
    h ^= v * kMultiplier;
    h = (h << 29 | h >> 35) * 0xBF58476D1CE4E5B9u;
    return h;
}

uint64_t hashBytes(const uint8_t* p, size_t n, uint64_t h) {
    size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        uint64_t v;
        std::memcpy(&v, p + i, 8);
        h = mix(h, v);
    }
    uint64_t tail = 0;
    std::memcpy(&tail, p + i, n - i);
    return mix(h, tail ^ n);
}

}  // namespace

int deepChannelsFor(int bitsPerPixel, bool grey) {
    if (bitsPerPixel == 8 && grey) return 1;
    if (bitsPerPixel == 24) return 3;
    if (bitsPerPixel == 32) return 4;
    return 0;
}

std::unique_ptr<DeepSamples> makeDeepSamples(int width, int height, int channels,
                                             uint64_t alsoHeld) {
    const uint64_t count = uint64_t(width) * uint64_t(height) * uint64_t(channels);
    if (width < 1 || height < 1 || channels < 1 || channels > 4) {
        fail(kErrBadParameter);
        return nullptr;
    }
    if (count * 2 + alsoHeld > memoryLimit()) {
        fail(kErrMemory);
        return nullptr;
    }
    auto samples = std::unique_ptr<DeepSamples>(new (std::nothrow) DeepSamples);
    if (!samples) {
        fail(kErrMemory);
        return nullptr;
    }
    try {
        samples->samples.resize(size_t(count));
    } catch (const std::bad_alloc&) {
        fail(kErrMemory);
        return nullptr;
    }
    samples->width = width, samples->height = height, samples->channels = channels;
    samples->charge = MemoryCharge(count * 2);
    return samples;
}

uint64_t rasterFingerprint(const Image& image) {
    if (image.empty()) return 0;
    const int height = image.height();
    const size_t rowBytes = size_t(image.width()) * size_t(image.bytesPerPixel());
    std::vector<uint64_t> rows(static_cast<size_t>(height));
    parallelRows(height, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) rows[size_t(y)] = hashBytes(image.row(y), rowBytes, 0);
    });
    uint64_t h = mix(mix(0, uint64_t(image.width()) << 32 | uint64_t(height)),
                     uint64_t(image.bitsPerPixel()) << 1 | (image.grey() ? 1 : 0));
    // An edit of a grey picture may change its palette and leave the indexes alone.
    for (const Colour& c : image.palette)
        h = mix(h, uint64_t(c.r) | uint64_t(c.g) << 8 | uint64_t(c.b) << 16 | uint64_t(c.a) << 24);
    return hashBytes(reinterpret_cast<const uint8_t*>(rows.data()), rows.size() * 8, h);
}

void attachDeepSamples(Image& image, std::unique_ptr<DeepSamples> samples) {
    if (!samples) {
        image.deep.reset();
        return;
    }
    samples->fingerprint = rasterFingerprint(image);
    image.deep = std::move(samples);
}

const DeepSamples* currentDeepSamples(const Image& image) {
    const DeepSamples* deep = image.deep.get();
    if (!deep || deep->width != image.width() || deep->height != image.height() ||
        deep->channels != deepChannelsFor(image.bitsPerPixel(), image.grey()))
        return nullptr;
    return deep->fingerprint == rasterFingerprint(image) ? deep : nullptr;
}

std::unique_ptr<DeepSamples> reorientedDeepSamples(const DeepSamples& from, int orientation) {
    const OrientationMap map{orientation, from.width, from.height};
    const bool swap = map.swapsSides();
    auto to = makeDeepSamples(swap ? from.height : from.width, swap ? from.width : from.height,
                              from.channels, 0);
    if (!to) return nullptr;
    const size_t n = size_t(from.channels);
    parallelRows(to->height, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            uint16_t* out = to->row(y);
            for (int x = 0; x < to->width; ++x) {
                int sx, sy;
                map(x, y, sx, sy);
                std::memcpy(out + size_t(x) * n, from.row(sy) + size_t(sx) * n, n * 2);
            }
        }
    });
    return to;
}

std::unique_ptr<DeepSamples> trimmedDeepSamples(const DeepSamples& from, int left, int top,
                                                int right, int bottom) {
    auto to = makeDeepSamples(right - left, bottom - top, from.channels, 0);
    if (!to) return nullptr;
    const size_t n = size_t(from.channels);
    for (int y = 0; y < to->height; ++y)
        std::memcpy(to->row(y), from.row(top + y) + size_t(left) * n, size_t(to->width) * n * 2);
    return to;
}

}  // namespace ximora::engine
