// Encoder for TIFF 6.0: https://www.itu.int/itudoc/itu-t/com16/tiff-fx/docs/tiff6.pdf
#include <algorithm>
#include <cstring>

#include "engine/codecs/row_convert.h"
#include "engine/codecs/tiff/tiff_codec.h"
#include "engine/codecs/tiff/tiff_file.h"
#include "engine/core/error.h"
#include "engine/metadata/exif.h"

namespace ximora::engine {
namespace {

bool hasTransparentEntry(const Image& image) {
    return image.hasPalette() && std::any_of(image.palette.begin(), image.palette.end(),
                                             [](const Colour& c) { return c.a != 255; });
}

// How the samples are stored: the file's 16-bit samples where the picture still has them, RGBA
// for a palette with transparent entries (a TIFF colour map holds no alpha), else the nominal
// depth.
struct SampleLayout {
    const DeepSamples* deep = nullptr;
    bool paletteAsRgba = false;
    uint16_t samples = 1, bits = 8;
};

SampleLayout sampleLayoutFor(const Image& image) {
    SampleLayout layout;
    const int bits = image.bitsPerPixel();
    layout.deep = currentDeepSamples(image);
    layout.paletteAsRgba = !layout.deep && hasTransparentEntry(image);
    if (layout.deep) {
        layout.samples = uint16_t(layout.deep->channels);
        layout.bits = 16;
    } else if (layout.paletteAsRgba) {
        layout.samples = 4;
    } else {
        layout.samples = bits == 32 ? 4 : bits > 8 ? 3 : 1;
        layout.bits = bits > 8 ? 8 : uint16_t(bits);
    }
    return layout;
}

uint16_t photometricFor(const Image& image, const SampleLayout& layout) {
    if (layout.deep) return layout.samples == 1 ? PHOTOMETRIC_MINISBLACK : PHOTOMETRIC_RGB;
    if (image.bitsPerPixel() > 8 || layout.paletteAsRgba) return PHOTOMETRIC_RGB;
    if (indexesAreGreyLevels(image)) return PHOTOMETRIC_MINISBLACK;
    const auto& p = image.palette;
    const bool whiteThenBlack = image.bitsPerPixel() == 1 && p.size() == 2 &&
                                p[0] == Colour{255, 255, 255, 255} && p[1] == Colour{0, 0, 0, 255};
    return whiteThenBlack ? PHOTOMETRIC_MINISWHITE : PHOTOMETRIC_PALETTE;
}

void setColourMap(const TiffLibrary& lib, TIFF* t, const Image& image, std::vector<uint16_t>& map) {
    const size_t entries = size_t(1) << image.bitsPerPixel();
    map.assign(entries * 3, 0);
    for (size_t i = 0; i < std::min(entries, image.palette.size()); ++i) {
        map[i] = uint16_t(image.palette[i].r * 257);
        map[entries + i] = uint16_t(image.palette[i].g * 257);
        map[2 * entries + i] = uint16_t(image.palette[i].b * 257);
    }
    lib.TIFFSetField(t, TIFFTAG_COLORMAP, map.data(), map.data() + entries,
                     map.data() + 2 * entries);
}

void setTags(const TiffLibrary& lib, TIFF* t, const Image& image) {
    if (image.dpiX > 0 && image.dpiY > 0) {
        lib.TIFFSetField(t, TIFFTAG_XRESOLUTION, float(image.dpiX));
        lib.TIFFSetField(t, TIFFTAG_YRESOLUTION, float(image.dpiY));
        lib.TIFFSetField(t, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
    }
    if (!image.comment.empty())
        lib.TIFFSetField(t, TIFFTAG_IMAGEDESCRIPTION, image.comment.c_str());
    const auto& xmp = image.metadata.xmp;
    if (!xmp.empty()) lib.TIFFSetField(t, TIFFTAG_XMLPACKET, uint32_t(xmp.size()), xmp.data());
    const auto& icc = image.metadata.icc;
    if (!icc.empty()) lib.TIFFSetField(t, TIFFTAG_ICCPROFILE, uint32_t(icc.size()), icc.data());
}

// Packs one row of palette indexes (one per byte) at `bits` per sample, most significant first.
void packRow(const uint8_t* in, int width, int bits, uint8_t* out) {
    const size_t bytes = (size_t(width) * size_t(bits) + 7) / 8;
    std::fill(out, out + bytes, 0);
    const unsigned mask = (1u << bits) - 1;
    for (int x = 0; x < width; ++x) {
        const unsigned v = in[x] & mask;
        const size_t bit = size_t(x) * size_t(bits);
        out[bit >> 3] |= uint8_t(v << (8 - bits - int(bit & 7)));
    }
}

}  // namespace

bool encodeTiff(const Image& image, const SaveOptions& options, std::vector<uint8_t>& out) {
    if (image.empty()) return fail(kErrNoImage);
    const int bits = image.bitsPerPixel();
    const SampleLayout layout = sampleLayoutFor(image);
    const uint16_t photometric = photometricFor(image, layout);
    const uint16_t samples = layout.samples;
    const uint16_t sampleBits = layout.bits;
    const bool lzw = options.format == kSaveTiffLzw;

    std::vector<uint8_t> bytes;
    std::vector<uint16_t> map;
    std::vector<uint8_t> row(size_t(image.width()) * 8);
    {
        TiffFile file;
        if (!file.openForWriting(bytes)) return false;
        const TiffLibrary& lib = file.library();
        TIFF* t = file.tiff();
        lib.TIFFSetField(t, TIFFTAG_IMAGEWIDTH, uint32_t(image.width()));
        lib.TIFFSetField(t, TIFFTAG_IMAGELENGTH, uint32_t(image.height()));
        lib.TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, sampleBits);
        lib.TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, samples);
        lib.TIFFSetField(t, TIFFTAG_PHOTOMETRIC, photometric);
        lib.TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
        lib.TIFFSetField(t, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
        lib.TIFFSetField(t, TIFFTAG_COMPRESSION, lzw ? COMPRESSION_LZW : COMPRESSION_NONE);
        if (lzw && sampleBits >= 8 && photometric != PHOTOMETRIC_PALETTE)
            lib.TIFFSetField(t, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
        if (samples == 4) {
            const uint16_t extra = EXTRASAMPLE_UNASSALPHA;
            lib.TIFFSetField(t, TIFFTAG_EXTRASAMPLES, 1, &extra);
        }
        if (photometric == PHOTOMETRIC_PALETTE) setColourMap(lib, t, image, map);
        lib.TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, lib.TIFFDefaultStripSize(t, 0));
        setTags(lib, t, image);

        for (int y = 0; y < image.height(); ++y) {
            // The predictor differences the row in place, so libtiff always gets a copy.
            if (layout.deep)
                std::memcpy(row.data(), layout.deep->row(y),
                            size_t(image.width()) * size_t(samples) * 2);
            else if (layout.paletteAsRgba)
                rowToRgba(image, y, row.data());
            else if (bits == 8 || bits == 24 || bits == 32)
                std::memcpy(row.data(), image.row(y), size_t(image.width()) * size_t(samples));
            else if (bits == 16)
                rowToRgb(image, y, row.data());
            else
                packRow(image.row(y), image.width(), bits, row.data());
            if (lib.TIFFWriteScanline(t, row.data(), uint32_t(y), 0) < 0)
                return file.fail(kErrCannotWrite);
        }
        if (!file.finishWriting()) return false;
    }
    // libtiff cannot copy an Exif directory as a whole; it is appended to the finished file.
    if (!image.metadata.exif.empty()) appendExifToTiff(bytes, image.metadata.exif);
    out = std::move(bytes);
    return true;
}

}  // namespace ximora::engine
