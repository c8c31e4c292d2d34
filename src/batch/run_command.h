#pragma once
// `ximora-batch run`.

#include <QStringList>

namespace ximora::batch {

/// Runs the subcommand with the arguments after "run". Exit status: 0 all files done, 1 when
/// any file failed, 2 for bad arguments or a refused command pair.
int runCommand(const QStringList& args);

}  // namespace ximora::batch
