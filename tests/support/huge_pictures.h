#pragma once
// Files that claim huge pictures, made in a few kilobytes: genuine ones (a run-length bitmap
// that ends early, a GIF whose small frame sits on a huge screen, a PNG of one colour) and
// bombs whose data is cut short (headers patched to huge sides). Built from the engine's own
// small files, so every structure but the patched sides is valid.

#include <zlib.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "engine/codecs/codec.h"
#include "engine/codecs/registry.h"
#include "engine/core/image.h"
#include "engine/io/bytes.h"

namespace ximora::test {

using Bytes = std::vector<uint8_t>;

inline void putBe32(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v >> 24), p[1] = uint8_t(v >> 16), p[2] = uint8_t(v >> 8), p[3] = uint8_t(v);
}
inline void putBe16(uint8_t* p, uint32_t v) { p[0] = uint8_t(v >> 8), p[1] = uint8_t(v); }
inline void putLe32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}

/// An 8-bit run-length bitmap of width × height: a few runs on the bottom rows, then the
/// end-of-bitmap escape (the rest is index 0, a genuine picture) or, with `cutShort`, nothing
/// more (the data ends before the picture: error 23).
inline Bytes runLengthBitmap(int width, int height, bool cutShort = false) {
    Bytes rle;
    for (int row = 0; row < 3; ++row) {
        for (int x = 0; x < std::min(width, 2000); x += 250) rle.insert(rle.end(), {250, 1});
        rle.insert(rle.end(), {0, 0});
    }
    if (!cutShort) rle.insert(rle.end(), {0, 1});
    Bytes out;
    engine::ByteWriter w(out);
    const uint32_t offset = 14 + 40 + 8;
    w.u8('B'), w.u8('M'), w.le32(offset + uint32_t(rle.size())), w.le32(0), w.le32(offset);
    w.le32(40), w.le32(uint32_t(width)), w.le32(uint32_t(height)), w.le16(1), w.le16(8);
    w.le32(1), w.le32(uint32_t(rle.size())), w.le32(2835), w.le32(2835), w.le32(2), w.le32(0);
    w.le32(0x00FFFFFF), w.le32(0x000000FF);  // white, blue (B, G, R, 0)
    w.bytes(rle.data(), rle.size());
    return out;
}

/// A 1-bit grey PNG of one colour (black), width × height: a genuine picture whose file stays
/// small. Deflating gigabytes of zeros would take seconds, so a block of rows is deflated once,
/// after a full flush (no reference to earlier data), and repeated.
inline Bytes plainPng(uint32_t width, uint32_t height) {
    Bytes out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    auto chunk = [&](const char* type, const Bytes& data) {
        uint8_t head[8];
        putBe32(head, uint32_t(data.size()));
        std::memcpy(head + 4, type, 4);
        out.insert(out.end(), head, head + 8);
        out.insert(out.end(), data.begin(), data.end());
        uLong crc = crc32(0, head + 4, 4);
        crc = crc32(crc, data.data(), uInt(data.size()));
        uint8_t tail[4];
        putBe32(tail, uint32_t(crc));
        out.insert(out.end(), tail, tail + 4);
    };
    Bytes header(13, 0);
    putBe32(header.data(), width);
    putBe32(header.data() + 4, height);
    header[8] = 1;  // bit depth; colour type 0 (grey), no interlace
    chunk("IHDR", header);

    constexpr uint32_t kBlockRows = 64;
    const size_t rowBytes = 1 + (width + 7) / 8;  // filter byte, then black pixels
    z_stream z{};
    deflateInit(&z, 9);
    // Deflates `rows` rows of zeros and flushes fully; returns what came out.
    auto deflateRows = [&](uint32_t rows) {
        const Bytes zeros(rowBytes * rows, 0);
        Bytes produced, buffer(zeros.size() + 1024);
        z.next_in = const_cast<Bytef*>(zeros.data());
        z.avail_in = uInt(zeros.size());
        do {
            z.next_out = buffer.data();
            z.avail_out = uInt(buffer.size());
            deflate(&z, Z_FULL_FLUSH);
            produced.insert(produced.end(), buffer.data(),
                            buffer.data() + (buffer.size() - z.avail_out));
        } while (z.avail_out == 0);
        return produced;
    };
    Bytes data = deflateRows(0);  // the stream header
    const Bytes block = deflateRows(kBlockRows);
    for (uint32_t y = 0; y + kBlockRows <= height; y += kBlockRows)
        data.insert(data.end(), block.begin(), block.end());
    const Bytes rest = deflateRows(height % kBlockRows);
    data.insert(data.end(), rest.begin(), rest.end());
    deflateEnd(&z);
    // A last, empty block with fixed codes; then the Adler-32 of the zeros: 1 and the length.
    const uint64_t length = uint64_t(rowBytes) * height;
    data.insert(data.end(), {0x03, 0x00});
    uint8_t adler[4];
    putBe32(adler, uint32_t((length % 65521) << 16 | 1));
    data.insert(data.end(), adler, adler + 4);
    chunk("IDAT", data);
    chunk("IEND", {});
    return out;
}

