// Timing program for decoding and encoding through the codec table. Usage:
//   bench_decode open IN             load once; print seconds, size and peak memory (MiB)
//   bench_decode decode IN [N]       load N times (default 1); print the best seconds
//   bench_decode encode IN OUT jpeg|png [QUALITY]
//                                    load, then encode and save; print the encode seconds
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "engine/codecs/registry.h"
#include "engine/core/error.h"

using namespace ximora::engine;

namespace {

double now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

double peakMib() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;  // ru_maxrss is in KiB on Linux
}

int failed(const char* what) {
    std::fprintf(stderr, "%s failed: error %d\n", what, lastError());
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_decode open|decode|encode IN ...\n");
        return 2;
    }
    const std::string command = argv[1];
    Image image;
    if (command == "open") {
        const double start = now();
        if (!loadImage(argv[2], image)) return failed("load");
        const double raster = double(image.width()) * image.height() * 3 / (1 << 20);
        std::printf(
            "seconds %.4f width %d height %d raster_mib %.1f peak_mib %.1f limit_mib %.1f\n",
            now() - start, image.width(), image.height(), raster, peakMib(), 1.3 * raster + 40);
        return 0;
    }
    if (command == "decode") {
        const int repeat = argc > 3 ? std::max(1, std::atoi(argv[3])) : 1;
        double best = 1e9;
        for (int i = 0; i < repeat; ++i) {
            const double start = now();
            if (!loadImage(argv[2], image)) return failed("load");
            best = std::min(best, now() - start);
        }
        std::printf("%.4f\n", best);
        return 0;
    }
    if (command == "encode" && argc >= 5) {
        if (!loadImage(argv[2], image)) return failed("load");
        SaveOptions options;
        options.format = std::strcmp(argv[4], "png") == 0 ? kSavePng : kSaveJpeg;
        options.jpegQuality = argc > 5 ? std::atoi(argv[5]) : 85;
        const double start = now();
        if (!saveImage(argv[3], image, options)) return failed("save");
        std::printf("%.4f\n", now() - start);
        return 0;
    }
    std::fprintf(stderr, "unknown command\n");
    return 2;
}
