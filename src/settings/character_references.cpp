#include "settings/character_references.h"

#include <QList>
#include <algorithm>

#include "platform/cp932.h"

namespace ximora::settings {

QString withCharacterReferences(const QString& value) {
    if (!value.contains(QStringLiteral("&#")) && platform::toCp932(value)) return value;
    QString out;
    const QList<uint> codes = value.toUcs4();
    for (qsizetype i = 0; i < codes.size(); ++i) {
        const char32_t code = codes[i];
        const QString one = QString::fromUcs4(&code, 1);
        const bool ampersandOfReference =
            code == '&' && i + 1 < codes.size() && codes[i + 1] == '#';
        if (ampersandOfReference || !platform::toCp932(one))
            out += QStringLiteral("&#%1;").arg(uint(code));
        else
            out += one;
    }
    return out;
}

QString withoutCharacterReferences(const QString& stored) {
    if (!stored.contains(QStringLiteral("&#"))) return stored;
    QString out;
    qsizetype i = 0;
    while (i < stored.size()) {
        const qsizetype at = stored.indexOf(QStringLiteral("&#"), i);
        if (at < 0) break;
        out += stored.mid(i, at - i);
        const qsizetype end = stored.indexOf(';', at + 2);
        const bool hex = at + 2 < stored.size() && (stored[at + 2] == 'x' || stored[at + 2] == 'X');
        const QString digits =
            end < 0 ? QString() : stored.mid(at + (hex ? 3 : 2), end - at - (hex ? 3 : 2));
        bool ok = !digits.isEmpty() && digits.size() <= 8 &&
                  std::all_of(digits.begin(), digits.end(), [hex](QChar c) {
                      return c.isDigit() || (hex && QStringLiteral("abcdefABCDEF").contains(c));
                  });
        const uint code = ok ? digits.toUInt(&ok, hex ? 16 : 10) : 0;
        if (ok && code > 0 && code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF)) {
            const char32_t point = code;
            out += QString::fromUcs4(&point, 1);
            i = end + 1;
        } else {
            out += QStringLiteral("&#");
            i = at + 2;
        }
    }
    out += stored.mid(i);
    return out;
}

}  // namespace ximora::settings
