#pragma once
// The memory budget: how much the engine's pictures may take, for the whole process. Every
// raster allocation and every decoder's large buffer is checked against what is left of it
// (rasters and 16-bit samples alive now count: pictures, undo copies, reductions) and refused
// with error 3 ("ﾒﾓﾘｴﾗｰが発生しました") before anything is allocated, so that a picture too
// large for the machine (or a small file claiming one, or an edit of it) fails cleanly instead
// of driving the system into swap or the process into the out-of-memory killer.

#include <cstdint>

namespace ximora::engine {

/// What is left of the budget, in bytes: the budget less the bytes of the rasters and samples
/// alive now (liveBytes). The budget is automatic unless fixed: half of the memory the process
/// could take with no picture held, which is the system's available memory (MemAvailable)
/// bounded by the process's limits (RLIMIT_AS, RLIMIT_DATA) and its control group's
/// (memory.max), less what is already used against each, plus what the pictures held then took.
/// A fixed budget is used as it stands, bounded by those hard limits only. Re-read at most once
/// a second; thread-safe.
uint64_t memoryLimit();

/// Bytes of the rasters and 16-bit samples alive now, which memoryLimit() counts as used.
uint64_t liveBytes();

/// Counts `bytes` as alive for as long as it lives: what a raster or a sample buffer holds.
class MemoryCharge {
  public:
    MemoryCharge() = default;
    explicit MemoryCharge(uint64_t bytes);
    ~MemoryCharge();
    MemoryCharge(MemoryCharge&& other) noexcept : bytes_(other.bytes_) { other.bytes_ = 0; }
    MemoryCharge& operator=(MemoryCharge&& other) noexcept;
    MemoryCharge(const MemoryCharge&) = delete;
    MemoryCharge& operator=(const MemoryCharge&) = delete;

  private:
    uint64_t bytes_ = 0;
};

/// Fixes the budget at `bytes`; 0 returns to the automatic budget.
void setMemoryLimit(uint64_t bytes);

/// Fixes the budget in megabytes as the settings give it (0 or less: automatic).
void setMemoryLimitMegabytes(int64_t megabytes);

/// What the process could still take, in bytes, as the automatic budget sees it before
/// halving (for reports and tests).
uint64_t memoryHeadroom();

}  // namespace ximora::engine
