#include "engine/core/area.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "engine/core/error.h"

namespace ximora::engine {
namespace {

std::vector<Span> complement(const std::vector<Span>& spans, int width) {
    std::vector<Span> out;
    int x = 0;
    for (const Span& s : spans) {
        if (s.x0 > x) out.push_back({x, s.x0});
        x = std::max(x, s.x1);
    }
    if (x < width) out.push_back({x, width});
    return out;
}

}  // namespace

AreaMask::AreaMask(const Area& area, int width, int height)
    : width_(width), height_(height), rows_(size_t(std::max(height, 0))) {
    if (area.isWhole() || area.polygon.size() < 3) {
        // A degenerate polygon covers nothing; its outside is the whole image.
        const bool all = area.isWhole() || area.areaCode == 0;
        coversAll_ = all;
        if (all)
            for (auto& r : rows_) r.push_back({0, width});
        return;
    }
    const auto& poly = area.polygon;
    std::vector<double> xs;
    for (int y = 0; y < height; ++y) {
        const double cy = y + 0.5;
        xs.clear();
        for (size_t i = 0; i < poly.size(); ++i) {
            const Point& a = poly[i];
            const Point& b = poly[(i + 1) % poly.size()];
            if ((a.y <= cy) == (b.y <= cy)) continue;  // edge does not cross this row's centre
            xs.push_back(a.x + (cy - a.y) * double(b.x - a.x) / double(b.y - a.y));
        }
        std::sort(xs.begin(), xs.end());
        std::vector<Span> inside;
        for (size_t i = 0; i + 1 < xs.size(); i += 2) {
            // Pixel x is inside when its centre x + 0.5 lies in [xs[i], xs[i+1]).
            const int x0 = std::clamp(int(std::ceil(xs[i] - 0.5)), 0, width);
            const int x1 = std::clamp(int(std::ceil(xs[i + 1] - 0.5)), 0, width);
            if (x1 > x0) {
                if (!inside.empty() && inside.back().x1 >= x0)
                    inside.back().x1 = std::max(inside.back().x1, x1);
                else
                    inside.push_back({x0, x1});
            }
        }
        rows_[size_t(y)] = area.areaCode == 0 ? complement(inside, width) : std::move(inside);
    }
}

bool AreaMask::contains(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return false;
    for (const Span& s : rows_[size_t(y)])
        if (x >= s.x0 && x < s.x1) return true;
    return false;
}

bool restoreOutside(const AreaMask& mask, const Image& before, Image& after) {
    if (before.width() != after.width() || before.height() != after.height() ||
        before.bitsPerPixel() != after.bitsPerPixel() || mask.width() != after.width() ||
        mask.height() != after.height())
        return fail(kErrBadParameter);
    if (mask.coversAll()) return true;
    const size_t bpp = size_t(after.bytesPerPixel());
    for (int y = 0; y < after.height(); ++y) {
        const uint8_t* src = before.row(y);
        uint8_t* dst = after.row(y);
        int x = 0;
        for (const Span& s : mask.spans(y)) {
            if (s.x0 > x) std::memcpy(dst + x * bpp, src + x * bpp, size_t(s.x0 - x) * bpp);
            x = s.x1;
        }
        if (x < after.width())
            std::memcpy(dst + x * bpp, src + x * bpp, size_t(after.width() - x) * bpp);
    }
    return true;
}

}  // namespace ximora::engine
