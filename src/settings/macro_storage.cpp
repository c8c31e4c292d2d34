#include "settings/macro_storage.h"

namespace ximora::settings {
namespace {

constexpr QChar kBreak = u'~', kLiteral = u'-';

}  // namespace

QString macroListToStored(const QString& list) {
    QString stored;
    stored.reserve(list.size() + 8);
    for (qsizetype i = 0; i < list.size(); ++i) {
        if (list[i] == u'\r' && i + 1 < list.size() && list[i + 1] == u'\n') {
            stored += kBreak;
            ++i;
        } else if (list[i] == kBreak) {
            stored += kBreak;
            stored += kLiteral;
        } else {
            stored += list[i];
        }
    }
    return stored;
}

QString macroListFromStored(const QString& stored) {
    QString list;
    list.reserve(stored.size() + 16);
    for (qsizetype i = 0; i < stored.size(); ++i) {
        if (stored[i] != kBreak) {
            list += stored[i];
        } else if (i + 1 < stored.size() && stored[i + 1] == kLiteral) {
            list += kBreak;
            ++i;
        } else {
            list += QStringLiteral("\r\n");
        }
    }
    return list;
}

}  // namespace ximora::settings
