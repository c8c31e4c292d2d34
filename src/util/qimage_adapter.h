#pragma once
// The one place where an engine image becomes a QImage for painting.

#include <QImage>

#include "engine/core/image.h"

namespace ximora::util {

/// A QImage that shares the engine image's pixels (no copy). It stays valid only while the
/// engine image lives and keeps its raster; copy it (QImage::copy) to keep it longer.
QImage wrapForPainting(const engine::Image& image);

/// A deep copy as a QImage in the layout that matches the nominal depth.
QImage toQImage(const engine::Image& image);

/// A 24-bit (or 32-bit when `keepAlpha` and the image has alpha) engine image from a QImage;
/// empty, with error 3 set, when it does not fit the memory budget.
engine::Image fromQImage(const QImage& image, bool keepAlpha = false);

}  // namespace ximora::util
