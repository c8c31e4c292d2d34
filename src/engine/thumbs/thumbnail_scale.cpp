#include "engine/thumbs/thumbnail_scale.h"

#include <algorithm>
#include <array>
#include <vector>

#include "engine/core/error.h"

namespace ximora::engine {
namespace {

uint8_t overWhite(uint8_t c, uint8_t a) { return uint8_t((c * a + 255 * (255 - a) + 127) / 255); }

// Converts one source row to RGB bytes (transparency laid over white). 24-bit rows without
// conversion are used in place.
class RowReader {
  public:
    explicit RowReader(const Image& image) : image_(image), rgb_(size_t(image.width()) * 3) {
        if (image.hasPalette()) {
            for (size_t i = 0; i < image.palette.size() && i < 256; ++i) {
                const Colour& c = image.palette[i];
                lut_[i] = {overWhite(c.r, c.a), overWhite(c.g, c.a), overWhite(c.b, c.a)};
            }
        }
    }

    const uint8_t* row(int y) {
        const uint8_t* src = image_.row(y);
        const int w = image_.width();
        uint8_t* dst = rgb_.data();
        switch (image_.bytesPerPixel()) {
            case 3:
                return src;
            case 1:
                for (int x = 0; x < w; ++x, dst += 3) {
                    const auto& c = lut_[src[x]];
                    dst[0] = c[0], dst[1] = c[1], dst[2] = c[2];
                }
                break;
            case 2:
                for (int x = 0; x < w; ++x, dst += 3) {
                    uint16_t v;
                    std::copy_n(src + 2 * x, 2, reinterpret_cast<uint8_t*>(&v));
                    const Colour c = unpackRgb565(v);
                    dst[0] = c.r, dst[1] = c.g, dst[2] = c.b;
                }
                break;
            default:
                for (int x = 0; x < w; ++x, src += 4, dst += 3) {
                    dst[0] = overWhite(src[0], src[3]);
                    dst[1] = overWhite(src[1], src[3]);
                    dst[2] = overWhite(src[2], src[3]);
                }
        }
        return rgb_.data();
    }

  private:
    const Image& image_;
    std::vector<uint8_t> rgb_;
    std::array<std::array<uint8_t, 3>, 256> lut_{};  // indexes past the palette read black
};

// Source pixel i of n covers [i·m, (i+1)·m) and target pixel j of m covers [j·n, (j+1)·n) on a
// common axis, so the overlaps are whole numbers. When shrinking (m ≤ n) a source pixel touches
// at most two target pixels: `first` with weight `w0` and first + 1 with weight m − w0.
struct Split {
    int first;
    uint32_t w0;
};

std::vector<Split> splits(int n, int m) {
    auto out = std::vector<Split>(size_t(n));
    for (int i = 0; i < n; ++i) {
        const int64_t start = int64_t(i) * m, end = start + m;
        const int j = int(start / n);
        const int64_t boundary = int64_t(j + 1) * n;
        out[size_t(i)] = {j, uint32_t(std::min(end, boundary) - start)};
    }
    return out;
}

}  // namespace

ThumbnailSize fitIntoSquare(int width, int height, int box) {
    if (width <= box && height <= box) return {width, height};
    const int64_t longer = std::max(width, height), shorter = std::min(width, height);
    const int fitted = int(std::max<int64_t>(1, (2 * shorter * box + longer) / (2 * longer)));
    return width >= height ? ThumbnailSize{box, fitted} : ThumbnailSize{fitted, box};
}

bool makeThumbnail(const Image& source, int box, Image& out) {
    if (box < 1 || box > kMaxSide) return fail(kErrBadParameter);
    if (source.empty()) return fail(kErrBadImage);
    const int sw = source.width(), sh = source.height();
    // Plain names rather than a structured binding: the row lambda below captures them.
    const ThumbnailSize fitted = fitIntoSquare(sw, sh, box);
    const int tw = fitted.width, th = fitted.height;
    Image thumb;
    if (!thumb.allocate(tw, th, 24)) return false;

    const std::vector<Split> xs = splits(sw, tw), ys = splits(sh, th);
    const uint64_t total = uint64_t(sw) * uint64_t(sh);  // weight of one thumbnail pixel
    std::vector<uint32_t> line(size_t(tw) * 3 + 3);      // one spare pixel for first + 1
    std::vector<uint64_t> current(line.size()), next(line.size());
    RowReader reader(source);
    int currentRow = 0;

    const auto emit = [&](int y) {
        uint8_t* dst = thumb.row(y);
        for (size_t i = 0; i < size_t(tw) * 3; ++i)
            dst[i] = uint8_t((current[i] + total / 2) / total);
    };
    for (int sy = 0; sy < sh; ++sy) {
        std::fill(line.begin(), line.end(), 0u);
        const uint8_t* src = reader.row(sy);
        for (int sx = 0; sx < sw; ++sx, src += 3) {
            const Split s = xs[size_t(sx)];
            uint32_t* a = &line[size_t(s.first) * 3];
            const uint32_t w1 = uint32_t(tw) - s.w0;
            for (int c = 0; c < 3; ++c) {
                a[c] += src[c] * s.w0;
                a[c + 3] += src[c] * w1;
            }
        }
        const Split s = ys[size_t(sy)];
        if (s.first != currentRow) {
            emit(currentRow);
            current.swap(next);
            std::fill(next.begin(), next.end(), 0u);
            currentRow = s.first;
        }
        const uint64_t w0 = s.w0, w1 = uint64_t(th) - s.w0;
        for (size_t i = 0; i < size_t(tw) * 3; ++i) {
            current[i] += line[i] * w0;
            next[i] += line[i] * w1;
        }
    }
    emit(currentRow);
    out = std::move(thumb);
    return true;
}

}  // namespace ximora::engine
