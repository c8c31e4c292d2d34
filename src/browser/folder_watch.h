#pragma once
// One pass of the folder watch over the nodes the tree has loaded: nodes of vanished folders
// go, and the children of folders whose timestamp moved are brought in line with the disk.

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

class QTreeWidgetItem;

namespace ximora::browser {

class FolderTree;

/// What a pass needs to know of one loaded folder node, copied on the user-interface thread so
/// that the disk can be asked on another.
struct WatchEntry {
    int number = 0;
    QByteArray nativePath;
    bool driveRoot = false;
    int64_t date = 0;  ///< the node's date table entry
};

/// The loaded folder nodes of `tree`, in node number order.
std::vector<WatchEntry> watchList(const FolderTree& tree);

/// Numbers of the entries whose folder vanished or whose timestamp moved past their date. Asks
/// the disk once per entry; safe on any thread.
std::vector<int> changedFolders(const std::vector<WatchEntry>& entries);

/// Runs one pass over the nodes numbered `candidates` (ascending); each is looked at again
/// here, so a stale candidate list does no harm. `refillSelected` is called (before the
/// selected node's children are synchronised) when the selected node's folder changed, to
/// refill the file area keeping its selection. Never fails: a folder that cannot be read is
/// skipped until the next pass.
void checkFolders(FolderTree& tree, const std::function<void()>& refillSelected,
                  const std::vector<int>& candidates);

/// One whole pass on the calling thread.
void checkFolders(FolderTree& tree, const std::function<void()>& refillSelected);

/// Brings the loaded children of `node` (folder `path`) in line with the folder's subfolders:
/// children whose folders vanished are removed, new subfolders are inserted among the existing
/// children in character-code order. A node whose children are not loaded yet is left alone.
/// A new subfolder whose name followed by a tab occurs inside the kept list text (for example
/// "ab" beside an existing "xab") goes unnoticed, as the list is searched as plain text.
void syncChildren(FolderTree& tree, QTreeWidgetItem* node, const QString& path);

}  // namespace ximora::browser
