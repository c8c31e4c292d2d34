#pragma once
// One pass of the folder watch over the nodes the tree has loaded: nodes of vanished folders
// go, and the children of folders whose timestamp moved are brought in line with the disk.

#include <QString>
#include <functional>

class QTreeWidgetItem;

namespace ximora::browser {

class FolderTree;

/// Runs one pass. `refillSelected` is called (before the selected node's children are
/// synchronised) when the selected node's folder changed, to refill the file area keeping its
/// selection. Never fails: a folder that cannot be read is skipped until the next pass.
void checkFolders(FolderTree& tree, const std::function<void()>& refillSelected);

/// Brings the loaded children of `node` (folder `path`) in line with the folder's subfolders:
/// children whose folders vanished are removed, new subfolders are inserted among the existing
/// children in character-code order. A node whose children are not loaded yet is left alone.
/// A new subfolder whose name followed by a tab occurs inside the kept list text (for example
/// "ab" beside an existing "xab") goes unnoticed, as the list is searched as plain text.
void syncChildren(FolderTree& tree, QTreeWidgetItem* node, const QString& path);

}  // namespace ximora::browser
