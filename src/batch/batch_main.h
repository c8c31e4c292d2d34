#pragma once
// The start both batch programs share: `ximora-batch` (info, convert, thumbs: the engine only)
// and `ximora-batch-run` (run: the editor document), which ximora-batch hands `run` to, so that
// a script's `info` or `convert` never loads the editor and the libraries behind it.

#include <span>

#include "batch/batch_command.h"

namespace ximora::batch {

/// Runs the command argv names with the rest of argv (--no-sandbox taken out wherever it stands
/// before "--"), its files decoded in the workers unless --no-sandbox says otherwise; a command
/// without a function of its own is handed, with argv as it came, to the program it names.
/// Returns the exit status.
int batchMain(int argc, char** argv, std::span<const BatchCommand> commands);

}  // namespace ximora::batch
