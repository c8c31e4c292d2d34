// Times every effect on a generated 24-megapixel photo-like picture, as the editor applies them
// from its menu. Prints one line per effect: name, wall seconds of the fastest of three runs and
// the processor seconds (all threads) of that run, separated by tabs.
// With --write PATH it first saves the picture as a binary PPM for the peer tools; with
// --only NAME it times that effect alone.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "engine/core/area.h"
#include "engine/core/image.h"
#include "engine/effects/canvas.h"
#include "engine/effects/contour.h"
#include "engine/effects/emboss.h"
#include "engine/effects/lens.h"
#include "engine/effects/mosaic.h"
#include "engine/effects/motion_blur.h"
#include "engine/effects/ripple.h"
#include "engine/effects/swirl.h"
#include "engine/effects/wave.h"

using namespace ximora::engine;

namespace {

// Soft gradients, large shapes with hard edges, fine texture and sensor-like grain: enough
// variety that no effect meets long flat runs.
Image photoLike(int width, int height) {
    Image image;
    image.allocate(width, height, 24);
    for (int y = 0; y < height; ++y) {
        uint32_t seed = 2166136261u ^ uint32_t(y) * 16777619u;
        uint8_t* row = image.row(y);
        for (int x = 0; x < width; ++x) {
            seed = seed * 1664525u + 1013904223u;
            const int grain = int(seed >> 27) - 16;
            const double u = double(x) / width, v = double(y) / height;
            const double texture = 20 * std::sin(x * 0.07) * std::cos(y * 0.05);
            double r = 60 + 150 * u + texture, g = 80 + 120 * v - texture, b = 170 - 100 * u * v;
            if (std::hypot(u - 0.35, v - 0.5) < 0.2) r = 220, g = 180 + texture, b = 60;
            if (u > 0.7 && (y / 40) % 3 == 0) r = g = b = 30 + 10 * std::sin(x * 0.3);
            row[x * 3] = uint8_t(std::clamp(int(r) + grain, 0, 255));
            row[x * 3 + 1] = uint8_t(std::clamp(int(g) + grain, 0, 255));
            row[x * 3 + 2] = uint8_t(std::clamp(int(b) + grain, 0, 255));
        }
    }
    return image;
}

bool writePpm(const Image& image, const char* path) {
    FILE* f = std::fopen(path, "wb");
    if (!f) return false;
    std::fprintf(f, "P6\n%d %d\n255\n", image.width(), image.height());
    bool ok = true;
    for (int y = 0; y < image.height() && ok; ++y)
        ok = std::fwrite(image.row(y), 3, size_t(image.width()), f) == size_t(image.width());
    return std::fclose(f) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
    const char* ppm = nullptr;
    std::string only;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--write") == 0) ppm = argv[i + 1];
        if (std::strcmp(argv[i], "--only") == 0) only = argv[i + 1];
    }
    const Image photo = photoLike(6000, 4000);
    if (ppm && !writePpm(photo, ppm)) {
        std::fprintf(stderr, "cannot write %s\n", ppm);
        return 1;
    }
    const Area all = Area::whole();
    const std::vector<std::pair<std::string, std::function<bool(Image&)>>> effects = {
        {"emboss",
         [&](Image& i) {
             return emboss(i, all, {0, 3, 100});
         }},
        {"mosaic",
         [&](Image& i) {
             return mosaic(i, all, {10, 10});
         }},
        {"contour",
         [&](Image& i) {
             return contour(i, all, {0, 0, 10});
         }},
        {"motion-linear",
         [&](Image& i) {
             return motionBlur(i, all, {0, 30, 20});
         }},
        {"motion-radial",
         [&](Image& i) {
             return motionBlur(i, all, {1, 30, 20});
         }},
        {"motion-zoom",
         [&](Image& i) {
             return motionBlur(i, all, {2, 30, 20});
         }},
        {"wave",
         [&](Image& i) {
             return wave(i, all, {0, 0, 100, 10, 0.5, 1});
         }},
        {"ripple",
         [&](Image& i) {
             return ripple(i, all, {20.0, 10.0, 0.5, 0, false});
         }},
        {"swirl",
         [&](Image& i) {
             return swirl(i, all, {360.0, 1.0, 1.0});
         }},
        {"lens",
         [&](Image& i) {
             return lens(i, all, {3.0, false});
         }},
        {"canvas",
         [&](Image& i) {
             return canvas(i, all, {1, 20});
         }},
    };
    for (const auto& [name, run] : effects) {
        if (!only.empty() && name != only) continue;
        double best = 1e9, bestCpu = 0;
        for (int k = 0; k < 3; ++k) {
            Image image = photo;
            const auto start = std::chrono::steady_clock::now();
            const std::clock_t cpuStart = std::clock();
            if (!run(image)) {
                std::fprintf(stderr, "%s failed\n", name.c_str());
                return 1;
            }
            const double cpu = double(std::clock() - cpuStart) / CLOCKS_PER_SEC;
            const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
            if (took.count() < best) best = took.count(), bestCpu = cpu;
        }
        std::printf("%s\t%.3f\t%.3f\n", name.c_str(), best, bestCpu);
        std::fflush(stdout);
    }
    return 0;
}
