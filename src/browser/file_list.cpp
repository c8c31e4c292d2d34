#include "browser/file_list.h"

#include <QDateTime>
#include <QFile>
#include <QHeaderView>
#include <QKeyEvent>

#include "engine/thumbs/folder_listing.h"
#include "platform/file_names.h"
#include "util/timing_trace.h"

namespace ximora::browser {
namespace {

constexpr int kKeyRole = Qt::UserRole;
constexpr int kNameRole = Qt::UserRole + 1;

}  // namespace

QString formatSize(uint64_t bytes) {
    QString digits = QString::number(bytes);
    for (qsizetype at = digits.size() - 3; at > 0; at -= 3) digits.insert(at, u',');
    return digits;
}

QString formatDate(int64_t mtimeNs) {
    return QDateTime::fromMSecsSinceEpoch(mtimeNs / 1000000).toString(QStringLiteral("yy/MM/dd"));
}

FileList::FileList(QWidget* parent) : QTreeWidget(parent) {
    setObjectName(QStringLiteral("lsFile"));
    setColumnCount(3);
    setHeaderLabels({QStringLiteral("名前"), QStringLiteral("ｻｲｽﾞ"), QStringLiteral("更新日時")});
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    headerItem()->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
    header()->setStretchLastSection(false);  // the widths stay as set (and as stored)
    setColumnWidth(0, 150);
    setColumnWidth(1, 80);
    setColumnWidth(2, 80);
}

QString FileList::key(const QTreeWidgetItem* item) { return item->data(0, kKeyRole).toString(); }

QString FileList::name(const QTreeWidgetItem* item) { return item->data(0, kNameRole).toString(); }

void FileList::fill(const QString& folder, const QString& filter, bool keepSelection) {
    const QTreeWidgetItem* before = currentItem();
    const QString remembered = keepSelection && before ? name(before) : QString();
    clear();
    std::vector<engine::FileEntry> files;
    // A folder that vanished or cannot be read simply lists what could be read, often nothing.
    engine::listImageFiles(platform::encodePath(folder).toStdString(), filter.toStdString(), files);
    QList<QTreeWidgetItem*> items;
    items.reserve(qsizetype(files.size()));
    QTreeWidgetItem* again = nullptr;
    for (size_t i = 0; i < files.size(); ++i) {
        const engine::FileEntry& file = files[i];
        const QString fileName = platform::decodePath(file.name);
        auto* item = new QTreeWidgetItem(QStringList{
            platform::displayPath(fileName), formatSize(file.size), formatDate(file.mtimeNs)});
        item->setData(0, kKeyRole, QStringLiteral("F%1").arg(i + 1, 4, 10, QLatin1Char('0')));
        item->setData(0, kNameRole, fileName);
        item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
        if (!again && !remembered.isEmpty() && fileName == remembered) again = item;
        items.append(item);
    }
    addTopLevelItems(items);
    if (again) setCurrentItem(again);
    util::trace::listFilled(folder);
}

void FileList::paintEvent(QPaintEvent* event) {
    QTreeWidget::paintEvent(event);
    util::trace::listPainted();
}

int FileList::selectedNumber() const {
    QTreeWidgetItem* item = currentItem();
    return item && item->isSelected() ? indexOfTopLevelItem(item) + 1 : 0;
}

void FileList::selectNumber(int number) {
    if (QTreeWidgetItem* item = topLevelItem(number - 1)) {
        clearSelection();
        setCurrentItem(item);
    }
}

bool FileList::selectName(const QString& name) {
    for (int i = 0; i < topLevelItemCount(); ++i) {
        if (FileList::name(topLevelItem(i)) == name) {
            selectNumber(i + 1);
            return true;
        }
    }
    return false;
}

void FileList::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            emit enterPressed();
            return;
        case Qt::Key_Delete:
            emit deletePressed();
            return;
        default:
            QTreeWidget::keyPressEvent(event);
    }
}

}  // namespace ximora::browser
