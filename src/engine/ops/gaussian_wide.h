#pragma once
// The two passes of the integer Gaussian with 512-bit vectors, for processors that have them
// (AVX-512BW). Their sums are the same integers as the plain passes in gaussian.cpp compute:
// samples and weights fit 16 bits, so 16 × 16 → 32-bit multiply-adds give exact products, and
// the kernel's symmetry lets the vertical pass add the two rows of a weight before multiplying.

#include <cstddef>
#include <cstdint>

#if defined(__x86_64__) && defined(__GNUC__)
#define XIMORA_WIDE_GAUSSIAN 1

namespace ximora::engine {

/// Whether this processor runs the passes below.
bool wideGaussianAvailable();

/// Vertical pass: mid[i] = (sum over k of weights[k] × rows[k][i] + 32) >> 6, for i < len,
/// stored with its top bit flipped (mid − 32768 as a signed 16-bit value), which the
/// horizontal pass expects. rows and weights hold 2 × radius + 1 entries, symmetric weights.
void wideVerticalPass(const uint8_t* const* rows, const uint32_t* weights, int radius, size_t len,
                      uint16_t* mid);

/// Horizontal pass over the flipped mid values of wideVerticalPass: out[i] = (sum over k of
/// weights[k] × mid[i + k × step] + 2^21) >> 22 for i < len, with `taps` weights summing to 2^14.
void wideHorizontalPass(const uint16_t* mid, const uint32_t* weights, int taps, int step,
                        size_t len, uint8_t* out);

}  // namespace ximora::engine

#endif
