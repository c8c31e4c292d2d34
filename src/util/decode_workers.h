#pragma once
// Whether the program decodes the files it reads in confined worker processes
// (engine/sandbox/sandboxed_decoding.h), as the settings or the command line say.

namespace ximora::util {

/// Starts the decode workers beside the program (on), or decodes in the program itself from
/// now on (off). When the worker program is missing, says so on stderr under `program`'s name
/// and decodes in the program.
/// With `readyLater`, the workers kept ready are started only by keepDecodeWorkersReady()
/// (the window's, once it is on screen); a file read before then starts its own. `workers` are
/// kept ready (0: one per core).
void useDecodeWorkers(bool on, const char* program = "ximora", bool readyLater = false,
                      int workers = 0);

}  // namespace ximora::util
