// Preloaded into a decode worker by the tests (LD_PRELOAD), this makes libjpeg misbehave as a
// decoder with a fault would, once a JPEG's decoding starts: XIMORA_HOSTILE=crash dies of a
// segmentation fault, hang loops for ever, allocate takes memory until none is given (then
// ends with status 42, which shows that the allocation was refused rather than the process
// killed). Unset, it passes the call on.
#include <dlfcn.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <cstring>

extern "C" {

struct jpeg_decompress_struct;

int jpeg_start_decompress(jpeg_decompress_struct* info) {
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
    using Start = int (*)(jpeg_decompress_struct*);
    return reinterpret_cast<Start>(dlsym(RTLD_NEXT, "jpeg_start_decompress"))(info);
}
}
