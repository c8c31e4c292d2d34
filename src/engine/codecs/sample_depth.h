#pragma once
// Samples of more than 8 bits brought down to 8, as the decoders of 10-, 12- and 16-bit formats
// hand them over.

#include <cstdint>

namespace ximora::engine {

/// `value` (0 to `maximum`, e.g. 1023 for 10 bits) as 0 to 255, rounded to the nearest level.
inline uint8_t narrowSample(uint32_t value, uint32_t maximum) {
    if (value >= maximum) return 255;
    return uint8_t((value * 255 + maximum / 2) / maximum);
}

/// `value` (0 to `maximum`) as 0 to 65535, rounded to the nearest level: the 16-bit sample a
/// picture of 10 or 12 bits keeps (engine/core/deep_samples.h).
inline uint16_t widenSample(uint32_t value, uint32_t maximum) {
    if (value >= maximum) return 65535;
    return uint16_t((uint64_t(value) * 65535 + maximum / 2) / maximum);
}

}  // namespace ximora::engine
