#pragma once
// The registered folders `sPcFold`: at most ten comma-separated folders, newest first.

#include <QString>
#include <QStringList>

namespace ximora::app::folders {

/// Most entries the list keeps.
inline constexpr int kMaxFolders = 10;

/// The entries of `list` that are existing folders, in order.
QStringList existing(const QString& list);
/// The list after registering `folder`: it comes first, followed by the old entries that are
/// not empty, not already present and existing folders, up to kMaxFolders entries.
QString registerFolder(const QString& folder, const QString& list);

}  // namespace ximora::app::folders
