#include "engine/ops/samples.h"

#include <cstdlib>
#include <cstring>

#include "engine/core/error.h"
#include "engine/core/parallel.h"

namespace ximora::engine {

Plane planeOf(const Image& samples) {
    return Plane{const_cast<uint8_t*>(samples.data()), samples.width(), samples.height(),
                 samples.stride(), samples.bytesPerPixel()};
}

SampleKind sampleKind(const Image& image) {
    switch (image.bitsPerPixel()) {
        case 24:
        case 32:
            return SampleKind::Native;
        case 16:
            return SampleKind::Rgb565;
        default:
            return image.grey() ? SampleKind::Grey : SampleKind::PaletteColour;
    }
}

void greyLevelToIndex(const std::vector<Colour>& palette, uint8_t (&table)[256]) {
    for (int v = 0; v < 256; ++v) {
        int best = 0, bestDistance = 1 << 30;
        for (size_t i = 0; i < palette.size(); ++i) {
            const int d = std::abs(luma(palette[i].r, palette[i].g, palette[i].b) - v);
            if (d < bestDistance) bestDistance = d, best = int(i);
        }
        table[v] = uint8_t(best);
    }
}

bool expandToRgb(const Image& src, Image& dst, int bitsPerPixel) {
    if (src.empty() || (bitsPerPixel != 24 && bitsPerPixel != 32)) return fail(kErrBadParameter);
    Image out;
    if (!out.allocate(src.width(), src.height(), bitsPerPixel)) return false;
    const int n = bitsPerPixel / 8;
    // Palette entries beyond the palette read as black, as Image::pixel does.
    Colour lookup[256];
    for (int i = 0; i < 256; ++i)
        lookup[i] = size_t(i) < src.palette.size() ? src.palette[i] : Colour{};
    parallelRows(src.height(), [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            const uint8_t* s = src.row(y);
            uint8_t* d = out.row(y);
            for (int x = 0; x < src.width(); ++x, d += n) {
                Colour c;
                switch (src.bitsPerPixel()) {
                    case 16: {
                        uint16_t v;
                        std::memcpy(&v, s + size_t(x) * 2, 2);
                        c = unpackRgb565(v);
                        break;
                    }
                    case 24:
                        c = Colour{s[x * 3], s[x * 3 + 1], s[x * 3 + 2], 255};
                        break;
                    case 32:
                        c = Colour{s[x * 4], s[x * 4 + 1], s[x * 4 + 2], s[x * 4 + 3]};
                        break;
                    default:
                        c = lookup[s[x]];
                }
                d[0] = c.r, d[1] = c.g, d[2] = c.b;
                if (n == 4) d[3] = c.a;
            }
        }
    });
    out.dpiX = src.dpiX, out.dpiY = src.dpiY;
    out.comment = src.comment;
    out.metadata = src.metadata;
    dst = std::move(out);
    return true;
}

bool extractSamples(const Image& image, Image& samples) {
    if (image.empty()) return fail(kErrNoImage);
    switch (sampleKind(image)) {
        case SampleKind::Native: {
            samples = image;
            return !samples.empty() || fail(kErrMemory);
        }
        case SampleKind::Rgb565:
        case SampleKind::PaletteColour:
            return expandToRgb(image, samples, 24);
        case SampleKind::Grey:
            break;
    }
    Image out;
    if (!out.allocate(image.width(), image.height(), 8)) return false;
    uint8_t level[256] = {};
    for (size_t i = 0; i < image.palette.size() && i < 256; ++i)
        level[i] = luma(image.palette[i].r, image.palette[i].g, image.palette[i].b);
    parallelRows(image.height(), [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            const uint8_t* s = image.row(y);
            uint8_t* d = out.row(y);
            for (int x = 0; x < image.width(); ++x) d[x] = level[s[x]];
        }
    });
    out.palette.clear();
    samples = std::move(out);
    return true;
}

namespace {

// Writes samples[x0, x1) of one row into the image row at the image's depth.
struct RowWriter {
    SampleKind kind;
    uint8_t toIndex[256];
    size_t pixelBytes;

    void write(const uint8_t* s, uint8_t* d, int x0, int x1) const {
        switch (kind) {
            case SampleKind::Native:
                std::memcpy(d + x0 * pixelBytes, s + x0 * pixelBytes, size_t(x1 - x0) * pixelBytes);
                break;
            case SampleKind::Grey:
                for (int x = x0; x < x1; ++x) d[x] = toIndex[s[x]];
                break;
            case SampleKind::Rgb565:
                for (int x = x0; x < x1; ++x) {
                    const uint16_t v = packRgb565(s[x * 3], s[x * 3 + 1], s[x * 3 + 2]);
                    std::memcpy(d + size_t(x) * 2, &v, 2);
                }
                break;
            case SampleKind::PaletteColour:
                break;  // converted to Native before writing
        }
    }
};

}  // namespace

bool storeSamples(const Image& samples, const AreaMask& mask, Image& image) {
    if (image.empty()) return fail(kErrNoImage);
    if (samples.width() != image.width() || samples.height() != image.height() ||
        mask.width() != image.width() || mask.height() != image.height())
        return fail(kErrBadParameter);
    RowWriter writer{sampleKind(image), {}, size_t(image.bytesPerPixel())};
    if (writer.kind == SampleKind::PaletteColour) {
        if (mask.coversAll()) {
            Image copy = samples;
            if (copy.empty()) return fail(kErrMemory);
            adoptRaster(image, std::move(copy));
            image.palette.clear();
            image.setGrey(false);
            return true;
        }
        Image rgb;
        if (!expandToRgb(image, rgb, 24)) return false;
        adoptRaster(image, std::move(rgb));
        image.palette.clear();
        image.setGrey(false);
        writer.kind = SampleKind::Native;
        writer.pixelBytes = 3;
    }
    if (writer.kind == SampleKind::Native && samples.bitsPerPixel() != image.bitsPerPixel())
        return fail(kErrBadParameter);
    if (writer.kind == SampleKind::Grey) greyLevelToIndex(image.palette, writer.toIndex);
    parallelRows(image.height(), [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y)
            for (const Span& s : mask.spans(y))
                writer.write(samples.row(y), image.row(y), s.x0, s.x1);
    });
    return true;
}

bool samplesToImage(Image&& samples, const Image& like, Image& out) {
    const SampleKind kind = sampleKind(like);
    Image result;
    if (kind == SampleKind::Native || kind == SampleKind::PaletteColour) {
        result = std::move(samples);
        result.palette.clear();
        result.setGrey(false);
    } else {
        if (!result.allocate(samples.width(), samples.height(), like.bitsPerPixel(), like.grey()))
            return false;
        result.palette = like.palette;
        const AreaMask all(Area::whole(), samples.width(), samples.height());
        if (!storeSamples(samples, all, result)) return false;
    }
    result.dpiX = like.dpiX, result.dpiY = like.dpiY;
    result.comment = like.comment;
    result.metadata = like.metadata;
    out = std::move(result);
    return true;
}

void adoptRaster(Image& target, Image&& raster) {
    raster.palette = std::move(target.palette);
    raster.dpiX = target.dpiX, raster.dpiY = target.dpiY;
    raster.comment = std::move(target.comment);
    raster.metadata = std::move(target.metadata);
    raster.setGrey(target.grey() && raster.bitsPerPixel() <= 8);
    target = std::move(raster);
}

}  // namespace ximora::engine
