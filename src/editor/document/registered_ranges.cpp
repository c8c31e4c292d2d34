#include "editor/document/registered_ranges.h"

#include "editor/document/numeric_value.h"

namespace ximora::editor {

QString RangeEntry::caption() const {
    return name + '(' + width + QStringLiteral(" * ") + height +
           (centimetres ? QStringLiteral(" cm)") : QStringLiteral(" px)"));
}

bool RangeEntry::parse(const QString& text, RangeEntry& out) {
    const QStringList fields = text.split(',');
    if (fields.size() < 4 || fields[0].isEmpty()) return false;
    const double w = numericValue(fields[1]);
    const double h = numericValue(fields[2]);
    if (w == 0 || h == 0) return false;
    out = {text, fields[0], fields[1], fields[2], fields[3].toLower() == QStringLiteral("cm"),
           w,    h};
    return true;
}

void RegisteredRanges::setText(const QString& text) {
    entries_.clear();
    for (const QString& part : text.split(':')) {
        RangeEntry entry;
        if (RangeEntry::parse(part, entry)) entries_.append(entry);
    }
}

QString RegisteredRanges::text() const {
    QStringList parts;
    for (const RangeEntry& entry : entries_) parts << entry.text;
    return parts.join(':');
}

QStringList RegisteredRanges::captions() const {
    QStringList list;
    for (const RangeEntry& entry : entries_) list << entry.caption();
    return list;
}

const RangeEntry* RegisteredRanges::find(const QString& job) const {
    for (const RangeEntry& entry : entries_)
        if (entry.caption() == job) return &entry;
    const QString name = job.section('(', 0, 0);
    for (const RangeEntry& entry : entries_)
        if (entry.name.compare(name, Qt::CaseInsensitive) == 0) return &entry;
    return nullptr;
}

}  // namespace ximora::editor
