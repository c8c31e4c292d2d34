#pragma once
// Separable Gaussian smoothing in integer arithmetic, shared by blur and sharpen. Integer weights
// make the result independent of how rows are split between threads and keep flat areas exact.

#include <cstdint>
#include <functional>
#include <vector>

#include "engine/ops/samples.h"

namespace ximora::engine {

/// Weights of a Gaussian of standard deviation sigma (pixels), radius ceil(3 sigma), summing
/// exactly to 1 << kGaussianBits.
struct GaussianKernel {
    static constexpr int kGaussianBits = 14;
    explicit GaussianKernel(double sigma);
    int radius = 0;
    std::vector<uint32_t> weights;  ///< 2 × radius + 1 taps
};

/// Blurs rows [y0, y1) of src and hands each blurred row (width × channels samples) to
/// rowDone(y, blurred). Runs on the calling thread; callers split rows with parallelRows.
void gaussianRows(const Plane& src, const GaussianKernel& kernel, int y0, int y1,
                  const std::function<void(int y, const uint8_t* blurred)>& rowDone);

}  // namespace ximora::engine
