#include "app/menus/macro_list.h"

#include "settings/macro_storage.h"

namespace ximora::app::macros {

QStringList titles(const QString& list) {
    QStringList result;
    qsizetype from = 0;
    for (;;) {
        const qsizetype open = list.indexOf('[', from);
        if (open < 0) break;
        const qsizetype close = list.indexOf(']', open + 1);
        if (close < 0) break;
        result << list.mid(open + 1, close - open - 1).trimmed();
        from = close + 1;
    }
    return result;
}

std::optional<QString> body(const QString& list, const QString& title) {
    const QString key = "[" + title + "]";
    const qsizetype at = list.indexOf(key, 0, Qt::CaseInsensitive);
    if (at < 0) return std::nullopt;
    const qsizetype start = at + key.size();
    const qsizetype next = list.indexOf('[', start);
    QString text = list.mid(start, next < 0 ? -1 : next - start);
    while (text.startsWith(kCrLf)) text.remove(0, 2);
    while (text.endsWith(kCrLf)) text.chop(2);
    return text;
}

QString appendRecording(const QString& list, const QString& buffer) {
    QString result = list;
    if (!result.isEmpty() && !result.endsWith(kCrLf + kCrLf))
        result += result.endsWith(kCrLf) ? kCrLf : kCrLf + kCrLf;
    return result + QStringLiteral("[新規マクロ]") + kCrLf + buffer;
}

void record(QString& buffer, const QString& group, const QString& job) {
    if (!buffer.isEmpty()) buffer += kCrLf;
    buffer += group + kArrow + job;
}

QList<std::pair<QString, QString>> commands(const QString& body) {
    QList<std::pair<QString, QString>> result;
    for (const QString& line : body.split(kCrLf)) {
        const qsizetype arrow = line.indexOf(kArrow);
        if (arrow < 0) continue;
        result.append({line.left(arrow), line.mid(arrow + kArrow.size())});
    }
    return result;
}

QString toStored(const QString& list) { return settings::macroListToStored(list); }

QString fromStored(const QString& stored) { return settings::macroListFromStored(stored); }

}  // namespace ximora::app::macros
