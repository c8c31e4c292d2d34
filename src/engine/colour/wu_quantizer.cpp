#include "engine/colour/wu_quantizer.h"

#include <algorithm>
#include <mutex>

#include "engine/colour/palette_mapper.h"
#include "engine/core/parallel.h"

namespace ximora::engine {
namespace {

using Moments = WuHistogram::Moments;
constexpr int kSide = WuHistogram::kSide;

constexpr size_t at(int r, int g, int b) { return size_t((r * kSide + g) * kSide + b); }

Moments& operator+=(Moments& a, const Moments& b) {
    a.weight += b.weight, a.r += b.r, a.g += b.g, a.b += b.b, a.squares += b.squares;
    return a;
}
Moments operator-(Moments a, const Moments& b) {
    a.weight -= b.weight, a.r -= b.r, a.g -= b.g, a.b -= b.b, a.squares -= b.squares;
    return a;
}
Moments operator+(Moments a, const Moments& b) { return a += b; }

// A box of cells (r0, r1] × (g0, g1] × (b0, b1] in histogram coordinates.
struct Box {
    int r0 = 0, r1 = 0, g0 = 0, g1 = 0, b0 = 0, b1 = 0;
    int volume() const { return (r1 - r0) * (g1 - g0) * (b1 - b0); }
};

enum Axis { kRed, kGreen, kBlue };

class Splitter {
  public:
    explicit Splitter(const std::vector<Moments>& m) : m_(m) {}

    Moments volume(const Box& x) const {
        return m_[at(x.r1, x.g1, x.b1)] - m_[at(x.r1, x.g1, x.b0)] - m_[at(x.r1, x.g0, x.b1)] +
               m_[at(x.r1, x.g0, x.b0)] - m_[at(x.r0, x.g1, x.b1)] + m_[at(x.r0, x.g1, x.b0)] +
               m_[at(x.r0, x.g0, x.b1)] - m_[at(x.r0, x.g0, x.b0)];
    }

    // Summed squared error of the box around its mean.
    double variance(const Box& x) const {
        const Moments v = volume(x);
        if (v.weight == 0) return 0;
        const double r = double(v.r), g = double(v.g), b = double(v.b);
        return double(v.squares) - (r * r + g * g + b * b) / double(v.weight);
    }

    // Moments of the part of `x` with the axis coordinate ≤ `position`.
    Moments lower(const Box& x, Axis axis, int position) const {
        Box part = x;
        (axis == kRed ? part.r1 : axis == kGreen ? part.g1 : part.b1) = position;
        return volume(part);
    }

    // Splits `a` into `a` and `b` along the axis and plane that best reduce the error; false
    // when the box cannot be split.
    bool cut(Box& a, Box& b) const {
        const Moments whole = volume(a);
        double best[3];
        int position[3];
        maximize(a, kRed, a.r0 + 1, a.r1, whole, best[0], position[0]);
        maximize(a, kGreen, a.g0 + 1, a.g1, whole, best[1], position[1]);
        maximize(a, kBlue, a.b0 + 1, a.b1, whole, best[2], position[2]);
        const int axis = best[0] >= best[1] && best[0] >= best[2] ? kRed
                         : best[1] >= best[2]                     ? kGreen
                                                                  : kBlue;
        if (position[axis] < 0) return false;
        b = a;
        if (axis == kRed) a.r1 = b.r0 = position[axis];
        if (axis == kGreen) a.g1 = b.g0 = position[axis];
        if (axis == kBlue) a.b1 = b.b0 = position[axis];
        return true;
    }

  private:
    void maximize(const Box& x, Axis axis, int first, int last, const Moments& whole, double& best,
                  int& position) const {
        best = 0;
        position = -1;
        for (int i = first; i < last; ++i) {
            const Moments half = lower(x, axis, i);
            if (half.weight == 0) continue;
            const Moments rest = whole - half;
            if (rest.weight == 0) continue;
            const auto score = [](const Moments& m) {
                const double r = double(m.r), g = double(m.g), b = double(m.b);
                return (r * r + g * g + b * b) / double(m.weight);
            };
            const double value = score(half) + score(rest);
            if (value > best) best = value, position = i;
        }
    }

