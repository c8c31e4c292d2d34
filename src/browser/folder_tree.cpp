#include "browser/folder_tree.h"

#include <QApplication>
#include <QFile>
#include <QStyle>
#include <QTreeWidget>

#include "browser/folder_scan.h"
#include "platform/file_names.h"

namespace ximora::browser {
namespace {

constexpr int kKeyRole = Qt::UserRole;
constexpr int kPathRole = Qt::UserRole + 1;
constexpr int kNumberRole = Qt::UserRole + 2;
const QString kPlaceholderText = QStringLiteral("?");

/// The images "icClose" and "icOpen" of the tree's image list.
QIcon folderIcon(bool open) {
    return QApplication::style()->standardIcon(open ? QStyle::SP_DirOpenIcon
                                                    : QStyle::SP_DirClosedIcon);
}

void setOpenImage(QTreeWidgetItem* item, bool open) { item->setIcon(0, folderIcon(open)); }

QString trimmedFolder(QString path) {
    while (path.size() > 1 && path.endsWith(u'/')) path.chop(1);
    return path;
}

}  // namespace

FolderTree::FolderTree(QTreeWidget* view, DriveRootTest isDriveRoot)
    : QObject(view), view_(view), isDriveRoot_(std::move(isDriveRoot)) {
    connect(view_, &QTreeWidget::itemExpanded, this, &FolderTree::onExpanded);
    connect(view_, &QTreeWidget::itemCollapsed, this, &FolderTree::onCollapsed);
}

QString FolderTree::keyFor(int number) {
    return QStringLiteral("Nd%1").arg(number, 3, 10, QLatin1Char('0'));
}

QString FolderTree::key(const QTreeWidgetItem* item) { return item->data(0, kKeyRole).toString(); }

bool FolderTree::isPlaceholder(const QTreeWidgetItem* item) {
    return item->data(0, kNumberRole).toInt() < 0;
}

QString FolderTree::fullPath(const QTreeWidgetItem* item) {
    return item->data(0, kPathRole).toString();
}

int FolderTree::number(const QTreeWidgetItem* item) { return item->data(0, kNumberRole).toInt(); }

QTreeWidgetItem* FolderTree::node(int number) const {
    return number >= 0 && size_t(number) < nodes_.size() ? nodes_[size_t(number)] : nullptr;
}

QTreeWidgetItem* FolderTree::nodeByKey(const QString& key) const {
    if (!key.startsWith(QLatin1String("Nd"))) return nullptr;
    bool ok = false;
    const int n = key.mid(2).toInt(&ok);
    QTreeWidgetItem* item = ok ? node(n) : nullptr;
    return item && FolderTree::key(item) == key ? item : nullptr;
}

void FolderTree::clear() {
    ++generation_;
    view_->clear();
    nodes_.clear();
    dates_.clear();
    natives_.clear();
    driveRoots_.clear();
}

QTreeWidgetItem* FolderTree::makeNode(const QString& text, const QString& path) {
    const int n = int(nodes_.size());
    auto* item = new QTreeWidgetItem(QStringList{text});
    item->setData(0, kKeyRole, keyFor(n));
    item->setData(0, kPathRole, path);
    item->setData(0, kNumberRole, n);
    setOpenImage(item, false);
    nodes_.push_back(item);
    dates_.resize(nodes_.size(), 0);
    natives_.push_back(platform::encodePath(path));
    driveRoots_.push_back(isDriveRoot(path));
    return item;
}

void FolderTree::addPlaceholder(QTreeWidgetItem* item) {
    auto* placeholder = new QTreeWidgetItem(item, QStringList{kPlaceholderText});
    placeholder->setData(0, kKeyRole, key(item) + u'X');
    placeholder->setData(0, kNumberRole, -1);
}

bool FolderTree::build(const QString& requested) {
    clear();
    const QString root = trimmedFolder(requested);
    const auto stamp = folderStamp(root);
    if (root.isEmpty() || !stamp) return false;
    QTreeWidgetItem* top = makeNode(root, root);
    dates_[0] = isDriveRoot(root) ? kDriveRootStamp : *stamp;
    view_->addTopLevelItem(top);
    const bool any = loadChildren(top) > 0;
    setOpenImage(top, any);
    top->setExpanded(any);
    view_->setCurrentItem(top);
    return true;
}

int FolderTree::loadChildren(QTreeWidgetItem* item) {
    const QString path = fullPath(item);
    const SubfolderList list = listSubfolders(path);
    if (!list.readable) return 0;
    const bool belowDriveRoot = isDriveRoot(path);
    QList<QTreeWidgetItem*> children;
    children.reserve(list.names.size());
    for (const QString& name : list.names) {
        const QString childPath = joinPath(path, name);
        QTreeWidgetItem* child = makeNode(name, childPath);
        dates_.back() = folderStamp(childPath).value_or(0);
        // Below a drive root nothing is read ahead; deeper down only folders that have (or may
        // have, when unreadable) subfolders get the "?" that makes them expandable.
        if (belowDriveRoot || hasSubfolders(childPath).value_or(true)) addPlaceholder(child);
        children.append(child);
    }
    item->addChildren(children);
    return int(children.size());
}

void FolderTree::loadIfPlaceholder(QTreeWidgetItem* item) {
    if (item->childCount() == 0 || !isPlaceholder(item->child(0))) return;
    delete item->takeChild(0);
    loadChildren(item);
}

void FolderTree::forget(QTreeWidgetItem* item) {
    const int n = number(item);
    if (n >= 0 && size_t(n) < nodes_.size() && nodes_[size_t(n)] == item)
        nodes_[size_t(n)] = nullptr;
    for (int i = 0; i < item->childCount(); ++i) forget(item->child(i));
}

void FolderTree::removeNode(QTreeWidgetItem* item) {
    forget(item);
    delete item;
}

QTreeWidgetItem* FolderTree::insertNode(QTreeWidgetItem* parent, QTreeWidgetItem* previous,
                                        const QString& name, bool withPlaceholder) {
    const QString path = joinPath(fullPath(parent), name);
    QTreeWidgetItem* item = makeNode(name, path);
    dates_.back() = folderStamp(path).value_or(0);
    parent->insertChild(previous ? parent->indexOfChild(previous) + 1 : 0, item);
    if (withPlaceholder) addPlaceholder(item);
    item->setExpanded(false);
    return item;
}

QTreeWidgetItem* FolderTree::walkTo(const QString& requested) {
    QTreeWidgetItem* current = root();
    if (!current) return nullptr;
    const QString path = trimmedFolder(requested);
    const QString rootPath = fullPath(current);
    QString rest;
    if (rootPath == QLatin1String("/") && path.startsWith(u'/'))
        rest = path.mid(1);
    else if (path.startsWith(rootPath + u'/', Qt::CaseInsensitive))
        rest = path.mid(rootPath.size() + 1);
    else
        return current;
    QString prefix = rootPath;
    for (const QString& level : rest.split(u'/', Qt::SkipEmptyParts)) {
        prefix = joinPath(prefix, level);
        loadIfPlaceholder(current);
        if (current->childCount() == 0) break;
        current->setExpanded(true);
        setOpenImage(current, true);
        QTreeWidgetItem* found = nullptr;
        for (auto sensitivity : {Qt::CaseSensitive, Qt::CaseInsensitive}) {
            for (int i = 0; i < current->childCount() && !found; ++i) {
                if (QString::compare(fullPath(current->child(i)), prefix, sensitivity) == 0)
                    found = current->child(i);
            }
            if (found) break;
        }
        if (!found) break;
        current = found;
        prefix = fullPath(current);
    }
    return current;
}

void FolderTree::onExpanded(QTreeWidgetItem* item) {
    setOpenImage(item, true);
    loadIfPlaceholder(item);
}

void FolderTree::onCollapsed(QTreeWidgetItem* item) { setOpenImage(item, false); }

}  // namespace ximora::browser
