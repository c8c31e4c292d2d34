#pragma once
// The system code page of the files the program shares with its original platform
// ("User.xml", "UserData.ini", launch files): CP932 (Shift-JIS with Microsoft's extensions),
// converted through iconv so that files written there read back unchanged.

#include <QByteArray>
#include <QString>
#include <optional>

namespace ximora::platform {

/// Encodes `text` as CP932. Nothing when a character has no CP932 form (for example an emoji)
/// or iconv cannot convert; never a partial result.
std::optional<QByteArray> toCp932(const QString& text);

/// Encodes `text` as CP932, writing "?" for every character without a CP932 form, as the
/// original platform's conversion did. Used where keeping the rest matters more than exactness.
QByteArray toCp932Replacing(const QString& text);

/// Decodes CP932 `bytes`. Nothing when they are not valid CP932 (an invalid or truncated
/// multi-byte sequence); never a partial result.
std::optional<QString> fromCp932(const QByteArray& bytes);

}  // namespace ximora::platform
