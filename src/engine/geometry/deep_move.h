#pragma once
// The moves that only rearrange pixels (flips, turns, trimming) take an image's deep samples
// along: the moved samples are made before the raster changes, so that running out of memory
// leaves the image as it was, and attached after it, standing for the moved raster.

#include <memory>

#include "engine/core/deep_samples.h"
#include "engine/core/image.h"

namespace ximora::engine {

/// The image's current deep samples rearranged by `orientation` (orientation_map.h); empty when
/// it has none. False (error 3) when they cannot be made.
inline bool moveDeepSamples(const Image& image, int orientation,
                            std::unique_ptr<DeepSamples>& moved) {
    moved.reset();
    const DeepSamples* deep = currentDeepSamples(image);
    if (!deep) return true;
    moved = reorientedDeepSamples(*deep, orientation);
    return moved != nullptr;
}

}  // namespace ximora::engine
