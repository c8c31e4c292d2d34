#pragma once
// The memory budget: how large a raster the engine allocates for one picture. Every raster
// allocation and every decoder's large buffer is checked against it and refused with error 3
// ("ﾒﾓﾘｴﾗｰが発生しました") before anything is allocated, so that a picture too large for the
// machine (or a small file claiming one) fails cleanly instead of driving the system into swap
// or the process into the out-of-memory killer.

#include <cstdint>

namespace ximora::engine {

/// The budget in bytes. Automatic unless fixed: half of the memory the process could still
/// take, which is the system's available memory (MemAvailable) bounded by the process's limits
/// (RLIMIT_AS, RLIMIT_DATA) and its control group's (memory.max), less what is already used
/// against each. A fixed budget is used as it stands, bounded by those hard limits only.
/// Re-read at most once a second; thread-safe.
uint64_t memoryLimit();

/// Fixes the budget at `bytes`; 0 returns to the automatic budget.
void setMemoryLimit(uint64_t bytes);

/// Fixes the budget in megabytes as the settings give it (0 or less: automatic).
void setMemoryLimitMegabytes(int64_t megabytes);

/// What the process could still take, in bytes, as the automatic budget sees it before
/// halving (for reports and tests).
uint64_t memoryHeadroom();

}  // namespace ximora::engine
