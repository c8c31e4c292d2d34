#pragma once
// Images and measures shared by the effect tests.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/core/area.h"
#include "engine/core/image.h"

namespace ximora::engine::testing {

/// A deterministic photo-like picture: smooth gradients, a few hard-edged shapes and grain.
Image photo(int width, int height, int bitsPerPixel = 24);
/// One colour everywhere.
Image flat(int width, int height, Colour colour, int bitsPerPixel = 24);

/// Mean absolute difference per channel value over all pixels (same size and depth).
double meanDifference(const Image& a, const Image& b);
bool sameRaster(const Image& a, const Image& b);

/// An effect with fixed parameters, as the editor's menu applies it.
struct NamedEffect {
    std::string name;
    std::function<bool(Image&, const Area&)> apply;
};
/// Every effect with the values of the editor's menu commands (motion blur in all three kinds).
std::vector<NamedEffect> menuEffects();

}  // namespace ximora::engine::testing
