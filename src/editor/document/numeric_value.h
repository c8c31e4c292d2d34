#pragma once
// The numeric value of the leading number of a text, read as the old runtime's Val did: spaces
// skipped, an optional sign, digits with one decimal point; anything else ends it; no number
// gives 0. The editor's texts (" 50%", quality answers, "~07") are read this way.

#include <QString>

namespace ximora::editor {

double numericValue(const QString& text);

}  // namespace ximora::editor
