#include "browser/folder_watch.h"

#include <QStringList>
#include <QTreeWidget>
#include <algorithm>

#include "browser/folder_scan.h"
#include "browser/folder_tree.h"

namespace ximora::browser {

void syncChildren(FolderTree& tree, QTreeWidgetItem* node, const QString& path) {
    if (node->childCount() > 0 && FolderTree::isPlaceholder(node->child(0))) return;

    // Surviving children as "name<TAB>key", new folders as "name". The text form is what the
    // presence test searches; the list keeps names that contain "," whole.
    QString keepText;
    QStringList keep;
    QList<QTreeWidgetItem*> vanished;
    for (int i = 0; i < node->childCount(); ++i) {
        QTreeWidgetItem* child = node->child(i);
        if (folderStamp(FolderTree::fullPath(child))) {
            const QString entry = child->text(0) + u'\t' + FolderTree::key(child);
            keepText += entry + u',';
            keep.append(entry);
        } else {
            vanished.append(child);
        }
    }
    for (QTreeWidgetItem* child : vanished) tree.removeNode(child);

    const SubfolderList list = listSubfolders(path);
    if (!list.readable) return;
    int added = 0;
    for (const QString& name : list.names) {
        if (keepText.contains(name + u'\t')) continue;
        keepText += name + u',';
        keep.append(name);
        ++added;
    }
    if (added == 0) return;

    // Plain character-code order; the entries are distinct, so any sort gives the one order.
    std::sort(keep.begin(), keep.end());
    QTreeWidgetItem* previous = nullptr;
    for (const QString& entry : keep) {
        const qsizetype tab = entry.indexOf(u'\t');
        if (tab >= 0) {
            previous = tree.nodeByKey(entry.mid(tab + 1));
            continue;
        }
        const bool withPlaceholder = hasSubfolders(joinPath(path, entry)).value_or(false);
        previous = tree.insertNode(node, previous, entry, withPlaceholder);
    }
}

std::vector<WatchEntry> watchList(const FolderTree& tree) {
    std::vector<WatchEntry> entries;
    entries.reserve(size_t(tree.counter() + 1));
    for (int n = 0; n <= tree.counter(); ++n) {
        if (tree.node(n))
            entries.push_back({n, tree.nativePath(n), tree.isDriveRootNode(n), tree.date(n)});
    }
    return entries;
}

std::vector<int> changedFolders(const std::vector<WatchEntry>& entries) {
    std::vector<int> changed;
    for (const WatchEntry& entry : entries) {
        const auto stamp = folderStamp(entry.nativePath.constData());
        if (!stamp || (entry.driveRoot ? kDriveRootStamp : *stamp) > entry.date)
            changed.push_back(entry.number);
    }
    return changed;
}

void checkFolders(FolderTree& tree, const std::function<void()>& refillSelected,
                  const std::vector<int>& candidates) {
    const int generation = tree.generation();
    for (const int n : candidates) {
        QTreeWidgetItem* node = tree.node(n);
        if (!node) continue;  // removed with a vanished parent earlier in this pass
        const auto stamp = folderStamp(tree.nativePath(n).constData());
        if (!stamp) {
            tree.removeNode(node);
            continue;
        }
        const int64_t now = tree.isDriveRootNode(n) ? kDriveRootStamp : *stamp;
        if (now <= tree.date(n)) continue;
        // Only the selected folder's entry moves on; the others are looked at again next pass
        // until they are selected.
        if (node == tree.view()->currentItem()) {
            refillSelected();
            // The refill lets pending events run; a rebuilt tree ends the pass.
            if (tree.generation() != generation || tree.node(n) != node) return;
            tree.setDate(n, now);
        }
        syncChildren(tree, node, FolderTree::fullPath(node));
    }
}

void checkFolders(FolderTree& tree, const std::function<void()>& refillSelected) {
    checkFolders(tree, refillSelected, changedFolders(watchList(tree)));
}

}  // namespace ximora::browser