    const std::vector<Moments>& m_;
};

}  // namespace

WuHistogram::WuHistogram(const Image& rgb) : cells_(kCells) {
    // Bands count into their own tables; integer sums make the total independent of the
    // banding.
    std::mutex merge;
    parallelRows(rgb.height(), [&](int y0, int y1) {
        std::vector<Moments> local(kCells);
        for (int y = y0; y < y1; ++y) {
            const uint8_t* p = rgb.row(y);
            for (int x = 0; x < rgb.width(); ++x, p += 3) {
                const int r = p[0], g = p[1], b = p[2];
                Moments& cell = local[at((r >> 3) + 1, (g >> 3) + 1, (b >> 3) + 1)];
                cell.weight += 1, cell.r += r, cell.g += g, cell.b += b;
                cell.squares += r * r + g * g + b * b;
            }
        }
        std::lock_guard lock(merge);
        for (size_t i = 0; i < kCells; ++i) cells_[i] += local[i];
    });
    cumulative_ = cells_;
    // Running sums along the three axes turn counts into cumulative moments.
    for (int r = 1; r < kSide; ++r) {
        std::vector<Moments> area(kSide);
        for (int g = 1; g < kSide; ++g) {
            Moments line;
            for (int b = 1; b < kSide; ++b) {
                line += cumulative_[at(r, g, b)];
                area[size_t(b)] += line;
                cumulative_[at(r, g, b)] = cumulative_[at(r - 1, g, b)] + area[size_t(b)];
            }
        }
    }
}

std::vector<Colour> WuHistogram::palette(int colours) const {
    const Splitter splitter(cumulative_);
    std::vector<Box> boxes(size_t(std::clamp(colours, 1, 256)));
    std::vector<double> variance(boxes.size(), 0);
    boxes[0] = Box{0, kSide - 1, 0, kSide - 1, 0, kSide - 1};
    size_t count = 1, next = 0;
    while (count < boxes.size()) {
        if (splitter.cut(boxes[next], boxes[count])) {
            variance[next] = boxes[next].volume() > 1 ? splitter.variance(boxes[next]) : 0;
            variance[count] = boxes[count].volume() > 1 ? splitter.variance(boxes[count]) : 0;
            ++count;
        } else {
            variance[next] = 0;  // cannot be split further
        }
        next = size_t(std::max_element(variance.begin(), variance.begin() + long(count)) -
                      variance.begin());
        if (variance[next] <= 0) break;
    }
    std::vector<Colour> palette;
    for (size_t i = 0; i < count; ++i) {
        const Moments v = splitter.volume(boxes[i]);
        if (v.weight == 0) continue;
        const auto mean = [&](int64_t sum) { return uint8_t((sum + v.weight / 2) / v.weight); };
        palette.push_back(Colour{mean(v.r), mean(v.g), mean(v.b), 255});
    }
    if (palette.empty()) palette.push_back(Colour{});
    refine(palette);
    return palette;
}

void WuHistogram::refine(std::vector<Colour>& palette) const {
    constexpr int kPasses = 2;
    for (int pass = 0; pass < kPasses; ++pass) {
        const PaletteMapper mapper(palette);
        std::vector<Moments> sums(palette.size());
        for (const Moments& cell : cells_) {
            if (cell.weight == 0) continue;
            const auto mean = [&](int64_t sum) {
                return int((sum + cell.weight / 2) / cell.weight);
            };
            sums[mapper.nearest(mean(cell.r), mean(cell.g), mean(cell.b))] += cell;
        }
        for (size_t i = 0; i < palette.size(); ++i) {
            const Moments& s = sums[i];
            if (s.weight == 0) continue;
            const auto mean = [&](int64_t sum) { return uint8_t((sum + s.weight / 2) / s.weight); };
            palette[i] = Colour{mean(s.r), mean(s.g), mean(s.b), 255};
        }
    }
}

}  // namespace ximora::engine
