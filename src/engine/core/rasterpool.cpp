#include "engine/core/rasterpool.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <new>
#include <utility>

#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "engine/core/memory_budget.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#define XIMORA_POISON(p, n) ASAN_POISON_MEMORY_REGION(p, n)
#define XIMORA_UNPOISON(p, n) ASAN_UNPOISON_MEMORY_REGION(p, n)
#else
#define XIMORA_POISON(p, n) ((void)(p), (void)(n))
#define XIMORA_UNPOISON(p, n) ((void)(p), (void)(n))
#endif

namespace ximora::engine {
namespace {
using Clock = std::chrono::steady_clock;

struct Pooled {
    uint8_t* buffer = nullptr;
    size_t capacity = 0;
    Clock::time_point freedAt;
};

std::mutex gMutex;
Pooled gPool[RasterPool::kMaxPooled];  // guarded by gMutex; empty slots have no buffer

// Rasters in shared-memory files (shareRasters()): each mapping's file, -1 once taken.
std::atomic<bool> gShared{false};
std::map<const uint8_t*, int> gSharedFiles;  // guarded by gMutex

constexpr size_t kPage = 4096;

size_t pageRounded(size_t bytes) { return (bytes + kPage - 1) & ~(kPage - 1); }

// The program's exchange file for this worker, while a request is served, and its mapping,
// kept from one request to the next. All guarded by gMutex.
struct Exchange {
    int offered = -1;
    ino_t file = 0;
    uint8_t* mapping = nullptr;
    size_t mapped = 0;
    bool inUse = false;
} gExchange;

// The exchange file's mapping for a raster of `rounded` bytes; nullptr when it cannot hold one.
uint8_t* exchangeMappingLocked(size_t rounded, size_t& capacity) {
    Exchange& x = gExchange;
    struct stat file {};
    if (x.offered < 0 || x.inUse || fstat(x.offered, &file) != 0) return nullptr;
    const size_t size = size_t(std::max<off_t>(file.st_size, 0));
    const bool reusable = x.mapping && x.file == file.st_ino && x.mapped >= rounded;
    if (size < rounded && ftruncate(x.offered, off_t(rounded)) != 0) return nullptr;
    if (!reusable) {
        if (x.mapping) munmap(x.mapping, x.mapped);
        x.mapping = nullptr;
        const size_t length = std::max(size, rounded);
        void* p = mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_SHARED, x.offered, 0);
        if (p == MAP_FAILED) return nullptr;
        x.mapping = static_cast<uint8_t*>(p);
        x.mapped = length;
        x.file = file.st_ino;
    }
    x.inUse = true;
    capacity = rounded;
    return x.mapping;
}

#ifdef MADV_POPULATE_WRITE
constexpr int kPopulateWrite = MADV_POPULATE_WRITE;
#else
constexpr int kPopulateWrite = 23;  // Linux 5.14
#endif

uint8_t* acquireShared(size_t bytes, size_t& capacity) {
    const size_t rounded = pageRounded(bytes);
    // A picture that takes much of the memory budget is not copied out of the exchange file:
    // the program maps it from a file of its own instead, so that it is held once.
    if (rounded >= RasterPool::kMinPooledBytes && rounded <= memoryLimit() / 4) {
        std::lock_guard lock(gMutex);
        if (uint8_t* buffer = exchangeMappingLocked(rounded, capacity)) return buffer;
    }
    const int fd = memfd_create("ximora-raster", MFD_CLOEXEC | MFD_ALLOW_SEALING);
    if (fd < 0) return nullptr;
    void* p = MAP_FAILED;
    if (ftruncate(fd, off_t(rounded)) == 0)
        p = mmap(nullptr, rounded, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (p == MAP_FAILED) {
        close(fd);
        return nullptr;
    }
    // The decoder writes every page: made all at once, they cost half of what one fault a page
    // costs (kernels before 5.14 refuse the advice, and the pages come one by one as before).
    madvise(p, rounded, kPopulateWrite);
    auto* buffer = static_cast<uint8_t*>(p);
    std::lock_guard lock(gMutex);
    gSharedFiles[buffer] = fd;
    capacity = rounded;
    return buffer;
}

void releaseShared(uint8_t* buffer, size_t capacity) {
    int fd = -1;
    {
        std::lock_guard lock(gMutex);
        if (gExchange.inUse && buffer == gExchange.mapping) {
            gExchange.inUse = false;  // the mapping stays for the next request
            return;
        }
        const auto found = gSharedFiles.find(buffer);
        if (found != gSharedFiles.end()) {
            fd = found->second;
            gSharedFiles.erase(found);
        }
    }
    munmap(buffer, capacity);
    if (fd >= 0) close(fd);
}

// Large rasters ask for transparent huge pages: the first write into a fresh raster then takes
// one page fault per 2 MiB instead of per 4 KiB.
void adviseHugePages(uint8_t* p, size_t bytes) {
#ifdef MADV_HUGEPAGE
    if (bytes < RasterPool::kMinPooledBytes) return;
    const uintptr_t begin = (uintptr_t(p) + kPage - 1) & ~uintptr_t(kPage - 1);
    const uintptr_t end = (uintptr_t(p) + bytes) & ~uintptr_t(kPage - 1);
    madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);  // only a hint
#else
    (void)p, (void)bytes;
#endif
}

void destroy(uint8_t* buffer, size_t capacity) {
    XIMORA_UNPOISON(buffer, capacity);
    delete[] buffer;
}

// Moves out of the pool every buffer idle for too long (all when `all`), into `evicted`, so that
// they are freed after the lock is let go.
void evictLocked(bool all, Pooled (&evicted)[RasterPool::kMaxPooled]) {
    const auto now = Clock::now();
    for (int i = 0; i < RasterPool::kMaxPooled; ++i) {
        Pooled& slot = gPool[i];
        if (slot.buffer && (all || now - slot.freedAt > std::chrono::milliseconds(
                                                            RasterPool::kMaxIdleMilliseconds))) {
            evicted[i] = slot;
            slot = Pooled{};
        }
    }
}

void destroyAll(const Pooled (&evicted)[RasterPool::kMaxPooled]) {
    for (const Pooled& p : evicted)
        if (p.buffer) destroy(p.buffer, p.capacity);
}
}  // namespace

