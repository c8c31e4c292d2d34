#pragma once
// Runs a row loop on all cores in contiguous bands. Each band sees rows [y0, y1); the work per
// row must not depend on other bands, so the result equals a single-threaded run.

#include <functional>

namespace ximora::engine {

/// Calls body(y0, y1) over disjoint bands covering [0, rows). Small jobs (below `minRows` rows
/// per band) run on the calling thread. Returns when every band is done.
void parallelRows(int rows, const std::function<void(int y0, int y1)>& body, int minRows = 16);

/// Number of worker threads used for pixel loops (the hardware concurrency, at least 1, unless
/// setWorkerCount chose another number).
int workerCount();

/// Fixes the number of bands parallelRows may use (1 = everything on the calling thread; more
/// than the cores is allowed, which tests use to split images into many bands); 0 returns to the
/// hardware concurrency. Set it while no pixel loop runs.
void setWorkerCount(int count);

}  // namespace ximora::engine
