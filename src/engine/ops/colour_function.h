#pragma once
// Applies a per-pixel colour function to the covered pixels of an image at any depth. Tone and
// colour operations are written once as a function of (r, g, b); this helper knows the layouts.

#include <cstring>
#include <functional>

#include "engine/core/area.h"
#include "engine/core/error.h"
#include "engine/core/image.h"
#include "engine/core/parallel.h"

namespace ximora::engine {

/// The index of `colour` in a palette of at most 2^bits entries: the entry of that colour, a new
/// entry while there is room, else the nearest entry (RGB distance).
uint8_t paletteEntryFor(std::vector<Colour>& palette, int bits, const Colour& colour);

/// The grey flag stays only while every palette entry is grey.
void updateGreyFlag(Image& image);

/// Changes the palette of a palette image for the pixels the mask covers. When the mask covers
/// the whole image the entries themselves change (indexes stay); otherwise each index used inside
/// the area is pointed at the changed colour: an existing entry of that colour, a new entry while
/// the palette has room (2^bits entries), else the nearest entry. The grey flag stays only while
/// every entry is grey.
void remapPalette(Image& image, const AreaMask& mask, const std::function<Colour(Colour)>& fn);

/// Runs fn(r, g, b) (each a uint8_t&) on every covered pixel. 24 and 32 bits change in place
/// (alpha kept), 16 bits go through 8-bit RGB and back to 5-6-5, palette images through
/// remapPalette. The nominal depth never changes. Fails with error 24 without an image.
template <class Fn>
bool applyColourFunction(Image& image, const Area& area, Fn fn) {
    if (image.empty()) return fail(kErrNoImage);
    const AreaMask mask(area, image.width(), image.height());
    const int bpp = image.bitsPerPixel();
    if (bpp <= 8) {
        remapPalette(image, mask, [&fn](Colour c) {
            fn(c.r, c.g, c.b);
            return c;
        });
        return true;
    }
    parallelRows(image.height(), [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            uint8_t* row = image.row(y);
            for (const Span& s : mask.spans(y)) {
                if (bpp == 16) {
                    for (int x = s.x0; x < s.x1; ++x) {
                        uint16_t v;
                        std::memcpy(&v, row + size_t(x) * 2, 2);
                        Colour c = unpackRgb565(v);
                        fn(c.r, c.g, c.b);
                        v = packRgb565(c.r, c.g, c.b);
                        std::memcpy(row + size_t(x) * 2, &v, 2);
                    }
                } else {
                    const int n = bpp / 8;
                    for (uint8_t *p = row + size_t(s.x0) * n, *end = row + size_t(s.x1) * n;
                         p < end; p += n)
                        fn(p[0], p[1], p[2]);
                }
            }
        }
    });
    return true;
}

}  // namespace ximora::engine