/// `plainPng` with its data cut to a few kilobytes and no end: a bomb (error 23).
inline Bytes cutPng(uint32_t width, uint32_t height) {
    Bytes whole = plainPng(std::min<uint32_t>(width, 4000), std::min<uint32_t>(height, 4000));
    putBe32(whole.data() + 16, width);
    putBe32(whole.data() + 20, height);
    putBe32(whole.data() + 29, uint32_t(crc32(0, whole.data() + 12, 17)));  // IHDR's CRC
    whole.resize(std::min<size_t>(whole.size(), 4000));
    return whole;
}

/// A small PNG whose text chunk, right after the header, claims `length` bytes that the file
/// does not hold (libpng allocates a text chunk at its declared length before reading it).
inline Bytes pngWithForgedTextLength(uint32_t length) {
    Bytes whole = plainPng(9, 7);
    const size_t afterHeader = 8 + 12 + 13;
    Bytes text(12, 0);
    putBe32(text.data(), length);
    std::memcpy(text.data() + 4, "tEXt", 4);
    std::memcpy(text.data() + 8, "Comm", 4);
    whole.insert(whole.begin() + long(afterHeader), text.begin(), text.end());
    return whole;
}

/// A small picture of the engine's own writer in `format`, to be patched.
inline Bytes smallFile(int format, int bits = 24) {
    engine::Image image;
    image.allocateZeroed(16, 16, bits);
    if (bits <= 8) image.palette = engine::greyPalette(bits);
    engine::SaveOptions options;
    options.format = format;
    Bytes out;
    engine::encodeImage(image, options, out);
    return out;
}

/// A GIF whose 16 × 16 frame lies on a logical screen of width × height: a genuine picture of
/// that size, mostly background.
inline Bytes hugeScreenGif(uint16_t width, uint16_t height) {
    Bytes gif = smallFile(engine::kSaveGif, 8);
    gif[6] = uint8_t(width), gif[7] = uint8_t(width >> 8);
    gif[8] = uint8_t(height), gif[9] = uint8_t(height >> 8);
    return gif;
}

/// A baseline JPEG whose frame header claims width × height; its data is that of 16 × 16.
inline Bytes hugeJpeg(uint16_t width, uint16_t height) {
    Bytes jpeg = smallFile(engine::kSaveJpeg);
    for (size_t i = 2; i + 9 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC0) {
            putBe16(jpeg.data() + i + 5, height);
            putBe16(jpeg.data() + i + 7, width);
            break;
        }
    return jpeg;
}

/// A TIFF whose directory claims width × height over the strip of 16 × 16.
inline Bytes hugeTiff(uint32_t width, uint32_t height) {
    Bytes tiff = smallFile(engine::kSaveTiff);
    const uint32_t ifd = engine::readLe32(tiff.data() + 4);
    const uint16_t count = engine::readLe16(tiff.data() + ifd);
    for (uint32_t i = 0; i < count; ++i) {
        uint8_t* entry = tiff.data() + ifd + 2 + 12 * i;
        const uint16_t tag = engine::readLe16(entry), type = engine::readLe16(entry + 2);
        if (tag != 256 && tag != 257) continue;
        const uint32_t value = tag == 256 ? width : height;
        if (type == 3)
            entry[8] = uint8_t(value), entry[9] = uint8_t(value >> 8);
        else
            putLe32(entry + 8, value);
    }
    return tiff;
}

