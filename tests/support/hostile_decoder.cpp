// Preloaded into a worker by the tests (LD_PRELOAD), this makes libjpeg and libwmf misbehave as
// a library with a fault would, once a JPEG's decoding or a WMF's reading starts:
// XIMORA_HOSTILE=crash dies of a segmentation fault, hang loops for ever, allocate takes memory
// until none is given (then ends with status 42, which shows that the allocation was refused
// rather than the process killed). Unset, it passes the call on.
#include <dlfcn.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <cstring>

namespace {

void misbehave() {
    const char* mode = std::getenv("XIMORA_HOSTILE");
    if (mode && std::strcmp(mode, "crash") == 0) std::raise(SIGSEGV);
    if (mode && std::strcmp(mode, "hang") == 0)
        for (;;) asm volatile("" ::: "memory");  // spins, as a decoder caught in a loop
    if (mode && std::strcmp(mode, "allocate") == 0)
        for (;;) {
            constexpr size_t kChunk = size_t(64) << 20;
            void* taken = std::malloc(kChunk);
            if (!taken) _exit(42);
            std::memset(taken, 1, kChunk);
        }
}

template <typename Function>
Function next(const char* name) {
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

}  // namespace

extern "C" {

struct jpeg_decompress_struct;

int jpeg_start_decompress(jpeg_decompress_struct* info) {
    misbehave();
    return next<int (*)(jpeg_decompress_struct*)>("jpeg_start_decompress")(info);
}

// libwmf's first look at a metafile's records.
int wmf_scan(void* api, unsigned long flags, void* box) {
    misbehave();
    return next<int (*)(void*, unsigned long, void*)>("wmf_scan")(api, flags, box);
}
}
