#include "engine/codecs/png/strip_deflate.h"

#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <thread>

#include "engine/core/error.h"
#include "engine/core/parallel.h"

namespace ximora::engine {
namespace {

// CMF: deflate with a 32 KiB window; FLG: "fast" level, and the two bytes a multiple of 31.
constexpr uint8_t kZlibHeader[] = {0x78, 0x5E};
// An empty stored block's length and its complement, after its 3-bit header and alignment.
constexpr uint8_t kEmptyStoredBlock[] = {0x00, 0x00, 0xFF, 0xFF};

struct CompressorDeleter {
    void operator()(libdeflate_compressor* c) const { libdeflate_free_compressor(c); }
};
using Compressor = std::unique_ptr<libdeflate_compressor, CompressorDeleter>;

// The bit where the last block of a raw deflate stream starts and the bit just past its end
// (bits counted from the least significant bit of the first byte, as deflate packs them).
// libdeflate does not say where it put its blocks, so zlib walks them; inflating costs a
// fraction of deflating.
bool locateLastBlock(const std::vector<uint8_t>& deflated, size_t& lastStart, size_t& end) {
    z_stream z{};
    if (inflateInit2(&z, -15) != Z_OK) return false;
    uint8_t sink[1 << 15];
    z.next_in = const_cast<Bytef*>(deflated.data());
    z.avail_in = uInt(deflated.size());
    lastStart = 0;
    bool ended = false, ok = false;
    for (;;) {
        z.next_out = sink;
        z.avail_out = sizeof sink;
        const int status = inflate(&z, Z_BLOCK);
        if (status == Z_STREAM_END) {
            ok = ended;
            break;
        }
        if (status != Z_OK) break;
        // Stopped just after an end-of-block code: the end of the final block (64: it was the
        // last one), or where the next block starts.
        if (z.data_type & 128) {
            const size_t bit = (deflated.size() - z.avail_in) * 8 - size_t(z.data_type & 7);
            if (z.data_type & 64) {
                end = bit;
                ended = true;
            } else {
                lastStart = bit;
            }
        }
    }
    inflateEnd(&z);
    return ok;
}

// Lets more blocks follow a strip's deflate stream: its last block loses the final flag, and an
// empty stored block after it pads the strip to a whole byte (what zlib writes on a sync flush).
bool continueAfter(std::vector<uint8_t>& deflated) {
    size_t lastStart = 0, end = 0;
    if (!locateLastBlock(deflated, lastStart, end)) return false;
    deflated[lastStart / 8] &= uint8_t(~(1u << (lastStart % 8)));
    deflated.resize((end + 7) / 8);
    if (end % 8) deflated[end / 8] &= uint8_t((1u << (end % 8)) - 1);
    deflated.resize((end + 3 + 7) / 8, 0);  // the stored block's header bits, all zero
    deflated.insert(deflated.end(), std::begin(kEmptyStoredBlock), std::end(kEmptyStoredBlock));
    return true;
}

struct Strip {
    std::vector<uint8_t> deflated;
    uint32_t adler = 1;
    size_t length = 0;
};

class StripRun {
  public:
    explicit StripRun(const StripDeflateJob& job)
        : job_(job), inFlight_(size_t(2 * std::max(1, workerCount()))) {}

    bool run() {
        if (!job_.emit(kZlibHeader, sizeof kZlibHeader)) return false;
        const int threads = int(std::min<size_t>(size_t(workerCount()), job_.strips));
        std::vector<std::thread> pool;
        for (int t = 1; t < threads; ++t) pool.emplace_back([this] { work(); });
        work();
        for (std::thread& t : pool) t.join();
        if (outOfMemory_) setLastError(kErrMemory);
        if (failed_) return false;
        const uint8_t trailer[] = {uint8_t(adler_ >> 24), uint8_t(adler_ >> 16),
                                   uint8_t(adler_ >> 8), uint8_t(adler_)};
        return job_.emit(trailer, sizeof trailer);
    }

  private:
    void work() {
        try {
            Compressor compressor(libdeflate_alloc_compressor(job_.level));
            if (!compressor) throw std::bad_alloc();
            std::vector<uint8_t> input;
            for (;;) {
                size_t index = 0;
                {
                    std::unique_lock lock(mutex_);
                    // Strips run at most a few ahead of the writing, which bounds the memory.
                    turn_.wait(lock, [this] {
                        return failed_ || next_ >= job_.strips || next_ < emitted_ + inFlight_;
                    });
                    if (failed_ || next_ >= job_.strips) return;
                    index = next_++;
                }
                Strip strip = compress(compressor.get(), index, input);
                deliver(index, std::move(strip));
            }
        } catch (const std::bad_alloc&) {
            const std::lock_guard lock(mutex_);
            failed_ = outOfMemory_ = true;
            turn_.notify_all();
        }
    }

    Strip compress(libdeflate_compressor* compressor, size_t index, std::vector<uint8_t>& input) {
        input.clear();
        job_.produce(index, input);
        Strip strip;
        strip.length = input.size();
        strip.adler = libdeflate_adler32(1, input.data(), input.size());
        strip.deflated.resize(libdeflate_deflate_compress_bound(compressor, input.size()));
        strip.deflated.resize(libdeflate_deflate_compress(
            compressor, input.data(), input.size(), strip.deflated.data(), strip.deflated.size()));
        if (index + 1 < job_.strips && !continueAfter(strip.deflated)) throw std::bad_alloc();
        return strip;
    }

    // Writes every strip that is next in order; the others wait in `done_`.
    void deliver(size_t index, Strip&& strip) {
        const std::lock_guard lock(mutex_);
        done_.emplace(index, std::move(strip));
        for (auto it = done_.find(emitted_); it != done_.end() && !failed_;
             it = done_.find(emitted_)) {
            const Strip& s = it->second;
            failed_ = !job_.emit(s.deflated.data(), s.deflated.size());
            adler_ = uint32_t(adler32_combine(adler_, s.adler, z_off_t(s.length)));
            done_.erase(it);
            ++emitted_;
        }
        turn_.notify_all();
    }

    const StripDeflateJob& job_;
    const size_t inFlight_;
    std::mutex mutex_;
    std::condition_variable turn_;
    std::map<size_t, Strip> done_;
    size_t next_ = 0, emitted_ = 0;
    uint32_t adler_ = 1;
    bool failed_ = false, outOfMemory_ = false;
};

}  // namespace

bool deflateInStrips(const StripDeflateJob& job) {
    StripRun run(job);
    return run.run();
}

}  // namespace ximora::engine
