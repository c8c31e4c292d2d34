#pragma once
// Whole-file writes that never leave a half-written file: the bytes go to a temporary file in
// the same folder, which is renamed over the target only when everything was written. The
// permissions of a replaced file are kept.

#include <QByteArray>
#include <QString>

namespace ximora::platform {

/// Replaces (or creates) `path` with `bytes`. On failure the target is as it was and `error`
/// (when given) receives a short description.
bool writeFileAtomically(const QString& path, const QByteArray& bytes, QString* error = nullptr);

}  // namespace ximora::platform
