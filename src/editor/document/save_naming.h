#pragma once
// File names the editor makes up when it saves: the next "~NN" copy of a file, the next serial
// copy in a folder, and the name with its extension normalised or supplied.

#include <QString>

namespace ximora::editor {

/// The next free "base~NN.ext" beside `path` (NN from 01, after the number already following the
/// last "~" of the base). Empty when `path` has no "." or every number up to 99 is taken.
QString nextCopyName(const QString& path);

/// `folder` + the next five-digit serial + ".bmp": one past the largest number among the "*.bmp"
/// names in the folder (a name without a number counts as 0), "00000.bmp" when there are none.
/// `folder` ends in "/".
QString nextSerialName(const QString& folder);

/// The text after the last "." of the file name part, or empty.
QString extensionOf(const QString& path);

/// `path` with its extension in lower case.
QString lowerCaseExtension(const QString& path);

/// The folder part of a path: up to, not including, the last "/".
QString folderOf(const QString& path);

}  // namespace ximora::editor
