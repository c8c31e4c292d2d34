#pragma once
// Whole-file writes for the Qt side of the program, through the engine's one write path
// (engine/io/atomic_file.h): a failure leaves the old file byte for byte and says why.

#include <QByteArray>
#include <QString>

namespace ximora::platform {

/// Replaces (or creates) `path` with `bytes`. On failure the target is as it was and `error`
/// (when given) receives the reason in the program's words, e.g. "ﾌｧｲﾙが書き込みできません" and,
/// after a CR, "ﾃﾞｨｽｸの空き容量が不足しています".
bool writeFileAtomically(const QString& path, const QByteArray& bytes, QString* error = nullptr);

/// Overwrites the existing file `path`, which must hold exactly `bytes.size()` bytes, in place;
/// for a record whose folder refuses new files. `error` as above.
bool rewriteFileInPlace(const QString& path, const QByteArray& bytes, QString* error = nullptr);

}  // namespace ximora::platform
