#include "engine/core/parallel.h"

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

namespace ximora::engine {

namespace {
std::atomic<int> gWorkerOverride{0};
}

int workerCount() {
    static const int hardware = int(std::max(1u, std::thread::hardware_concurrency()));
    const int chosen = gWorkerOverride.load(std::memory_order_relaxed);
    return chosen > 0 ? chosen : hardware;
}

void setWorkerCount(int count) {
    gWorkerOverride.store(std::max(count, 0), std::memory_order_relaxed);
}

void parallelRows(int rows, const std::function<void(int, int)>& body, int minRows) {
    if (rows <= 0) return;
    const int bands = std::clamp(rows / std::max(minRows, 1), 1, workerCount());
    if (bands == 1) {
        body(0, rows);
        return;
    }
    std::vector<std::thread> threads;
    threads.reserve(size_t(bands - 1));
    const int per = (rows + bands - 1) / bands;
    for (int b = 1; b < bands; ++b) {
        const int y0 = b * per, y1 = std::min(rows, y0 + per);
        if (y0 < y1) threads.emplace_back([&body, y0, y1] { body(y0, y1); });
    }
    body(0, std::min(rows, per));
    for (auto& t : threads) t.join();
}

}  // namespace ximora::engine
