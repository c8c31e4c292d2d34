// Thumbnail benchmark helper.
//   bench_thumbs generate DIR COUNT WIDTH HEIGHT   photo-like JPEGs (kept when already there)
//   bench_thumbs nocache DIR SIZE CACHEFILE         seconds to make every thumbnail (writes the
//   cache) bench_thumbs cached DIR SIZE CACHEFILE          seconds to show the folder from its
//   cache
// Times are wall clock for the whole folder on all cores, printed alone on stdout.
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

#include "engine/codecs/registry.h"
#include "engine/core/error.h"
#include "engine/core/parallel.h"
#include "engine/thumbs/folder_cache_refresh.h"

using namespace ximora::engine;

namespace {

// Smooth colour fields, a few soft-edged shapes, fine texture and sensor grain: compresses like
// a camera photo (about 1 bit per pixel at quality 90), unlike flat or random test images.
Image photoLike(int w, int h, unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> u(0.f, 1.f);
    float freq[6], phase[6];
    for (int i = 0; i < 6; ++i)
        freq[i] = (0.5f + 3.f * u(random)) / float(w), phase[i] = 6.28f * u(random);
    struct Disc {
        float x, y, r, c[3];
    };
    Disc discs[12];
    for (Disc& d : discs)
        d = {u(random) * w,
             u(random) * h,
             (0.03f + 0.2f * u(random)) * h,
             {u(random), u(random), u(random)}};
    Image image;
    image.allocate(w, h, 24);
    parallelRows(
        h,
        [&](int y0, int y1) {
            for (int y = y0; y < y1; ++y) {
                uint8_t* p = image.row(y);
                uint32_t hash = seed * 2654435761u + uint32_t(y) * 40503u;
                for (int x = 0; x < w; ++x, p += 3) {
                    float c[3];
                    for (int k = 0; k < 3; ++k)
                        c[k] = 0.5f + 0.25f * std::sin(freq[k] * 6.28f * x + phase[k]) *
                                          std::cos(freq[k + 3] * 6.28f * y + phase[k + 3]);
                    for (const Disc& d : discs) {
                        const float dist = std::hypot(x - d.x, y - d.y) - d.r;
                        if (dist < 2.f) {
                            const float a = dist < -2.f ? 0.8f : 0.8f * (2.f - dist) / 4.f;
                            for (int k = 0; k < 3; ++k) c[k] += a * (d.c[k] - c[k]);
                        }
                    }
                    const float texture =
                        0.04f * std::sin(0.21f * x + 0.13f * y) * std::sin(0.17f * y);
                    for (int k = 0; k < 3; ++k) {
                        hash = hash * 1664525u + 1013904223u;
                        const float grain = float(int(hash >> 27) - 16) / 255.f;
                        p[k] = uint8_t(std::clamp((c[k] + texture + grain) * 255.f, 0.f, 255.f));
                    }
                }
            }
        },
        1);
    return image;
}

int generate(const std::string& dir, int count, int w, int h) {
    std::filesystem::create_directories(dir);
    SaveOptions jpeg;
    jpeg.format = kSaveJpeg;
    jpeg.jpegQuality = 90;
    for (int i = 0; i < count; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "/photo%03d.jpg", i);
        if (std::filesystem::exists(dir + name)) continue;
        if (!saveImage(dir + name, photoLike(w, h, unsigned(i + 1)), jpeg)) {
            std::fprintf(stderr, "cannot write %s%s: error %d\n", dir.c_str(), name, lastError());
            return 1;
        }
    }
    return 0;
}

int timeFolder(const std::string& dir, int size, const std::string& cacheFile, bool cached) {
    if (!cached) std::filesystem::remove(cacheFile);
    ThumbnailProducer producer;  // one worker per core, started before the clock
    FolderCacheReport report;
    const auto start = std::chrono::steady_clock::now();
    const bool ok = refreshFolderCache(dir, cacheFile, {}, size, producer, report);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    if (!ok || report.failed || (cached && report.made)) {
        std::fprintf(stderr, "thumbnails of %s failed: error %d, %zu failed, %zu made\n",
                     dir.c_str(), lastError(), report.failed, report.made);
        return 1;
    }
    std::printf("%.4f\n", took.count());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "generate" && argc == 6)
        return generate(argv[2], std::atoi(argv[3]), std::atoi(argv[4]), std::atoi(argv[5]));
    if ((mode == "nocache" || mode == "cached") && argc == 5)
        return timeFolder(argv[2], std::atoi(argv[3]), argv[4], mode == "cached");
    std::fprintf(stderr,
                 "usage: bench_thumbs generate DIR COUNT W H | nocache|cached DIR SIZE CACHE\n");
    return 2;
}
