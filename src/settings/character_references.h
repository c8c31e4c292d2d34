#pragma once
// Settings values that CP932 cannot spell (a folder "Müller", "한") are kept as XML character
// references, "&#252;", so that they read back exactly instead of as "?". A literal "&#" in a
// value is written "&#38;#" so that it never reads back as a reference. Every other character,
// "&" included, is written as it is, as files from the original platform hold them.

#include <QString>

namespace ximora::settings {

/// `value` with every character that has no CP932 form, and the "&" of every "&#", written as a
/// decimal character reference.
QString withCharacterReferences(const QString& value);

/// `stored` with every well-formed decimal ("&#252;") or hexadecimal ("&#xFC;") character
/// reference replaced by its character; anything else is left as it is.
QString withoutCharacterReferences(const QString& stored);

}  // namespace ximora::settings
