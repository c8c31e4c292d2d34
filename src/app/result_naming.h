#pragma once
// Serial file names: storing into the storage folder and the new file of a folder job.

#include <QString>

namespace ximora::app {

/// The next serial number in `folder` for names prefix + number + "." + ext: one more than
/// the largest leading number after the prefix among the files named prefix + anything + "."
/// + ext (prefix and extension taken literally, case-sensitive), 1 when none match. An empty
/// `ext` counts as "jpg". The folder must exist.
int nextStoreNumber(const QString& folder, const QString& prefix, QString ext);

/// prefix + number ("000" below 1000, "0000" from 1000 on) + "." + ext.
QString storeFileName(const QString& prefix, int number, const QString& ext);

/// The file a folder job produces in `folder` for the proposed `name` and the editor's colour
/// code: a "*" before the extension becomes the next three-digit number, an extension left
/// open (".*", also when the name has none) becomes "gif" for colour codes 1, 4, 8, 40, 80
/// and "jpg" otherwise. `gif` tells whether the extension was set to GIF here.
QString folderJobFile(const QString& folder, QString name, int colourCode, bool& gif);

}  // namespace ximora::app
