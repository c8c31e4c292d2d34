#pragma once
// Reduced copies of the current image for painting it small: level k is the image halved k
// times (box filter). A paint picks the level just above the on-screen size and scales only the
// visible rectangle of it, so a fitted 50-megapixel image never gets rescaled whole per paint.

#include <QImage>
#include <vector>

#include "engine/core/image.h"

namespace ximora::editor {

class ScaledPyramid {
  public:
    /// Starts over for `image` (which must outlive the pyramid's use or the next reset). The
    /// levels are built when first asked for.
    void reset(const engine::Image* image);

    /// The image to paint at `scale` (device pixels per image pixel) and, in `factor`, how many
    /// image pixels one of its pixels stands for (1, 2, 4, ...).
    const QImage& levelFor(double scale, int& factor);
    /// As levelFor without building anything: the nearest level made so far (the full image at
    /// worst). `ready` is false when levelFor would give a level not made yet.
    const QImage& builtLevelFor(double scale, int& factor, bool& ready) const;

    /// A copy at most `side` pixels on its longer side, for the pan window.
    QImage overview(int side);

  private:
    size_t levelIndex(double scale) const;

    const engine::Image* source_ = nullptr;
    QImage full_;                 // wraps the engine image's pixels (no copy)
    std::vector<QImage> levels_;  // levels_[k] is level k + 1
};

/// Halves an image with a 2 × 2 box filter (odd last row or column averaged with itself) into
/// a 32-bit RGB image, rows in parallel.
QImage halveImage(const QImage& source);

}  // namespace ximora::editor
