#include "engine/codecs/raster_pages.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>

namespace ximora::engine {

void preferHugePages(Image& image) {
#ifdef MADV_HUGEPAGE
    constexpr size_t kWorthIt = size_t(8) << 20;
    if (image.empty() || image.byteCount() < kWorthIt) return;
    const uintptr_t page = uintptr_t(sysconf(_SC_PAGESIZE));
    const uintptr_t begin = (uintptr_t(image.data()) + page - 1) & ~(page - 1);
    const uintptr_t end = (uintptr_t(image.data()) + image.byteCount()) & ~(page - 1);
    if (end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#else
    (void)image;
#endif
}

}  // namespace ximora::engine
