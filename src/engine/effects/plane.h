#pragma once
// One 8-bit value per pixel taken from a full-colour image, with a one-pixel border that
// repeats the edge, so 3×3 kernels read every neighbour without clamping.

#include <cstdint>

#include "engine/core/image.h"

namespace ximora::engine {

class PaddedPlane {
  public:
    /// Which value of a pixel the plane holds.
    enum Source { kLuma = 0, kRed = 1, kGreen = 2, kBlue = 3 };

    /// Fills the plane from a 24 or 32-bit image. Fails with kErrMemory when there is no room.
    bool build(const Image& image, Source source);

    /// Row y (-1 to height) with index 0 at pixel x = 0; indexes -1 and width are the border.
    const uint8_t* row(int y) const { return storage_.row(y + 1) + 1; }

  private:
    Image storage_;
};

}  // namespace ximora::engine
