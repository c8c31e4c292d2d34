#include "app/desktop_entry.h"

namespace ximora::app {

QString desktopStringValue(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        switch (c.unicode()) {
            case '\\':
                out += QStringLiteral("\\\\");
                break;
            case '\n':
                out += QStringLiteral("\\n");
                break;
            case '\t':
                out += QStringLiteral("\\t");
                break;
            case '\r':
                out += QStringLiteral("\\r");
                break;
            default:
                out += c;
        }
    }
    return out;
}

QString desktopExecArgument(const QString& argument) {
    QString quoted = QStringLiteral("\"");
    for (const QChar c : argument) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
        quoted += c;
    }
    quoted += '"';
    // The quoting rule applies after the string value's escapes are undone, so its escapes are
    // escaped once more; a literal % is written twice.
    return desktopStringValue(quoted).replace('%', QStringLiteral("%%"));
}

}  // namespace ximora::app
