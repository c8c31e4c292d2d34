#include "engine/codecs/raster_pages.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>

namespace ximora::engine {

void preferHugePages(Image& image) {
    if (!image.empty()) preferHugePages(image.data(), image.byteCount());
}

void preferHugePages(void* data, size_t bytes) {
#ifdef MADV_HUGEPAGE
    constexpr size_t kWorthIt = size_t(8) << 20;
    if (bytes < kWorthIt) return;
    const uintptr_t page = uintptr_t(sysconf(_SC_PAGESIZE));
    const uintptr_t begin = (uintptr_t(data) + page - 1) & ~(page - 1);
    const uintptr_t end = (uintptr_t(data) + bytes) & ~(page - 1);
    if (end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#else
    (void)data, (void)bytes;
#endif
}

}  // namespace ximora::engine
