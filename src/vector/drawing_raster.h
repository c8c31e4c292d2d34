#pragma once
// Drawings painted into the engine's rasters: thumbnails, and the pictures the drawing worker
// hands to the program.

#include <QSize>

#include "engine/core/image.h"

namespace ximora::vector {

class VectorDrawing;

/// `natural` in its own proportions fitted into a square of `size` pixels; each side at least 1.
QSize fittedInto(QSize natural, int size);

/// Paints the whole `drawing` stretched to `size` over white into `picture`, 24-bit RGB. False
/// with error 3 when the raster cannot be had.
bool paintDrawing(const VectorDrawing& drawing, QSize size, engine::Image& picture);

}  // namespace ximora::vector
