#pragma once
// The start procedure of `ximora`: shared state, settings store, main window, then exactly one
// job from the command line.

#include <QStringList>
#include <memory>

class QApplication;

namespace ximora::editor {
class ReadAhead;
}

namespace ximora::app {

/// Before Qt starts: when the command line names a picture and the settings can be read
/// without anything to make or tell, applies their decoding keys and starts reading the
/// picture, which the window's open then takes. Null otherwise (runProgram then starts the
/// read itself, after the settings).
std::unique_ptr<editor::ReadAhead> readPictureBeforeQt(int argc, char** argv);

/// Runs the program with its arguments (argv without the program itself), taken together as
/// one path; `opening` is what readPictureBeforeQt started. Returns the process exit status:
/// 0, or 1 when a launch file could not be read or rewritten.
int runProgram(QApplication& app, const QStringList& arguments,
               std::unique_ptr<editor::ReadAhead> opening = nullptr);

/// The script of automation mode: the lines of the file named by XIMORA_AUTORUN (UTF-8, CR LF
/// or LF). A file that cannot be read gives no lines, after a message.
QStringList readAutorunScript(const QString& file);

}  // namespace ximora::app
