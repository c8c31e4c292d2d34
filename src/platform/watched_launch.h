#pragma once
// Starting a helper program (the mail tool, an external editor) that may run for as long as
// the user works in it: the program is never waited for and never ended from here, even when
// Ximora ends first, but a start that fails or a tool that ends with an error is still told.

#include <QByteArray>
#include <QList>
#include <functional>

namespace ximora::platform {

/// Starts `program` (searched on PATH when it has no "/") with `arguments`, each handed over
/// as the bytes given (file names as the file system has them; nothing is split or quoted).
/// `failed` is called on the thread of the QCoreApplication when the program cannot be
/// started or when it exits with a status other than 0, at whatever time that happens; never
/// when it ends well, is ended by a signal, or is still running when Ximora ends. False when it
/// could not be started at all (then `failed` is called as well, later).
bool launchWatched(const QByteArray& program, const QList<QByteArray>& arguments,
                   std::function<void()> failed);

}  // namespace ximora::platform
