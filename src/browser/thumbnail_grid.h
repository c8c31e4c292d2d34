#pragma once
// The thumbnail grid `IkThmb`: a folder's images as a grid of columns × visible rows, shown at
// once with placeholders and filled from worker threads, the visible items first.

#include <QAbstractScrollArea>
#include <QString>
#include <vector>

#include "browser/thumbnail_set.h"

namespace ximora::browser {

class ThumbnailProgress;

class ThumbnailGrid : public QAbstractScrollArea {
    Q_OBJECT
  public:
    explicit ThumbnailGrid(QWidget* parent = nullptr);

    // Layout and source. Indexes are 1-based, as the browser counts thumbnails.
    void setFolder(const QString& folder) { folder_ = folder; }
    QString folder() const { return folder_; }
    /// Upper-case extensions joined by ";".
    void setFilter(const QString& filter) { filter_ = filter; }
    QString filter() const { return filter_; }
    /// Thumbnails per row, at least 1.
    void setColumns(int columns);
    int columns() const { return columns_; }
    /// Rows visible at once, at least 1.
    void setRows(int rows);
    int rows() const { return rows_; }
    /// Print the file name under each thumbnail.
    void setShowNames(bool show);
    bool showNames() const { return showNames_; }
    /// Thumbnail size in pixels (the side of the square thumbnails are fitted into), 1 to 65535.
    /// Takes effect at the next listing.
    void setThumbnailSize(int size);
    int thumbnailSize() const { return size_; }
    /// The size thumbnails are made at: the thumbnail size in device pixels, so that they stay
    /// sharp on high-density screens (the cache file is named after it).
    int deviceThumbnailSize() const;
    void setCacheFile(const QString& file) { cacheFile_ = file; }
    QString cacheFile() const { return cacheFile_; }
    /// When set, Up and Down are left to the host (the browser's own rules).
    void setHostHandlesUpDown(bool host) { hostUpDown_ = host; }

    /// Lists the folder: the grid shows at once with placeholders; emits listingFinished.
    void listFolder();
    /// Stops producing and empties the grid (the cache file name is kept).
    void reset();
    /// Writes the cache file when anything changed; false when it could not be written.
    bool saveCache();

    int count() const { return set_.count(); }
    /// Selects item `index` alone, makes it current, scrolls it into view and emits itemChosen.
    /// An index outside 1..count() does nothing.
    void selectItem(int index);
    /// Removes item `index` from the grid.
    void removeItem(int index);
    bool isSelected(int index) const;
    int selectedCount() const;

    /// The item whose folder and name are read (not the selection); 0 for none.
    void setCurrentItem(int index);
    int currentItem() const { return current_; }
    /// The current item's folder, ending in "/", and its name (empty when there is none).
    QString itemFolder() const;
    QString itemName() const;
    QString itemName(int index) const;

    /// Scrolls one row: `direction` -1 up, 1 down.
    void scrollRow(int direction);
    /// 1-based index of the first item of the first visible row (0 when empty).
    int firstVisible() const;
    ThumbnailSet& thumbnails() { return set_; }

  signals:
    void busyBegin();
    void busyEnd();
    /// An item was chosen (clicked, moved to with the keys, or selected by selectItem);
    /// `folder` ends in "/", so folder + name is the file.
    void itemChosen(const QString& folder, const QString& name, int index);
    /// An item was double-clicked or Enter was pressed on it.
    void itemActivated(const QString& folder, const QString& name, int index);
    void listingFinished(int count);
    void mouseButton(Qt::MouseButton button, const QPoint& position);
    /// A file was dropped on the grid.
    void fileDropped(const QString& folder, const QString& name);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    QSize cellSize() const;
    int totalRows() const;
    QRect cellRect(int index) const;            // 0-based, viewport coordinates
    int indexAt(const QPoint& position) const;  // 0-based, -1 for none
    void updateScrollBar();
    void updateVisible();
    void ensureVisible(int index);  // 0-based
    void paintCell(QPainter& painter, int index);
    void choose(int index, Qt::KeyboardModifiers modifiers);  // 0-based
    void onItemChanged(int index);

    ThumbnailSet set_;
    ThumbnailProgress* progress_ = nullptr;  // over the bottom edge while making many
    std::vector<bool> selected_;
    QString folder_, filter_, cacheFile_;
    int columns_ = 1, rows_ = 3, size_ = 100;
    bool showNames_ = false;
    bool hostUpDown_ = false;
    int current_ = 0;  // 1-based, the item read by itemFolder()/itemName()
    int focus_ = -1;   // 0-based, the item with the focus frame
    int anchor_ = -1;  // 0-based, start of a Shift range
};

}  // namespace ximora::browser
