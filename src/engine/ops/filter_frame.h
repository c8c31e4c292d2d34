#pragma once
// The frame around every neighbourhood filter: turns the image into samples, lets the filter
// write a new plane from the old one, and puts the covered pixels back at the image's depth.

#include <functional>

#include "engine/core/area.h"
#include "engine/core/image.h"
#include "engine/ops/samples.h"

namespace ximora::engine {

/// kernel(src, dst) fills every sample of dst (same size and channels as src) from src; it runs
/// its own row bands through parallelRows. Only the pixels the area covers reach the image.
/// Fails with error 24 without an image, error 3 out of memory (image unchanged).
using FilterKernel = std::function<void(const Plane& src, const Plane& dst)>;
bool runFilter(Image& image, const Area& area, const FilterKernel& kernel);

/// Row y of a plane with rows past the top and bottom edges repeating the edge rows.
inline const uint8_t* clampedRow(const Plane& p, int y) {
    return p.row(y < 0 ? 0 : (y >= p.height ? p.height - 1 : y));
}

/// Copies a row into buf with `pad` pixels on each side repeating the edge pixels; buf holds
/// (width + 2 × pad) × channels samples.
void padRow(const Plane& p, const uint8_t* row, int pad, uint8_t* buf);

}  // namespace ximora::engine