/// A PCX whose header claims 65535 × 65535.
inline Bytes hugePcx() {
    Bytes pcx = smallFile(engine::kSavePcx, 8);
    pcx[8] = pcx[10] = 0xFE, pcx[9] = pcx[11] = 0xFF;  // right and bottom edges: 65534
    return pcx;
}

/// `j2k`, a codestream of one tile, with its size marker claiming width × height in one tile.
inline Bytes withCodestreamSides(Bytes j2k, uint32_t width, uint32_t height) {
    // SOC, then SIZ: marker, length, capabilities, Xsiz, Ysiz, XOsiz, YOsiz, XTsiz, YTsiz.
    putBe32(j2k.data() + 8, width);
    putBe32(j2k.data() + 12, height);
    putBe32(j2k.data() + 24, width);
    putBe32(j2k.data() + 28, height);
    return j2k;
}

/// A JPEG 2000 codestream whose size marker claims width × height in one tile.
inline Bytes hugeCodestream(uint32_t width, uint32_t height) {
    return withCodestreamSides(smallFile(engine::kSaveJ2k), width, height);
}

/// A uniform grey JPEG 2000 codestream of width × height (below 32768, one precinct per
/// resolution): every wavelet coefficient is zero, so each packet is empty and the file stays
/// a few hundred bytes. A genuine picture, made by patching the sides of a small one.
inline Bytes uniformCodestream(uint32_t width, uint32_t height) {
    engine::Image image;
    image.allocate(16, 16, 8, true);
    image.palette = engine::greyPalette(8);
    for (int y = 0; y < 16; ++y) std::memset(image.row(y), 128, 16);  // 0 after the level shift
    engine::SaveOptions options;
    options.format = engine::kSaveJ2k;
    Bytes j2k;
    engine::encodeImage(image, options, j2k);
    return withCodestreamSides(std::move(j2k), width, height);
}

/// A blank (white) bilevel TIFF page of width × height in CCITT Group 4, as a scanner writes a
/// blank fax page: a bit a row, then the end of the facsimile block. A genuine picture.
inline Bytes blankFaxTiff(uint32_t width, uint32_t height) {
    Bytes data((height + 7) / 8, 0xFF);  // every row: vertical mode 0, the code "1"
    if (height % 8) data.back() = uint8_t(0xFF << (8 - height % 8));
    data.insert(data.end(), {0x00, 0x10, 0x01});  // two end-of-line codes
    Bytes out;
    engine::ByteWriter w(out);
    w.u8('I'), w.u8('I'), w.le16(42), w.le32(8 + uint32_t(data.size()));
    w.bytes(data.data(), data.size());
    const uint32_t entries[][3] = {
        {256, 4, width}, {257, 4, height}, {258, 3, 1},
        {259, 3, 4},     {262, 3, 0},      {273, 4, 8},
        {277, 3, 1},     {278, 4, height}, {279, 4, uint32_t(data.size())}};
    w.le16(uint16_t(std::size(entries)));
    for (const auto& e : entries) {
        w.le16(uint16_t(e[0])), w.le16(uint16_t(e[1])), w.le32(1);
        if (e[1] == 3)
            w.le16(uint16_t(e[2])), w.le16(0);
        else
            w.le32(e[2]);
    }
    w.le32(0);
    return out;
}

/// An extended WebP file whose VP8X header claims a canvas of width × height (1 to 16384) and
/// that ends there: a bomb (error 17).
inline Bytes hugeWebpCanvas(uint32_t width, uint32_t height) {
    Bytes webp = {'R', 'I', 'F', 'F', 22, 0, 0, 0, 'W', 'E', 'B', 'P',
                  'V', 'P', '8', 'X', 10, 0, 0, 0, 0,   0,   0,   0};
    for (uint32_t side : {width - 1, height - 1})
        webp.insert(webp.end(), {uint8_t(side), uint8_t(side >> 8), uint8_t(side >> 16)});
    return webp;
}

/// `file` (HEIF or AVIF) with every image spatial extent box (ispe) claiming width × height;
/// its coded data is that of the small picture.
inline Bytes withHugeExtents(Bytes file, uint32_t width, uint32_t height) {
    for (size_t i = 0; i + 16 <= file.size(); ++i)
        if (std::memcmp(file.data() + i, "ispe", 4) == 0) {
            putBe32(file.data() + i + 8, width);  // after the version and flags
            putBe32(file.data() + i + 12, height);
        }
    return file;
}

}  // namespace ximora::test
