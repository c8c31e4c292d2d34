// Timing program for colour reduction. Usage:
//   bench_colour_reduce generate OUT.bmp WIDTH HEIGHT   a photo-like 24-bit test image
//   bench_colour_reduce reduce IN.bmp OUT.bmp COLOURS [--diffuse]
//                                                      load, reduce to 16 or 256 colours, save
//   bench_colour_reduce error A B                      mean colour error between two files
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "engine/codecs/registry.h"
#include "engine/colour/colour_reduce.h"
#include "engine/core/error.h"
#include "engine/core/parallel.h"

using namespace ximora::engine;

namespace {

// Smooth shading, soft-edged objects and sensor-like noise: the colour statistics of a photo
// rather than of a synthetic gradient.
bool generate(const char* path, int width, int height) {
    Image image;
    if (!image.allocate(width, height, 24)) return false;
    struct Blob {
        double x, y, radius;
        double r, g, b;
    };
    Blob blobs[40];
    uint32_t seed = 12345;
    auto next = [&seed] {
        seed = seed * 1664525u + 1013904223u;
        return (seed >> 8) / double(1 << 24);
    };
    for (Blob& blob : blobs)
        blob = {next() * width, next() * height, (0.03 + 0.15 * next()) * width,
                next() * 255,   next() * 255,    next() * 255};
    parallelRows(height, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            uint8_t* p = image.row(y);
            uint32_t noise = uint32_t(y) * 2654435761u + 1;
            for (int x = 0; x < width; ++x, p += 3) {
                const double u = double(x) / width, v = double(y) / height;
                double r = 120 + 90 * std::sin(3.1 * u + 1.3 * v) + 30 * std::sin(17 * u * v);
                double g = 110 + 80 * std::sin(2.3 * v - 0.7 * u + 1) + 25 * std::cos(11 * u);
                double b = 100 + 70 * std::cos(1.7 * u + 2.9 * v) + 35 * std::sin(9 * v);
                for (const Blob& blob : blobs) {
                    const double dx = x - blob.x, dy = y - blob.y;
                    const double w = std::exp(-(dx * dx + dy * dy) / (blob.radius * blob.radius));
                    r += (blob.r - r) * w * 0.8, g += (blob.g - g) * w * 0.8,
                        b += (blob.b - b) * w * 0.8;
                }
                noise ^= noise << 13, noise ^= noise >> 17, noise ^= noise << 5;
                const double n = double(int(noise % 13) - 6);
                p[0] = uint8_t(std::clamp(r + n, 0.0, 255.0));
                p[1] = uint8_t(std::clamp(g + n, 0.0, 255.0));
                p[2] = uint8_t(std::clamp(b + n, 0.0, 255.0));
            }
        }
    });
    SaveOptions options;
    options.format = kSaveBmp;
    return saveImage(path, image, options);
}

int reduce(const char* in, const char* out, int colours, bool diffuse) {
    Image image;
    if (!loadImage(in, image)) return std::fprintf(stderr, "load: error %d\n", lastError()), 1;
    ColourReduction params;
    params.code = colours == 16 ? 4 : 8;
    params.errorDiffusion = diffuse;
    if (!reduceColours(image, params))
        return std::fprintf(stderr, "reduce: error %d\n", lastError()), 1;
    SaveOptions options;
    options.format = kSaveBmp;
    if (!saveImage(out, image, options))
        return std::fprintf(stderr, "save: error %d\n", lastError()), 1;
    return 0;
}

int error(const char* a, const char* b) {
    Image first, second;
    if (!loadImage(a, first) || !loadImage(b, second))
        return std::fprintf(stderr, "load: error %d\n", lastError()), 1;
    std::printf("%.3f\n", meanColourError(first, second));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 5 && !std::strcmp(argv[1], "generate"))
        return generate(argv[2], std::atoi(argv[3]), std::atoi(argv[4])) ? 0 : 1;
    if ((argc == 5 || argc == 6) && !std::strcmp(argv[1], "reduce"))
        return reduce(argv[2], argv[3], std::atoi(argv[4]), argc == 6);
    if (argc == 4 && !std::strcmp(argv[1], "error")) return error(argv[2], argv[3]);
    std::fprintf(stderr, "usage: bench_colour_reduce generate|reduce|error ...\n");
    return 2;
}
