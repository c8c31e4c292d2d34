#pragma once
// The folder tree `trView`: numbered nodes with keys "Nd000", "?" placeholders for children not
// loaded yet, and the folder date table the folder watch compares against.

#include <QByteArray>
#include <QObject>
#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

class QTreeWidget;
class QTreeWidgetItem;

namespace ximora::browser {

class FolderTree : public QObject {
    Q_OBJECT
  public:
    /// Decides whether a folder path is a drive root (the filesystem root or a mount point).
    using DriveRootTest = std::function<bool(const QString&)>;

    /// Works on `view` (one column, owned by the caller); node images come from the style.
    FolderTree(QTreeWidget* view, DriveRootTest isDriveRoot);

    QTreeWidget* view() const { return view_; }

    /// Rebuilds the tree for `root` (a trailing "/" removed, "/" itself kept). False when `root`
    /// is not an existing folder: the tree is left empty.
    bool build(const QString& root);
    /// Removes every node, the node counter and the date table.
    void clear();

    /// Changes whenever the tree is rebuilt or cleared, so that a caller that let events run
    /// can tell that its nodes are gone.
    int generation() const { return generation_; }
    /// Number of the last node created (0 after a rebuild; the root is node 0).
    int counter() const { return int(nodes_.size()) - 1; }
    /// The node numbered `number`, or nullptr when it was removed or never existed.
    QTreeWidgetItem* node(int number) const;
    /// The node with `key` ("Nd" + number as "000"), or nullptr.
    QTreeWidgetItem* nodeByKey(const QString& key) const;
    QTreeWidgetItem* root() const { return node(0); }

    static QString keyFor(int number);
    static QString key(const QTreeWidgetItem* item);
    static bool isPlaceholder(const QTreeWidgetItem* item);
    /// The folder of a node: the root's text, then the names below it joined by "/".
    static QString fullPath(const QTreeWidgetItem* item);
    /// The node's number, or -1 for a placeholder.
    static int number(const QTreeWidgetItem* item);

    /// Date table entry of node `number` (nanoseconds since 1970).
    int64_t date(int number) const { return dates_.at(size_t(number)); }
    void setDate(int number, int64_t stamp) { dates_.at(size_t(number)) = stamp; }

    /// Loads the subfolders of `item` as its last children. A folder that cannot be read gets
    /// none. Returns the number of children created.
    int loadChildren(QTreeWidgetItem* item);
    /// Replaces a "?" placeholder first child with the real children.
    void loadIfPlaceholder(QTreeWidgetItem* item);
    /// Removes `item` with everything below it.
    void removeNode(QTreeWidgetItem* item);
    /// Creates the node of subfolder `name` of `parent`, after `previous` (nullptr: as the first
    /// child), collapsed; with a placeholder when `withPlaceholder`. Returns the new node.
    QTreeWidgetItem* insertNode(QTreeWidgetItem* parent, QTreeWidgetItem* previous,
                                const QString& name, bool withPlaceholder);

    /// Walks from the root towards `path` level by level, loading placeholders and expanding
    /// the nodes on the way; returns the deepest node reached (the root when `path` lies
    /// outside the tree), or nullptr when the tree is empty. A level matches a child's folder
    /// exactly, or else without regard to case.
    QTreeWidgetItem* walkTo(const QString& path);

    bool isDriveRoot(const QString& path) const { return isDriveRoot_(path); }
    /// Whether node `number` stands for a drive root (decided when it was created).
    bool isDriveRootNode(int number) const { return driveRoots_.at(size_t(number)); }
    /// The folder of node `number` in the file system's encoding.
    const QByteArray& nativePath(int number) const { return natives_.at(size_t(number)); }

  private:
    void onExpanded(QTreeWidgetItem* item);
    void onCollapsed(QTreeWidgetItem* item);
    QTreeWidgetItem* makeNode(const QString& text, const QString& path);
    void addPlaceholder(QTreeWidgetItem* item);
    void forget(QTreeWidgetItem* item);

    QTreeWidget* view_;
    DriveRootTest isDriveRoot_;
    std::vector<QTreeWidgetItem*> nodes_;  // by node number; nullptr once removed
    std::vector<int64_t> dates_;           // the folder date table, by node number
    std::vector<QByteArray> natives_;      // encoded folder paths, by node number
    std::vector<bool> driveRoots_;         // by node number
    int generation_ = 0;
};

}  // namespace ximora::browser
