#pragma once
// The start procedure of `ximora`: shared state, settings store, main window, then exactly one
// job from the command line.

#include <QStringList>

class QApplication;

namespace ximora::app {

/// Runs the program with its arguments (argv without the program itself), taken together as
/// one path. Returns the process exit status: 0, or 1 when a launch file could not be read or
/// rewritten.
int runProgram(QApplication& app, const QStringList& arguments);

/// The script of automation mode: the lines of the file named by XIMORA_AUTORUN (UTF-8, CR LF
/// or LF). A file that cannot be read gives no lines, after a message.
QStringList readAutorunScript(const QString& file);

}  // namespace ximora::app
