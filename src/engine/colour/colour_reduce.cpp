#include "engine/colour/colour_reduce.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <optional>

#include "engine/colour/error_diffusion.h"
#include "engine/colour/fixed_palettes.h"
#include "engine/colour/palette_mapper.h"
#include "engine/colour/wu_quantizer.h"
#include "engine/core/error.h"
#include "engine/core/parallel.h"
#include "engine/ops/samples.h"

namespace ximora::engine {
namespace {

// Up to `most` distinct colours of the image in first-seen order, or nothing when it has more.
std::optional<std::vector<Colour>> fewColours(const Image& rgb, size_t most) {
    std::vector<uint32_t> seen;  // sorted, for the lookup
    std::vector<Colour> order;
    uint32_t last = UINT32_MAX;
    for (int y = 0; y < rgb.height(); ++y) {
        const uint8_t* p = rgb.row(y);
        for (int x = 0; x < rgb.width(); ++x, p += 3) {
            const uint32_t key = uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
            if (key == last) continue;
            last = key;
            const auto where = std::lower_bound(seen.begin(), seen.end(), key);
            if (where != seen.end() && *where == key) continue;
            if (seen.size() == most) return std::nullopt;
            seen.insert(where, key);
            order.push_back(Colour{p[0], p[1], p[2], 255});
        }
    }
    return order;
}

std::vector<Colour> chooseColours(const Image& rgb, int colours, bool fixed) {
    if (fixed) return colours == 16 ? standard16Palette() : uniform256Palette();
    if (auto exact = fewColours(rgb, size_t(colours))) return *exact;
    return WuHistogram(rgb).palette(colours);
}

// A per-pixel quantizer for `code`: writes the output pixel at `out` and returns the colour
// it stands for, which error diffusion compares with the wanted one.
bool quantizeTo(const Image& rgb, const ColourReduction& params, bool greyLevels16, Image& out) {
    const bool diffuse = params.errorDiffusion;
    const int code = greyLevels16 ? 40 : params.code;
    switch (code) {
        case 1: {
            if (!out.allocate(rgb.width(), rgb.height(), 1)) return false;
            out.palette = greyPalette(1);
            const int threshold = params.threshold;
            return mapGreyPixels(rgb, out, diffuse, [threshold](int grey, uint8_t* p) {
                const bool white = grey >= threshold;
                *p = white;
                return white ? 255 : 0;
            });
        }
        case 40:
        case 80: {
            const int bits = code == 40 ? 4 : 8, top = (1 << bits) - 1;
            if (!out.allocate(rgb.width(), rgb.height(), bits, true)) return false;
            out.palette = greyPalette(bits);
            return mapGreyPixels(rgb, out, diffuse, [top](int grey, uint8_t* p) {
                const int level = (grey * top + 127) / 255;
                *p = uint8_t(level);
                return level * 255 / top;
            });
        }
        case 4:
        case 8: {
            const int bits = code;
            if (!out.allocate(rgb.width(), rgb.height(), bits)) return false;
            const PaletteMapper mapper(chooseColours(rgb, 1 << bits, params.fixedPalette));
            out.palette = mapper.palette();
            return mapPixels(rgb, out, diffuse, [&mapper](int r, int g, int b, uint8_t* p) {
                *p = mapper.nearest(r, g, b);
                return mapper.palette()[*p];
            });
        }
        case 16: {
            if (!out.allocate(rgb.width(), rgb.height(), 16)) return false;
            return mapPixels(rgb, out, diffuse, [](int r, int g, int b, uint8_t* p) {
                const auto v = uint16_t(((r * 31 + 127) / 255) << 11 | ((g * 63 + 127) / 255) << 5 |
                                        ((b * 31 + 127) / 255));
                std::memcpy(p, &v, 2);
                return unpackRgb565(v);
            });
        }
        case 24:
            out = rgb;
            return !out.empty() || fail(kErrMemory);
        default: {  // 32
            if (!out.allocate(rgb.width(), rgb.height(), 32)) return false;
            return mapPixels(rgb, out, false, [](int r, int g, int b, uint8_t* p) {
                p[0] = uint8_t(r), p[1] = uint8_t(g), p[2] = uint8_t(b), p[3] = 255;
                return Colour{p[0], p[1], p[2], 255};
            });
        }
    }
}

// Makes `result` the image, with the resolution, comment and metadata of the image it replaces.
void replaceKeepingNotes(Image& image, Image&& result) {
    result.dpiX = image.dpiX;
    result.dpiY = image.dpiY;
    result.comment = std::move(image.comment);
    result.metadata = std::move(image.metadata);
    image = std::move(result);
}

bool validCode(int code) {
    for (int valid : {1, 4, 40, 8, 80, 16, 24, 32})
        if (code == valid) return true;
    return false;
}

}  // namespace

bool reduceColours(Image& image, const ColourReduction& params) {
    if (image.empty()) return fail(kErrNoImage);
    if (!validCode(params.code) || params.threshold < 0 || params.threshold > 255)
        return fail(kErrBadParameter);
    const bool greyLevels16 = params.code == 40 || (params.code == 4 && image.grey());
    const int target = greyLevels16 ? 40 : params.code;
    const bool usesFixed = params.fixedPalette && (target == 4 || target == 8);
    if (image.colourCode() == target && target != 1 && !usesFixed) return true;

    Image converted;
    const Image* rgb = &image;
    if (image.bitsPerPixel() != 24) {
        if (!expandToRgb(image, converted, 24)) return false;
        rgb = &converted;
    }
    Image result;
    if (!quantizeTo(*rgb, params, greyLevels16, result)) return false;
    replaceKeepingNotes(image, std::move(result));
    return true;
}

bool hasTransparency(const Image& image) {
    if (image.hasPalette())
        return std::any_of(image.palette.begin(), image.palette.end(),
                           [](const Colour& c) { return c.a != 255; });
    if (image.bitsPerPixel() != 32) return false;
    std::atomic<bool> found{false};
    parallelRows(image.height(), [&](int y0, int y1) {
        for (int y = y0; y < y1 && !found.load(std::memory_order_relaxed); ++y) {
            const uint8_t* p = image.row(y);
            for (int x = 0; x < image.width(); ++x)
                if (p[4 * x + 3] != 255) {
                    found = true;
                    return;
                }
        }
    });
    return found;
}

bool reduceKeepingTransparency(Image& image) {
    if (image.empty()) return fail(kErrNoImage);
    if (image.bitsPerPixel() != 32) return true;
    constexpr uint8_t kOpaqueFrom = 128;
    Image rgb;
    if (!expandToRgb(image, rgb, 24)) return false;
    // The colours hidden under transparent pixels take no part in choosing the palette: they
    // show the first opaque colour while it is chosen.
    const uint8_t* firstOpaque = nullptr;
    for (int y = 0; y < image.height() && !firstOpaque; ++y)
        for (int x = 0; x < image.width() && !firstOpaque; ++x)
            if (image.row(y)[4 * x + 3] >= kOpaqueFrom) firstOpaque = rgb.row(y) + 3 * x;
    if (firstOpaque) {
        const uint8_t fill[3] = {firstOpaque[0], firstOpaque[1], firstOpaque[2]};
        parallelRows(image.height(), [&](int y0, int y1) {
            for (int y = y0; y < y1; ++y)
                for (int x = 0; x < image.width(); ++x)
                    if (image.row(y)[4 * x + 3] < kOpaqueFrom)
                        std::memcpy(rgb.row(y) + 3 * x, fill, 3);
        });
    }
    Image out;
    if (!out.allocate(image.width(), image.height(), 8)) return false;
    const PaletteMapper mapper(chooseColours(rgb, 255, false));
    const bool mapped = mapPixels(rgb, out, true, [&mapper](int r, int g, int b, uint8_t* p) {
        *p = mapper.nearest(r, g, b);
        return mapper.palette()[*p];
    });
    if (!mapped) return false;
    out.palette = mapper.palette();
    const auto transparent = uint8_t(out.palette.size());
    out.palette.push_back(Colour{0, 0, 0, 0});
    parallelRows(image.height(), [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y)
            for (int x = 0; x < image.width(); ++x)
                if (image.row(y)[4 * x + 3] < kOpaqueFrom) out.row(y)[x] = transparent;
    });
    replaceKeepingNotes(image, std::move(out));
    return true;
}

double meanColourError(const Image& a, const Image& b) {
    if (a.width() != b.width() || a.height() != b.height() || a.empty()) return -1;
    std::vector<double> rows(size_t(a.height()));
    parallelRows(a.height(), [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            double sum = 0;
            for (int x = 0; x < a.width(); ++x) {
                const Colour p = a.pixel(x, y), q = b.pixel(x, y);
                const int dr = p.r - q.r, dg = p.g - q.g, db = p.b - q.b;
                sum += std::sqrt(double(dr * dr + dg * dg + db * db));
            }
            rows[size_t(y)] = sum;
        }
    });
    double total = 0;
    for (double row : rows) total += row;
    return total / (double(a.width()) * double(a.height()));
}

}  // namespace ximora::engine
