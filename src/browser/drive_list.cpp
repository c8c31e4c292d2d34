#include "browser/drive_list.h"

#include <QApplication>
#include <QFileInfo>
#include <QStorageInfo>
#include <QStyle>
#include <algorithm>

namespace ximora::browser {

DriveList::DriveList(QWidget* parent) : QComboBox(parent) {
    setObjectName(QStringLiteral("Drive1"));
    // A long mount path must not widen the browser (and the main window) beyond a narrow
    // screen; the open list still shows whole paths.
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    setMinimumContentsLength(10);
    refresh();
    connect(this, &QComboBox::currentIndexChanged, this,
            [this](int index) { emit driveChanged(itemText(index)); });
}

void DriveList::refresh() {
    QStringList mounts;
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        const QString root = volume.rootPath();
        if (volume.isValid() && volume.isReady() && root != QLatin1String("/") &&
            QFileInfo(root).isDir())
            mounts.append(root);
    }
    std::sort(mounts.begin(), mounts.end());
    mounts.removeDuplicates();
    mounts.prepend(QStringLiteral("/"));

    const QString kept = currentText();
    const QSignalBlocker quiet(this);
    clear();
    const QIcon icon = QApplication::style()->standardIcon(QStyle::SP_DriveHDIcon);
    for (const QString& root : mounts) addItem(icon, root);
    roots_ = QSet<QString>(mounts.begin(), mounts.end());
    setCurrentIndex(std::max(0, findText(kept)));
}

void DriveList::showPopup() {
    refresh();
    QComboBox::showPopup();
}

QString DriveList::driveOf(const QString& path) const {
    QString best = QStringLiteral("/");
    for (const QString& root : roots_) {
        if (root.size() > best.size() && (path == root || path.startsWith(root + u'/')))
            best = root;
    }
    return best;
}

bool DriveList::isDriveRoot(const QString& path) const { return roots_.contains(path); }

void DriveList::setDriveOf(const QString& path) {
    const int index = findText(driveOf(path));
    if (index >= 0 && index != currentIndex()) setCurrentIndex(index);
}

}  // namespace ximora::browser
