#include "engine/core/image.h"

#include <algorithm>
#include <cstring>

#include <sys/mman.h>

#include "engine/core/error.h"
#include "engine/core/rasterpool.h"

namespace ximora::engine {
namespace {
bool validDepth(int bpp) {
    return bpp == 1 || bpp == 4 || bpp == 8 || bpp == 16 || bpp == 24 || bpp == 32;
}
}  // namespace

int Image::storageBytesPerPixel(int bitsPerPixel) {
    switch (bitsPerPixel) {
        case 16:
            return 2;
        case 24:
            return 3;
        case 32:
            return 4;
        default:
            return 1;
    }
}

uint64_t Image::rasterBytes(int64_t width, int64_t height, int bitsPerPixel) {
    if (width < 1 || height < 1) return 0;
    const uint64_t stride =
        (uint64_t(width) * storageBytesPerPixel(bitsPerPixel) + 3) & ~uint64_t(3);
    return stride * uint64_t(height);
}

bool Image::fitsSides(int64_t width, int64_t height) {
    if (width < 1 || height < 1) return fail(kErrBadParameter);
    if (width > kMaxSide || height > kMaxSide) return fail(kErrMemory);
    return true;
}

bool Image::fitsLimits(int64_t width, int64_t height, int bitsPerPixel) {
    if (!validDepth(bitsPerPixel)) return fail(kErrBadParameter);
    if (!fitsSides(width, height)) return false;
    if (rasterBytes(width, height, bitsPerPixel) > memoryLimit()) return fail(kErrMemory);
    return true;
}

bool Image::allocate(int width, int height, int bitsPerPixel, bool grey) {
    if (!fitsLimits(width, height, bitsPerPixel)) return false;
    const size_t stride = (size_t(width) * storageBytesPerPixel(bitsPerPixel) + 3) & ~size_t(3);
    if (!acquirePixels(stride * size_t(height))) return fail(kErrMemory);
    takeLayout(width, height, bitsPerPixel, grey, stride);
    return true;
}

void Image::takeLayout(int width, int height, int bitsPerPixel, bool grey, size_t stride) {
    width_ = width;
    height_ = height;
    bpp_ = bitsPerPixel;
    grey_ = grey && bitsPerPixel <= 8;
    stride_ = stride;
    deep.reset();
    if (bitsPerPixel > 8) palette.clear();
}

bool Image::allocateZeroed(int width, int height, int bitsPerPixel, bool grey) {
    if (!allocate(width, height, bitsPerPixel, grey)) return false;
    std::memset(pixels_.get(), 0, byteCount());
    return true;
}

Image::Image(const Image& other)
    : palette(other.palette),
      dpiX(other.dpiX),
      dpiY(other.dpiY),
      comment(other.comment),
      metadata(other.metadata),
      deep(other.deep),
      width_(other.width_),
      height_(other.height_),
      bpp_(other.bpp_),
      grey_(other.grey_),
      stride_(other.stride_) {
    if (other.pixels_) {
        // A failed copy leaves an empty image (error 3); callers of duplicate check empty(). A
        // copy counts against the memory budget like any raster.
        if (other.byteCount() <= memoryLimit() && acquirePixels(other.byteCount())) {
            std::memcpy(pixels_.get(), other.pixels_.get(), other.byteCount());
        } else {
            width_ = height_ = bpp_ = 0, stride_ = 0;
            deep.reset();
            fail(kErrMemory);
        }
    }
}

void RasterRelease::operator()(uint8_t* buffer) const {
    if (mapped)
        munmap(buffer, capacity);
    else
        RasterPool::release(buffer, capacity);
}

bool Image::adoptMapping(int width, int height, int bitsPerPixel, bool grey, uint8_t* mapping,
                         size_t mappedBytes) {
    if (!fitsLimits(width, height, bitsPerPixel)) return false;
    const size_t stride = (size_t(width) * storageBytesPerPixel(bitsPerPixel) + 3) & ~size_t(3);
    if (stride * size_t(height) > mappedBytes) return fail(kErrBadParameter);
    pixels_ = std::unique_ptr<uint8_t[], RasterRelease>(mapping, RasterRelease{mappedBytes, true});
    charge_ = MemoryCharge(mappedBytes);
    takeLayout(width, height, bitsPerPixel, grey, stride);
    return true;
}

bool Image::acquirePixels(size_t bytes) {
    // The old raster stays until the new one exists, so a failure leaves the image as it was.
    size_t capacity = 0;
    uint8_t* buffer = RasterPool::acquire(bytes, capacity);
    if (!buffer) return false;
    pixels_ = std::unique_ptr<uint8_t[], RasterRelease>(buffer, RasterRelease{capacity});
    charge_ = MemoryCharge(capacity);
    return true;
}

Image& Image::operator=(const Image& other) {
    if (this != &other) {
        Image copy(other);
        *this = std::move(copy);
    }
    return *this;
}

uint64_t Image::dataSize() const {
    if (empty()) return 0;
    const uint64_t rowBytes = ((uint64_t(width_) * uint64_t(bpp_) + 31) / 32) * 4;
    return rowBytes * uint64_t(height_);
}

int Image::colourCode() const {
    if (grey_ && bpp_ == 4) return 40;
    if (grey_ && bpp_ == 8) return 80;
    return bpp_;
}

Colour Image::pixel(int x, int y) const {
    const uint8_t* p = row(y);
    switch (bpp_) {
        case 16: {
            uint16_t v;
            std::memcpy(&v, p + size_t(x) * 2, 2);
            return unpackRgb565(v);
        }
        case 24:
            return Colour{p[x * 3], p[x * 3 + 1], p[x * 3 + 2], 255};
        case 32:
            return Colour{p[x * 4], p[x * 4 + 1], p[x * 4 + 2], p[x * 4 + 3]};
        default: {
            const uint8_t index = p[x];
            return index < palette.size() ? palette[index] : Colour{};
        }
    }
}

std::vector<Colour> greyPalette(int bits) {
    const int count = 1 << bits;
    std::vector<Colour> ramp(count);
    for (int i = 0; i < count; ++i) {
        const auto v = uint8_t(i * 255 / (count - 1));
        ramp[i] = Colour{v, v, v, 255};
    }
    return ramp;
}

}  // namespace ximora::engine
