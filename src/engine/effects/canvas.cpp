#include "engine/effects/canvas.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "engine/effects/covered_spans.h"
#include "engine/effects/prepare.h"

namespace ximora::engine {
namespace {

constexpr int kPeriod = 8;
constexpr int kThread = kPeriod / 2;
constexpr int kFall[4][2] = {{1, 1}, {-1, 1}, {-1, -1}, {1, -1}};

// Height of the cloth, highest in the middle of a thread and 0 in the joints.
double height(int x, int y) {
    x = (x % kPeriod + kPeriod) % kPeriod;
    y = (y % kPeriod + kPeriod) % kPeriod;
    const bool across = (x / kThread + y / kThread) % 2 == 0;
    const int t = across ? y % kThread : x % kThread;
    return std::sin(std::numbers::pi * (t + 0.5) / kThread);
}

}  // namespace

bool canvas(Image& image, const Area& area, const CanvasParams& params) {
    const bool valid =
        params.direction >= 0 && params.direction <= 3 && params.depth >= 0 && params.depth <= 255;
    if (!prepareEffect(image, valid)) return false;

    // A slope rising in the direction the light falls faces the light and comes out brighter.
    const int fx = kFall[params.direction][0], fy = kFall[params.direction][1];
    double slope[kPeriod][kPeriod], steepest = 0;
    for (int y = 0; y < kPeriod; ++y)
        for (int x = 0; x < kPeriod; ++x) {
            slope[y][x] = height(x + fx, y + fy) - height(x - fx, y - fy);
            steepest = std::max(steepest, std::abs(slope[y][x]));
        }
    int shade[kPeriod][kPeriod];
    for (int y = 0; y < kPeriod; ++y)
        for (int x = 0; x < kPeriod; ++x)
            shade[y][x] = int(std::lround(params.depth / 2.0 * slope[y][x] / steepest));

    const int n = image.bytesPerPixel();
    const AreaMask mask(area, image.width(), image.height());
    forCoveredSpans(mask, [&](int y, int x0, int x1) {
        const int* tile = shade[y % kPeriod];
        uint8_t* out = image.row(y);
        for (int x = x0; x < x1; ++x) {
            const int d = tile[x % kPeriod];
            uint8_t* p = out + x * n;
            for (int c = 0; c < 3; ++c) p[c] = uint8_t(std::clamp(p[c] + d, 0, 255));
        }
    });
    return true;
}

}  // namespace ximora::engine
