#pragma once
// The macro list as the settings hold it: on one line, each CR LF written as "~". A "~" of
// the list itself (a folder "a~b" in a recorded job) is written "~-": a stored line break is
// never followed by "-", since every line starts with "[", a group name, or is empty.

#include <QString>

namespace ximora::settings {

QString macroListToStored(const QString& list);
QString macroListFromStored(const QString& stored);

}  // namespace ximora::settings
