#include "editor/document/numeric_value.h"

namespace ximora::editor {

double numericValue(const QString& text) {
    int i = 0;
    while (i < text.size() && text[i].isSpace()) ++i;
    const int start = i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    bool point = false;
    while (i < text.size() && ((text[i] >= '0' && text[i] <= '9') || (text[i] == '.' && !point))) {
        point = point || text[i] == '.';
        ++i;
    }
    bool ok = false;
    const double value = text.mid(start, i - start).toDouble(&ok);
    return ok ? value : 0.0;
}

}  // namespace ximora::editor
