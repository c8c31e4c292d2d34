#include "engine/ops/colour_function.h"

#include <algorithm>

namespace ximora::engine {
namespace {

bool isGrey(const Colour& c) { return c.r == c.g && c.g == c.b; }

int nearestEntry(const std::vector<Colour>& palette, Colour c) {
    int best = 0, bestDistance = 1 << 30;
    for (size_t i = 0; i < palette.size(); ++i) {
        const int dr = palette[i].r - c.r, dg = palette[i].g - c.g, db = palette[i].b - c.b;
        const int d = dr * dr + dg * dg + db * db;
        if (d < bestDistance) bestDistance = d, best = int(i);
    }
    return best;
}

}  // namespace

uint8_t paletteEntryFor(std::vector<Colour>& palette, int bits, const Colour& colour) {
    const auto found = std::find(palette.begin(), palette.end(), colour);
    if (found != palette.end()) return uint8_t(found - palette.begin());
    if (palette.size() < (size_t(1) << bits)) {
        palette.push_back(colour);
        return uint8_t(palette.size() - 1);
    }
    return uint8_t(nearestEntry(palette, colour));
}

void updateGreyFlag(Image& image) {
    if (image.grey() && !std::all_of(image.palette.begin(), image.palette.end(), isGrey))
        image.setGrey(false);
}

void remapPalette(Image& image, const AreaMask& mask, const std::function<Colour(Colour)>& fn) {
    auto& palette = image.palette;
    if (mask.coversAll()) {
        for (Colour& c : palette) c = fn(c);
    } else {
        bool used[256] = {};
        for (int y = 0; y < image.height(); ++y)
            for (const Span& s : mask.spans(y))
                for (int x = s.x0; x < s.x1; ++x) used[image.row(y)[x]] = true;
        uint8_t map[256];
        for (int i = 0; i < 256; ++i) {
            map[i] = uint8_t(i);
            if (!used[i]) continue;
            const Colour from = size_t(i) < palette.size() ? palette[i] : Colour{};
            map[i] = paletteEntryFor(palette, image.bitsPerPixel(), fn(from));
        }
        parallelRows(image.height(), [&](int y0, int y1) {
            for (int y = y0; y < y1; ++y) {
                uint8_t* row = image.row(y);
                for (const Span& s : mask.spans(y))
                    for (int x = s.x0; x < s.x1; ++x) row[x] = map[row[x]];
            }
        });
    }
    updateGreyFlag(image);
}

}  // namespace ximora::engine
