// Decoding in confined workers against decoding in process, in one run:
//   bench_sandbox PROGRAM PICTURE FOLDER SIZE
// PROGRAM is the worker (ximora-decode), PICTURE a large photo to open whole, FOLDER a folder of
// photos to make thumbnails of at SIZE pixels (no cache), as the browser does. Prints one line a
// measure: "name in-process-seconds worker-seconds", the best of five runs each; the workers
// are started, and have answered once, before they are timed, as the program's are by the time
// the user opens something.
#include <chrono>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include "engine/codecs/registry.h"
#include "engine/core/error.h"
#include "engine/sandbox/sandboxed_decoding.h"
#include "engine/thumbs/folder_listing.h"
#include "engine/thumbs/thumbnail_producer.h"

using namespace ximora::engine;

namespace {

template <typename Work>
double best(Work work) {
    double fastest = 1e9;
    for (int run = 0; run < 5; ++run) {
        const auto start = std::chrono::steady_clock::now();
        work();
        fastest = std::min(
            fastest,
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    return fastest;
}

struct Measures {
    double open = 0, thumbnails = 0;
};

Measures measure(const std::string& picture, const std::string& folder, int size) {
    std::vector<FileEntry> files;
    listImageFiles(folder, kImageFilter, files);
    Measures m;
    m.open = best([&] {
        Image image;
        if (!loadImage(picture, image))
            std::fprintf(stderr, "cannot open %s: error %d %s\n", picture.c_str(), lastError(),
                         lastErrorDetail().c_str());
    });
    m.thumbnails = best([&] {
        ThumbnailProducer producer;
        producer.start(folder, files, size, nullptr, [](ThumbnailResult&&) {});
        producer.wait();
    });
    return m;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: bench_sandbox PROGRAM PICTURE FOLDER SIZE\n");
        return 2;
    }
    const std::string picture = argv[2], folder = argv[3];
    const int size = std::stoi(argv[4]);
    const Measures here = measure(picture, folder, size);
    DecodeWorkerSettings settings;
    settings.program = argv[1];
    if (!startDecodeWorkers(settings)) {
        std::fprintf(stderr, "cannot start %s\n", argv[1]);
        return 1;
    }
    ImageFacts facts;
    readImageFacts(picture, facts);  // waits for a worker to be ready
    const Measures there = measure(picture, folder, size);
    stopDecodeWorkers();
    std::printf("open %.4f %.4f\nthumbnails %.4f %.4f\n", here.open, there.open, here.thumbnails,
                there.thumbnails);
    return 0;
}
