#include "platform/shell.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>

#include "platform/special_folders.h"

namespace ximora::platform {

bool openWithDesktop(const QString& pathOrUrl) {
    if (pathOrUrl.isEmpty()) return false;
    const QUrl url =
        pathOrUrl.startsWith('/') ? QUrl::fromLocalFile(pathOrUrl) : QUrl::fromUserInput(pathOrUrl);
    return QDesktopServices::openUrl(url);
}

bool exploreFolder(const QString& folder) {
    if (!QFileInfo(folder).isDir()) return false;
    return QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
}

bool moveToTrash(const QString& path, QString* error) {
    const QFileInfo info(path);
    if (path.isEmpty() || (!info.exists() && !info.isSymLink())) {
        if (error) *error = QStringLiteral("not found");
        return false;
    }
    // Qt puts the trash below the data home only when that folder exists; otherwise it would
    // fall back to the current folder.
    const QString dataHome = specialFolder(kFolderAppData);
    if (dataHome.isEmpty() || !QDir().mkpath(dataHome + "/Trash")) {
        if (error) *error = QStringLiteral("no trash folder");
        return false;
    }
    QFile file(path);
    if (!file.moveToTrash()) {
        if (error) *error = file.errorString();
        return false;
    }
    return true;
}

}  // namespace ximora::platform
