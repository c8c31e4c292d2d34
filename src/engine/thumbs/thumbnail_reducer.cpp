#include "engine/thumbs/thumbnail_reducer.h"

#include <algorithm>
#include <cstring>

#include "engine/core/error.h"
#include "engine/thumbs/thumbnail_scale.h"

namespace ximora::engine {
ThumbnailReducer::~ThumbnailReducer() = default;

// Source pixel i of n covers [i·m, (i+1)·m) and target pixel j of m covers [j·n, (j+1)·n) on a
// common axis, so the overlaps are whole numbers. When shrinking (m ≤ n) a source pixel touches
// at most two target pixels: `first` with weight `w0` and first + 1 with weight m − w0.
std::vector<ThumbnailReducer::Split> ThumbnailReducer::splits(int n, int m) {
    auto out = std::vector<Split>(size_t(n));
    for (int i = 0; i < n; ++i) {
        const int64_t start = int64_t(i) * m, end = start + m;
        const int j = int(start / n);
        const int64_t boundary = int64_t(j + 1) * n;
        out[size_t(i)] = {j, uint32_t(std::min(end, boundary) - start)};
    }
    return out;
}

bool ThumbnailReducer::start(const RowLayout& layout) {
    if (box_ < 1 || box_ > kMaxSide) return fail(kErrBadParameter);
    sw_ = layout.width, sh_ = layout.height;
    const ThumbnailSize fitted = fitIntoSquare(sw_, sh_, box_);
    tw_ = fitted.width, th_ = fitted.height;
    bytesPerPixel_ = Image::storageBytesPerPixel(layout.bitsPerPixel);
    grey_ = layout.grey;
    alpha_ = bytesPerPixel_ == 4 ||
             (bytesPerPixel_ == 1 && std::any_of(layout.palette.begin(), layout.palette.end(),
                                                 [](const Colour& c) { return c.a < 255; }));
    if (!thumb_.allocate(tw_, th_, alpha_ ? 32 : 24)) return false;
    total_ = uint64_t(sw_) * uint64_t(sh_);
    xs_ = splits(sw_, tw_);
    ys_ = splits(sh_, th_);
    lut_.assign(256, {0, 0, 0, 255});  // indexes past the palette read black
    for (size_t i = 0; i < layout.palette.size() && i < 256; ++i) {
        const Colour& c = layout.palette[i];
        lut_[i] = {c.r, c.g, c.b, c.a};
    }
    const size_t channels = alpha_ ? 4 : 3;
    values_ = size_t(tw_ + 1) * channels;
    rgb_.resize(size_t(sw_) * channels);
    if (alpha_)
        line4_.resize(values_);
    else
        line_.resize(values_);
    lastRow_.resize(size_t(sw_) * size_t(bytesPerPixel_));
    acc_.clear();
    acc_.resize(size_t(th_) + 1);
    expected_.assign(size_t(th_) + 1, 0);
    received_.assign(size_t(th_) + 1, 0);
    done_.assign(size_t(th_) + 1, false);
    for (const Split& s : ys_) {
        expected_[size_t(s.first)] += uint64_t(sw_);
        if (s.w0 < uint32_t(th_)) expected_[size_t(s.first) + 1] += uint64_t(sw_);
    }
    return true;
}

// Converts `count` pixels of the layout to R G B, or to R G B A for a layout that can be
// transparent.
const uint8_t* ThumbnailReducer::toRgb(const uint8_t* src, int count) {
    uint8_t* dst = rgb_.data();
    switch (bytesPerPixel_) {
        case 3:
        case 4:
            return src;
        case 1:
            if (alpha_) {
                for (int x = 0; x < count; ++x, dst += 4) std::memcpy(dst, lut_[src[x]].data(), 4);
                break;
            }
            for (int x = 0; x < count; ++x, dst += 3) {
                const auto& c = lut_[src[x]];
                dst[0] = c[0], dst[1] = c[1], dst[2] = c[2];
            }
            break;
        case 2:
            for (int x = 0; x < count; ++x, dst += 3) {
                uint16_t v;
                std::memcpy(&v, src + 2 * x, 2);
                const Colour c = unpackRgb565(v);
                dst[0] = c.r, dst[1] = c.g, dst[2] = c.b;
            }
            break;
    }
    return rgb_.data();
}

// Sums the pixels at columns x0, x0 + step, ... into line_ by their horizontal weights.
void ThumbnailReducer::sumColumns(const uint8_t* rgb, int x0, int step, int count) {
    std::fill(line_.begin(), line_.end(), 0u);
    const uint32_t m = uint32_t(tw_);
    for (int i = 0, sx = x0; i < count; ++i, sx += step, rgb += 3) {
        const Split s = xs_[size_t(sx)];
        uint32_t* a = &line_[size_t(s.first) * 3];
        const uint32_t w1 = m - s.w0;
        for (int c = 0; c < 3; ++c) {
            a[c] += rgb[c] * s.w0;
            a[c + 3] += rgb[c] * w1;
        }
    }
}

void ThumbnailReducer::sumColumnsWithAlpha(const uint8_t* rgba, int x0, int step, int count) {
    std::fill(line4_.begin(), line4_.end(), 0u);
    const uint32_t m = uint32_t(tw_);
    for (int i = 0, sx = x0; i < count; ++i, sx += step, rgba += 4) {
        const Split s = xs_[size_t(sx)];
        uint64_t* a = &line4_[size_t(s.first) * 4];
        const uint32_t w1 = m - s.w0, alpha = rgba[3];
        const uint32_t v[4] = {rgba[0] * alpha, rgba[1] * alpha, rgba[2] * alpha, alpha};
        for (int c = 0; c < 4; ++c) {
            a[c] += uint64_t(v[c]) * s.w0;
            a[c + 4] += uint64_t(v[c]) * w1;
        }
    }
}

void ThumbnailReducer::sumRow(const uint8_t* pixels, int x0, int step, int count) {
    if (alpha_)
        sumColumnsWithAlpha(toRgb(pixels, count), x0, step, count);
    else
        sumColumns(toRgb(pixels, count), x0, step, count);
}

// Adds line_ with vertical weight `weight` to thumbnail row ty, which got `pixels` more source
// pixels; a complete row is written out.
void ThumbnailReducer::addToRow(int ty, uint64_t weight, uint64_t pixels) {
    if (pixels == 0 || ty > th_ || done_[size_t(ty)] || tooLarge_) return;
    auto& acc = acc_[size_t(ty)];
    if (!acc) {
        // Rows in order keep two thumbnail rows open; interlaced ones may open all of them.
        if (uint64_t(open_ + 1) * values_ * sizeof(uint64_t) > memoryLimit()) {
            tooLarge_ = true;
            return;
        }
        acc = std::make_unique<uint64_t[]>(values_);  // zero-filled
        ++open_;
    }
    if (weight && alpha_)
        for (size_t i = 0; i < values_; ++i) acc[i] += line4_[i] * weight;
    else if (weight)
        for (size_t i = 0; i < values_; ++i) acc[i] += line_[i] * weight;
    received_[size_t(ty)] += pixels;
    if (ty < th_ && received_[size_t(ty)] >= expected_[size_t(ty)]) emit(ty);
}

void ThumbnailReducer::emit(int ty) {
    auto& acc = acc_[size_t(ty)];
    uint8_t* dst = thumb_.row(ty);
    if (!alpha_) {
        for (size_t i = 0; i < size_t(tw_) * 3; ++i)
            dst[i] = acc ? uint8_t((acc[i] + total_ / 2) / total_) : 0;
    } else {
        // Sums of colour × alpha over sums of alpha: the mean colour of what covers the pixel.
        for (int x = 0; x < tw_; ++x, dst += 4) {
            const uint64_t* sum = acc ? &acc[size_t(x) * 4] : nullptr;
            const uint64_t alpha = sum ? sum[3] : 0;
            for (int c = 0; c < 3; ++c) dst[c] = alpha ? uint8_t((sum[c] + alpha / 2) / alpha) : 0;
            dst[3] = uint8_t((alpha + total_ / 2) / total_);
        }
    }
    if (acc) --open_;
    acc.reset();
    done_[size_t(ty)] = true;
}

void ThumbnailReducer::putRow(int y, const uint8_t* pixels) {
    if (thumb_.empty() || y < 0 || y >= sh_) return;
    const size_t bytes = lastRow_.size();
    // Rows equal to the last one (plain backgrounds) reuse its column sums.
    if (!lastValid_ || std::memcmp(pixels, lastRow_.data(), bytes) != 0) {
        sumRow(pixels, 0, 1, sw_);
        std::memcpy(lastRow_.data(), pixels, bytes);
        lastValid_ = true;
    }
    const Split s = ys_[size_t(y)];
    addToRow(s.first, s.w0, uint64_t(sw_));
    if (s.w0 < uint32_t(th_)) addToRow(s.first + 1, uint64_t(th_) - s.w0, uint64_t(sw_));
}

void ThumbnailReducer::putPixels(int y, int x0, int step, int count, const uint8_t* pixels) {
    if (thumb_.empty() || y < 0 || y >= sh_ || count <= 0 || x0 < 0 || step < 1 ||
        x0 + int64_t(step) * (count - 1) >= sw_)
        return;
    sumRow(pixels, x0, step, count);
    lastValid_ = false;  // line_ no longer belongs to lastRow_
    const Split s = ys_[size_t(y)];
    addToRow(s.first, s.w0, uint64_t(count));
    if (s.w0 < uint32_t(th_)) addToRow(s.first + 1, uint64_t(th_) - s.w0, uint64_t(count));
}

void ThumbnailReducer::putRepeatedRow(int y0, int y1, const uint8_t* pixels) {
    y0 = std::max(y0, 0), y1 = std::min(y1, sh_);
    if (thumb_.empty() || y0 >= y1) return;
    sumRow(pixels, 0, 1, sw_);
    std::memcpy(lastRow_.data(), pixels, lastRow_.size());
    lastValid_ = true;
    // The rows' vertical weights and pixel counts are gathered per thumbnail row first, so a
    // long run of equal rows costs one pass per thumbnail row it touches.
    const int first = ys_[size_t(y0)].first, last = ys_[size_t(y1 - 1)].first + 1;
    std::vector<uint64_t> weights(size_t(last - first + 1)), counts(weights.size());
    for (int y = y0; y < y1; ++y) {
        const Split s = ys_[size_t(y)];
        const size_t at = size_t(s.first - first);
        weights[at] += s.w0, counts[at] += uint64_t(sw_);
        if (s.w0 < uint32_t(th_))
            weights[at + 1] += uint64_t(th_) - s.w0, counts[at + 1] += uint64_t(sw_);
    }
    for (size_t i = 0; i < weights.size(); ++i) addToRow(first + int(i), weights[i], counts[i]);
}

bool ThumbnailReducer::finish(Image& out) {
    if (thumb_.empty()) return fail(kErrOrder);
    if (tooLarge_) return fail(kErrMemory);
    // A decoder that stopped early has already failed; rows it never reached stay black.
    for (int ty = 0; ty < th_; ++ty)
        if (!done_[size_t(ty)]) emit(ty);
    if (alpha_ && opaque()) {
        // Nothing shows through: the thumbnail is kept as an opaque one is.
        Image rgb;
        if (!rgb.allocate(tw_, th_, 24)) return false;
        for (int y = 0; y < th_; ++y) {
            const uint8_t* src = thumb_.row(y);
            uint8_t* dst = rgb.row(y);
            for (int x = 0; x < tw_; ++x, src += 4, dst += 3) std::memcpy(dst, src, 3);
        }
        thumb_ = std::move(rgb);
    }
    out = std::move(thumb_);
    return true;
}

bool ThumbnailReducer::opaque() const {
    for (int y = 0; y < th_; ++y) {
        const uint8_t* row = thumb_.row(y);
        for (int x = 0; x < tw_; ++x)
            if (row[4 * x + 3] != 255) return false;
    }
    return true;
}

}  // namespace ximora::engine
