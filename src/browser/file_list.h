#pragma once
// The file list `lsFile`: the selected folder's image files in report view with the columns
// "名前", "ｻｲｽﾞ", "更新日時" and item keys "F0001", "F0002", ...

#include <QString>
#include <QTreeWidget>
#include <cstdint>

namespace ximora::browser {

/// A size in bytes as "#,0": thousands separated by ",", no decimals ("1,234,567").
QString formatSize(uint64_t bytes);
/// A modification time (nanoseconds since 1970, UTC) as local "yy/mm/dd".
QString formatDate(int64_t mtimeNs);

class FileList : public QTreeWidget {
    Q_OBJECT
  public:
    explicit FileList(QWidget* parent = nullptr);

    /// Lists the image files of `folder` passing `filter` (upper-case extensions joined by ";").
    /// With `keepSelection` the item named as the selected one before is selected again.
    void fill(const QString& folder, const QString& filter, bool keepSelection);
    /// Removes every item.
    void empty() { clear(); }

    /// The key of an item ("F" + its 1-based number as "0000").
    static QString key(const QTreeWidgetItem* item);
    /// The file name of an item, which gives its bytes back (platform/file_names.h); its text is
    /// the name made readable (a Shift-JIS name shown as such).
    static QString name(const QTreeWidgetItem* item);
    /// 1-based number of the selected (current) item, 0 for none.
    int selectedNumber() const;
    /// Makes item `number` (1-based) the selected one, alone.
    void selectNumber(int number);
    /// Selects the first item named `name`; false when there is none.
    bool selectName(const QString& name);

  signals:
    void enterPressed();
    void deletePressed();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace ximora::browser
