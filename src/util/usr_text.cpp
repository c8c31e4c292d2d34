#include "util/usr.h"

namespace ximora::Usr {

void CutAt(QString& text, const QString& separator) {
    if (separator.isEmpty()) return;
    const qsizetype at = text.indexOf(separator);
    if (at >= 0) text.truncate(at);
}

void TrimEnd(QString& text, const QString& suffix) {
    if (!suffix.isEmpty() && text.endsWith(suffix)) text.chop(suffix.size());
}

void AddEnd(QString& text, QString& suffix) {
    if (suffix.isEmpty()) suffix = QStringLiteral("/");
    if (!text.endsWith(suffix)) text += suffix;
}

void AddEnd(QString& text, const QString& suffix) {
    QString s = suffix;
    AddEnd(text, s);
}

void SplitAt(const QString& text, const QString& separator, QString& left, QString& right) {
    const QString sep = separator.isEmpty() ? QStringLiteral(",") : separator;
    const qsizetype at = text.indexOf(sep);
    if (at < 0) {
        left = text;
        right.clear();
        return;
    }
    left = text.left(at);
    right = text.mid(at + sep.size());
}

bool FindText(const QString& text, const QString& marker, int& position) {
    position = 0;
    if (marker.isEmpty()) return false;
    const qsizetype at = text.indexOf(marker, 0, Qt::CaseInsensitive);
    if (at < 0) return false;
    position = static_cast<int>(at) + 1;
    return true;
}

QString TextBetween(QString text, const QString& start, const QString& end) {
    if (!end.isEmpty() && !text.endsWith(end)) text += end;
    qsizetype from = 0;
    if (!start.isEmpty()) {
        const qsizetype at = text.indexOf(start, 0, Qt::CaseInsensitive);
        if (at < 0) return {};
        from = at + start.size();
    }
    if (end.isEmpty()) return text.mid(from);
    const qsizetype to = text.indexOf(end, from, Qt::CaseInsensitive);
    if (to < 0) return {};
    return text.mid(from, to - from);
}

}  // namespace ximora::Usr
