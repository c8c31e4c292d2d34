#pragma once

namespace ximora::decode {

/// A worker's whole life: reads its flags (--memory BYTES, --cpu SECONDS, --check [PATH]),
/// confines itself and answers the program's requests on descriptor 3 until the program closes
/// it. `name` is the program's, for its messages; `prepare`, if given, runs just before the
/// confinement, when nothing but the socket and the standard streams is open (what it opens
/// stays open). Returns the process's exit status.
int runWorker(int argc, char** argv, const char* name, void (*prepare)() = nullptr);

}  // namespace ximora::decode
