#pragma once
// The 128-byte PCX file header, shared by the PCX decoder and encoder.

#include <cstddef>
#include <cstdint>

namespace ximora::engine::pcx {

constexpr size_t kHeaderSize = 128;
constexpr uint8_t kManufacturer = 0x0A;
constexpr uint8_t kVersion = 5;  // 3.0 and later, with the 256-colour end palette
constexpr uint8_t kRunLength = 1;
constexpr uint8_t kEndPaletteMarker = 0x0C;
constexpr size_t kEndPaletteSize = 1 + 768;

// Byte offsets of the header fields.
enum Offset : size_t {
    kOffVersion = 1,
    kOffEncoding = 2,
    kOffBitsPerPixel = 3,
    kOffXMin = 4,
    kOffYMin = 6,
    kOffXMax = 8,
    kOffYMax = 10,
    kOffHorizontalDpi = 12,
    kOffVerticalDpi = 14,
    kOffHeaderPalette = 16,  // 16 entries of R, G, B
    kOffPlanes = 65,
    kOffBytesPerLine = 66,
    kOffPaletteInfo = 68,  // 1 colour, 2 grey
};

}  // namespace ximora::engine::pcx
