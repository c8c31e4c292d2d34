// Times the engine's pixel and geometric operations on a generated 24-megapixel photo-like
// image. Usage: bench_ops [--only NAME] [PPM_OUT] — writes the test image (binary PPM) for the
// peer tools when a path is given, and prints one line per operation: "name seconds" (best of
// three runs, the copy of the input excluded), plus "memcpy seconds" for a plain copy of the
// raster into a buffer already in memory. Each operation's line ends with the processor seconds
// (all threads) of its fastest run.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <functional>
#include <random>
#include <vector>

#include "engine/core/area.h"
#include "engine/core/image.h"
#include "engine/geometry/geometry.h"
#include "engine/ops/corrections.h"
#include "engine/ops/tone.h"

using namespace ximora::engine;

namespace {

// Smooth gradients, a few hard shapes and sensor-like grain, 6000 × 4000 pixels.
Image photo() {
    Image image;
    image.allocate(6000, 4000, 24);
    std::vector<int> grain(1 << 16);
    std::mt19937 rng(42);
    for (int& g : grain) g = int(rng() % 17) - 8;
    for (int y = 0; y < image.height(); ++y) {
        uint8_t* row = image.row(y);
        for (int x = 0; x < image.width(); ++x) {
            const double fx = x / 6000.0, fy = y / 4000.0;
            const bool disc = (x - 3800) * (x - 3800) + (y - 1600) * (y - 1600) < 900 * 900;
            const int g = grain[size_t((x * 7919 + y * 104729) & 0xffff)];
            const int r = disc ? 230 : int(90 + 120 * fx + 30 * std::sin(fy * 9));
            const int gr = disc ? 180 : int(60 + 150 * fy);
            const int b = ((x / 500 + y / 500) % 2) ? 170 : int(50 + 80 * fx * fy);
            row[x * 3] = uint8_t(std::clamp(r + g, 0, 255));
            row[x * 3 + 1] = uint8_t(std::clamp(gr + g, 0, 255));
            row[x * 3 + 2] = uint8_t(std::clamp(b + g, 0, 255));
        }
    }
    return image;
}

bool writePpm(const Image& image, const char* path) {
    FILE* f = std::fopen(path, "wb");
    if (!f) return false;
    std::fprintf(f, "P6\n%d %d\n255\n", image.width(), image.height());
    for (int y = 0; y < image.height(); ++y)
        std::fwrite(image.row(y), 1, size_t(image.width()) * 3, f);
    return std::fclose(f) == 0;
}

// Wall seconds of the fastest of three runs, and the processor seconds (all threads) of that run.
struct Timing {
    double wall = 1e9, cpu = 0;
};
Timing best(const Image& source, const std::function<bool(Image&)>& op) {
    Timing fastest;
    for (int run = 0; run < 3; ++run) {
        Image work = source;
        const auto t0 = std::chrono::steady_clock::now();
        const std::clock_t c0 = std::clock();
        if (!op(work)) return {-1, -1};
        const double cpu = double(std::clock() - c0) / CLOCKS_PER_SEC;
        const double wall =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        if (wall < fastest.wall) fastest = {wall, cpu};
    }
    return fastest;
}

}  // namespace

int main(int argc, char** argv) {
    const char* only = nullptr;
    const char* ppm = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--only") == 0 && i + 1 < argc)
            only = argv[++i];
        else
            ppm = argv[i];
    }
    const Image image = photo();
    if (ppm && !writePpm(image, ppm)) {
        std::fprintf(stderr, "cannot write %s\n", ppm);
        return 1;
    }
    {
        std::vector<uint8_t> target(image.byteCount());
        double fastest = 1e9;
        for (int run = 0; run < 5; ++run) {
            const auto t0 = std::chrono::steady_clock::now();
            std::memcpy(target.data(), image.data(), image.byteCount());
            const auto t1 = std::chrono::steady_clock::now();
            fastest = std::min(fastest, std::chrono::duration<double>(t1 - t0).count());
        }
        std::printf("memcpy %.4f\n", fastest);
    }
    const Area all = Area::whole();
    const std::vector<std::pair<const char*, std::function<bool(Image&)>>> ops = {
        {"blur2", [&](Image& i) { return blur(i, all, {2}); }},
        {"blur10", [&](Image& i) { return blur(i, all, {10}); }},
        {"blur20", [&](Image& i) { return blur(i, all, {20}); }},
        {"sharpen5", [&](Image& i) { return sharpen(i, all, {5}); }},
        {"median",
         [&](Image& i) {
             return removeNoise(i, all, {true, 255});
         }},
        {"saturation", [&](Image& i) { return adjustSaturation(i, all, {100}); }},
        {"negateRed",
         [&](Image& i) {
             return invertChannels(i, all, {true, false, false});
         }},
        {"rotate90",
         [&](Image& i) {
             return rotate(i, {-9000, false, false, {255, 255, 255, 255}, false});
         }},
        {"rotate180",
         [&](Image& i) {
             return rotate(i, {18000, false, false, {255, 255, 255, 255}, false});
         }},
        {"flipH", [&](Image& i) { return flipHorizontal(i); }},
        {"flipV", [&](Image& i) { return flipVertical(i); }},
        {"rotate30",
         [&](Image& i) {
             return rotate(i, {3000, false, false, {255, 255, 255, 255}, false});
         }},
        {"resize50",
         [&](Image& i) {
             return resize(i, {3000, 2000});
         }},
    };
    for (const auto& [name, op] : ops) {
        if (only && std::strcmp(only, name) != 0) continue;
        const Timing t = best(image, op);
        std::printf("%s %.4f %.4f\n", name, t.wall, t.cpu);
        std::fflush(stdout);
    }
    return 0;
}