uint8_t* RasterPool::acquire(size_t bytes, size_t& capacity) {
    if (gShared.load(std::memory_order_relaxed)) return acquireShared(bytes, capacity);
    if (bytes >= kMinPooledBytes) {
        Pooled evicted[kMaxPooled];
        uint8_t* reused = nullptr;
        {
            std::lock_guard lock(gMutex);
            evictLocked(false, evicted);
            // Reuse only a buffer that wastes at most an eighth, so that a small image does not
            // pin a big one.
            for (Pooled& slot : gPool) {
                if (slot.buffer && slot.capacity >= bytes && slot.capacity - bytes <= bytes / 8) {
                    reused = slot.buffer;
                    capacity = slot.capacity;
                    slot = Pooled{};
                    break;
                }
            }
        }
        destroyAll(evicted);
        if (reused) {
            XIMORA_UNPOISON(reused, capacity);
            return reused;
        }
    }
    uint8_t* fresh = new (std::nothrow) uint8_t[bytes];
    if (!fresh) {
        // The pool may hold what the new raster needs.
        releasePooled();
        fresh = new (std::nothrow) uint8_t[bytes];
        if (!fresh) return nullptr;
    }
    adviseHugePages(fresh, bytes);
    capacity = bytes;
    return fresh;
}

void RasterPool::release(uint8_t* buffer, size_t capacity) {
    if (!buffer) return;
    if (gShared.load(std::memory_order_relaxed)) return releaseShared(buffer, capacity);
    if (capacity < kMinPooledBytes || capacity > kMaxPooledBytes) {
        destroy(buffer, capacity);
        return;
    }
    XIMORA_POISON(buffer, capacity);
    Pooled evicted[kMaxPooled];
    {
        std::lock_guard lock(gMutex);
        evictLocked(false, evicted);
        // The newest buffer is the likeliest to fit the next raster: it replaces the oldest, and
        // older ones go until the total fits the cap.
        Pooled incoming{buffer, capacity, Clock::now()};
        for (;;) {
            size_t held = 0;
            Pooled* oldest = nullptr;
            Pooled* freeSlot = nullptr;
            for (Pooled& slot : gPool) {
                if (!slot.buffer) {
                    freeSlot = &slot;
                    continue;
                }
                held += slot.capacity;
                if (!oldest || slot.freedAt < oldest->freedAt) oldest = &slot;
            }
            if (freeSlot && held + capacity <= kMaxPooledBytes) {
                *freeSlot = incoming;
                break;
            }
            // Full or over the cap: the oldest goes (there is one, since capacity alone fits).
            for (int i = 0; i < kMaxPooled; ++i)
                if (&gPool[i] == oldest) evicted[i] = *oldest;
            *oldest = Pooled{};
        }
    }
    destroyAll(evicted);
}

void RasterPool::releasePooled() {
    Pooled evicted[kMaxPooled];
    {
        std::lock_guard lock(gMutex);
        evictLocked(true, evicted);
    }
    destroyAll(evicted);
}

size_t RasterPool::pooledBytes() {
    std::lock_guard lock(gMutex);
    size_t held = 0;
    for (const Pooled& slot : gPool) held += slot.buffer ? slot.capacity : 0;
    return held;
}

int RasterPool::pooledCount() {
    std::lock_guard lock(gMutex);
    int count = 0;
    for (const Pooled& slot : gPool) count += slot.buffer ? 1 : 0;
    return count;
}

void RasterPool::shareRasters() { gShared.store(true); }

int RasterPool::takeSharedFile(const uint8_t* buffer) {
    std::lock_guard lock(gMutex);
    const auto found = gSharedFiles.find(buffer);
    if (found == gSharedFiles.end()) return -1;
    const int fd = found->second;
    found->second = -1;
    return fd;
}

void RasterPool::offerExchangeFile(int fd) {
    std::lock_guard lock(gMutex);
    if (gExchange.offered >= 0) close(gExchange.offered);
    gExchange.offered = fd;
}

void RasterPool::withdrawExchangeFile() {
    std::lock_guard lock(gMutex);
    if (gExchange.offered >= 0) close(std::exchange(gExchange.offered, -1));
}

bool RasterPool::inExchangeFile(const uint8_t* buffer) {
    std::lock_guard lock(gMutex);
    return gExchange.inUse && buffer == gExchange.mapping;
}

}  // namespace ximora::engine
