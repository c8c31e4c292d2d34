#pragma once
// Values written into freedesktop desktop entries and link files, escaped by freedesktop's
// rules for desktop entries, so that no path or setting can end a line, add a key or change the
// command a desktop runs.

#include <QString>

namespace ximora::app {

/// A string value: backslash, newline, tab and carriage return written as \\, \n, \t, \r.
QString desktopStringValue(const QString& text);

/// One argument of an Exec key: in double quotes, with ", `, $ and \ escaped by a backslash,
/// then escaped as a string value, and % doubled (a field code otherwise).
QString desktopExecArgument(const QString& argument);

}  // namespace ximora::app
