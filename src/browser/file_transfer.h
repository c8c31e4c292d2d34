#pragma once
// Copying and moving picture files into a folder for paste and drop: an existing file is
// replaced only when the user says so, a copy reaches its name only when it is complete, and a
// moved file's source goes only after its copy is in place. Long lists show their progress.

#include <QString>
#include <QStringList>

class QWidget;

namespace ximora::browser {

enum class Transfer { Copy, Move };

/// Copies or moves each of `paths` (files, or folders with all they hold) into `folder` under
/// its own name. Copied into the folder it is in, a file or folder gets the next free "~NN"
/// name (NAME~01.EXT); moved there, it stays as it is. Answers to the replace question: Yes
/// replaces, No skips the file, Cancel stops. A failure is reported with the file's name and stops.
/// Returns how many files arrived.
int transferFiles(const QStringList& paths, const QString& folder, Transfer how, QWidget* owner);

/// The progress line while the `number`th of `count` items, `name`, is under way.
QString transferProgressText(Transfer how, const QString& name, int number, int count);

}  // namespace ximora::browser
