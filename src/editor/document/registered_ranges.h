#pragma once
// The user's registered range sizes: one text of entries "name,width,height,unit" joined with
// ":". Width and height are read like the old runtime's Val; the unit "cm" (any letter case)
// means centimetres of print size, anything else pixels. Entries are kept exactly as written so
// that the text goes back to the settings unchanged.

#include <QList>
#include <QString>
#include <QStringList>

namespace ximora::editor {

struct RangeEntry {
    QString text;           ///< the entry as written, all its fields
    QString name;           ///< first field, never empty
    QString width, height;  ///< second and third fields as written
    bool centimetres = false;
    double widthValue = 0;  ///< numeric values of width and height, never 0
    double heightValue = 0;

    /// "name(width * height unit)" with the unit "cm" or "px".
    QString caption() const;
    /// Reads one entry; false when it has fewer than four fields, no name, or a width or height
    /// whose value is 0.
    static bool parse(const QString& text, RangeEntry& out);
};

class RegisteredRanges {
  public:
    /// Keeps the valid entries of `text` in order; invalid or empty ones are dropped.
    void setText(const QString& text);
    /// The kept entries joined with ":".
    QString text() const;
    const QList<RangeEntry>& entries() const { return entries_; }
    /// The menu captions of the entries, in order.
    QStringList captions() const;
    /// The entry a menu job names: the entry with that exact caption, else the first whose name
    /// equals the job cut before its first "(" (letter case ignored); nullptr when none.
    const RangeEntry* find(const QString& job) const;

  private:
    QList<RangeEntry> entries_;
};

}  // namespace ximora::editor
