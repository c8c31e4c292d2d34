#pragma once
// Reduced copies of the current image for painting it small: level k is the image reduced 2^k
// times (box filter). A paint picks the level just above the on-screen size and scales only the
// visible rectangle of it, so a fitted 50-megapixel image never gets rescaled whole per paint.
// A level is made straight from the nearest larger one already made (the image itself at
// first), so fitting a 100-megapixel picture costs one reduced copy, not a chain of them.

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
    std::vector<QImage> levels_;  // levels_[k] is level k + 1, null until made
};

/// Reduces an image `factor` times (a power of two) with a factor × factor box filter into a
/// 32-bit RGB image of (width / factor) × (height / factor) pixels (at least 1 × 1), rows in
/// parallel, reading the engine's layouts in place. Blocks past the last row or column repeat
/// it, as halving an odd size does. A null image when memory runs out.
QImage reduceImage(const QImage& source, int factor);

}  // namespace ximora::editor
