#pragma once
// The decode worker's side: answers the program's requests on its socket, one at a time.

namespace ximora::engine {

/// Answers requests on `socket` until the program closes it (returns 0) or the worker has used
/// `cpuSecondsToRetire` seconds of processor time (it says so in its last reply and returns
/// 0); 1 when the socket fails. Pictures are made in shared memory (RasterPool::shareRasters).
int serveDecodeRequests(int socket, double cpuSecondsToRetire);

}  // namespace ximora::engine
