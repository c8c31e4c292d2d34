#pragma once
// The macro list text: "[title]" lines followed by "group⇒job" lines, CR LF between lines and
// an empty line between macros. Stored in the settings with "~" for every CR LF.

#include <QString>
#include <QStringList>
#include <optional>

namespace ximora::app::macros {

inline const QString kCrLf = QStringLiteral("\r\n");
inline const QString kArrow = QStringLiteral("⇒");

/// The titles in order of appearance, each trimmed of spaces; duplicates kept.
QStringList titles(const QString& list);
/// The command lines of the first macro titled `title` (case-insensitive), without leading
/// and trailing CR LF; nothing when no such title exists.
std::optional<QString> body(const QString& list, const QString& title);
/// `list` with a recorded buffer appended under "[新規マクロ]": an empty line separates it
/// from a non-empty list that does not already end in one.
QString appendRecording(const QString& list, const QString& buffer);
/// A recording buffer with one more command line.
void record(QString& buffer, const QString& group, const QString& job);
/// The (group, job) pairs of a macro body: lines split at their first "⇒"; lines without one
/// are skipped.
QList<std::pair<QString, QString>> commands(const QString& body);
/// The settings form ("~" for CR LF, "~-" for "~") and back.
QString toStored(const QString& list);
QString fromStored(const QString& stored);

}  // namespace ximora::app::macros
