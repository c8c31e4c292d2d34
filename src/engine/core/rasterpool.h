#pragma once
// Keeps the last one or two large rasters that were freed, so that the next raster of about the
// same size reuses pages the kernel has already mapped and zeroed. An operation that makes a new
// image (a quarter turn, a resize) and then frees the old one would otherwise pay for faulting in
// and zeroing every page of its output, which costs several times a copy of the raster.
//
// Bounds on idle memory: at most kMaxPooled buffers, at most kMaxPooledBytes in all, each at
// least kMinPooledBytes, and none kept longer than kMaxIdleMilliseconds once the pool is next
// used (releasePooled() empties it at once). A buffer comes back uninitialised: it holds the
// bytes of the raster that used it last. Under AddressSanitizer a pooled buffer is poisoned, so
// a use after free is still reported.

#include <cstddef>
#include <cstdint>

namespace ximora::engine {

class RasterPool {
  public:
    static constexpr size_t kMinPooledBytes = size_t(8) << 20;
    static constexpr size_t kMaxPooledBytes = size_t(512) << 20;
    static constexpr int kMaxPooled = 2;
    static constexpr int kMaxIdleMilliseconds = 2000;

    /// A buffer of at least `bytes` bytes (a pooled one when one fits without much waste), its
    /// real size in `capacity`; nullptr when memory runs out. Large fresh buffers are advised to
    /// use transparent huge pages.
    static uint8_t* acquire(size_t bytes, size_t& capacity);
    /// Gives back a buffer from acquire(); it is pooled or freed. nullptr is ignored.
    static void release(uint8_t* buffer, size_t capacity);
    /// Frees every pooled buffer (for idle times and low-memory moments).
    static void releasePooled();
    /// Bytes and buffers held in the pool right now.
    static size_t pooledBytes();
    static int pooledCount();

    /// From now on every raster of this process lives in its own shared-memory file (memfd),
    /// none is pooled, and takeSharedFile() hands one to another process without a copy. For
    /// the decode worker, whose pictures go to the program that asked for them; set once, before
    /// any raster exists.
    static void shareRasters();
    /// The shared-memory file of a raster made after shareRasters(), given up by the pool: the
    /// caller owns the descriptor. The raster stays usable until it is released (which unmaps it
    /// then). -1 when `buffer` is no such raster or its file was taken already, or when the
    /// raster is in the exchange file (inExchangeFile()).
    static int takeSharedFile(const uint8_t* buffer);

    /// In a decode worker: the next raster of kMinPooledBytes or more goes into `fd`, the
    /// program's exchange file for this worker, grown if it is too short. The mapping of that
    /// file stays from one request to the next, so that its pages are written through a mapping
    /// that has been written through before: on some machines the first write to each page of
    /// a new mapping costs more than decoding into it.
    static void offerExchangeFile(int fd);
    /// Closes the exchange file's descriptor after a request (its mapping stays).
    static void withdrawExchangeFile();
    /// Whether `buffer` is the raster that lies in the exchange file.
    static bool inExchangeFile(const uint8_t* buffer);
};

}  // namespace ximora::engine
