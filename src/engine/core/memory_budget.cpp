#include "engine/core/memory_budget.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <fstream>
#include <limits>
#include <mutex>
#include <sstream>
#include <string>

namespace ximora::engine {
namespace {

constexpr uint64_t kUnlimited = std::numeric_limits<uint64_t>::max();
constexpr int64_t kRefreshMilliseconds = 1000;
constexpr int64_t kNever = std::numeric_limits<int64_t>::min();

std::atomic<uint64_t> gFixed{0};
std::atomic<uint64_t> gAvailable{0};   // min(MemAvailable, hard headroom), as last read
std::atomic<uint64_t> gHard{0};        // min(rlimit and cgroup headroom), as last read
std::atomic<uint64_t> gLive{0};        // bytes of rasters and samples alive now
std::atomic<uint64_t> gLiveAtRead{0};  // the same when the system's figures were read
std::atomic<int64_t> gReadAt{kNever};
std::mutex gReading;

uint64_t remaining(uint64_t limit, uint64_t used) { return limit > used ? limit - used : 0; }

// A "Name:   value kB" field of /proc/meminfo or /proc/self/status, in bytes.
uint64_t procField(const char* file, const std::string& name) {
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line))
        if (line.starts_with(name) && line.size() > name.size() && line[name.size()] == ':') {
            std::istringstream value(line.substr(name.size() + 1));
            uint64_t kib = 0;
            if (value >> kib) return kib * 1024;
        }
    return 0;
}

// A number in a control group file; kUnlimited for "max", absurdly large values or no file.
uint64_t cgroupNumber(const std::string& path) {
    std::ifstream in(path);
    std::string text;
    if (!(in >> text) || text == "max") return kUnlimited;
    try {
        const uint64_t value = std::stoull(text);
        return value >= (uint64_t(1) << 62) ? kUnlimited : value;
    } catch (...) {
        return kUnlimited;
    }
}

bool isFolder(const std::string& path) {
    std::ifstream probe(path + "/cgroup.procs");
    return probe.good();
}

// Headroom under the memory limits of the process's control group and its parents. Both
// hierarchies are understood: version 2 (memory.max, memory.current) and the version 1 memory
// controller (memory.limit_in_bytes, memory.usage_in_bytes).
uint64_t cgroupHeadroom() {
    std::ifstream in("/proc/self/cgroup");
    std::string line, base, path, limitFile, usageFile;
    while (std::getline(in, line)) {
        const size_t first = line.find(':'), second = line.find(':', first + 1);
        if (first == std::string::npos || second == std::string::npos) continue;
        const std::string controllers = line.substr(first + 1, second - first - 1);
        if (controllers.empty() && line.starts_with("0::") && base.empty()) {
            base = "/sys/fs/cgroup", limitFile = "memory.max", usageFile = "memory.current";
            path = line.substr(second + 1);
        } else if (controllers == "memory") {
            base = "/sys/fs/cgroup/memory", limitFile = "memory.limit_in_bytes";
            usageFile = "memory.usage_in_bytes", path = line.substr(second + 1);
        }
    }
    if (base.empty()) return kUnlimited;
    uint64_t headroom = kUnlimited;
    // Inside a container the own group may not be visible; its nearest visible ancestor is.
    for (;;) {
        const std::string folder = base + path;
        if (isFolder(folder)) {
            const uint64_t limit = cgroupNumber(folder + "/" + limitFile);
            if (limit != kUnlimited)
                headroom =
                    std::min(headroom, remaining(limit, cgroupNumber(folder + "/" + usageFile)));
        }
        if (path.empty() || path == "/") break;
        const size_t slash = path.rfind('/');
        path = slash == std::string::npos ? std::string() : path.substr(0, slash);
    }
    return headroom;
}

uint64_t rlimitHeadroom(int resource, const char* usedField) {
    rlimit limit{};
    if (getrlimit(resource, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return kUnlimited;
    return remaining(uint64_t(limit.rlim_cur), procField("/proc/self/status", usedField));
}

uint64_t systemAvailable() {
    if (const uint64_t available = procField("/proc/meminfo", "MemAvailable")) return available;
    const long pages = sysconf(_SC_AVPHYS_PAGES), size = sysconf(_SC_PAGESIZE);
    return pages > 0 && size > 0 ? uint64_t(pages) * uint64_t(size) : uint64_t(4) << 30;
}

void refresh() {
    const int64_t now = std::chrono::duration_cast<std::chrono::milliseconds>(
                            std::chrono::steady_clock::now().time_since_epoch())
                            .count();
    const int64_t last = gReadAt.load(std::memory_order_acquire);
    if (last != kNever && now - last < kRefreshMilliseconds) return;
    std::lock_guard lock(gReading);
    if (gReadAt.load(std::memory_order_acquire) != last) return;  // read by another thread
    const uint64_t hard = std::min({rlimitHeadroom(RLIMIT_AS, "VmSize"),
                                    rlimitHeadroom(RLIMIT_DATA, "VmData"), cgroupHeadroom()});
    gHard.store(hard, std::memory_order_relaxed);
    gAvailable.store(std::min(hard, systemAvailable()), std::memory_order_relaxed);
    gLiveAtRead.store(gLive.load(std::memory_order_relaxed), std::memory_order_relaxed);
    gReadAt.store(now, std::memory_order_release);
}

}  // namespace

uint64_t memoryHeadroom() {
    refresh();
    return gAvailable.load(std::memory_order_relaxed);
}

uint64_t memoryLimit() {
    const uint64_t fixed = gFixed.load(std::memory_order_relaxed);
    refresh();
    // The system's figures already leave out what the pictures held when they were read; the
    // budget counts them once, against the whole of it.
    const uint64_t budget = fixed ? std::min(fixed, gHard.load(std::memory_order_relaxed))
                                  : (gAvailable.load(std::memory_order_relaxed) +
                                     gLiveAtRead.load(std::memory_order_relaxed)) /
                                        2;
    const uint64_t live = gLive.load(std::memory_order_relaxed);
    return budget > live ? budget - live : 0;
}

uint64_t liveBytes() { return gLive.load(std::memory_order_relaxed); }

MemoryCharge::MemoryCharge(uint64_t bytes) : bytes_(bytes) {
    gLive.fetch_add(bytes, std::memory_order_relaxed);
}

MemoryCharge::~MemoryCharge() { gLive.fetch_sub(bytes_, std::memory_order_relaxed); }

MemoryCharge& MemoryCharge::operator=(MemoryCharge&& other) noexcept {
    if (this != &other) {
        gLive.fetch_sub(bytes_, std::memory_order_relaxed);
        bytes_ = other.bytes_;
        other.bytes_ = 0;
    }
    return *this;
}

void setMemoryLimit(uint64_t bytes) { gFixed.store(bytes, std::memory_order_relaxed); }

void setMemoryLimitMegabytes(int64_t megabytes) {
    setMemoryLimit(megabytes > 0 ? uint64_t(megabytes) << 20 : 0);
}

}  // namespace ximora::engine
