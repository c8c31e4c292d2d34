#include "platform/special_folders.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace ximora::platform {

namespace {
QString withoutTrailingSeparator(QString path) {
    while (path.size() > 1 && path.endsWith('/')) path.chop(1);
    return path;
}

QString dataHome() {
    const QString xdg = qEnvironmentVariable("XDG_DATA_HOME");
    if (!xdg.isEmpty() && QDir::isAbsolutePath(xdg)) return withoutTrailingSeparator(xdg);
    const QString home = QDir::homePath();
    if (home.isEmpty()) return {};
    return withoutTrailingSeparator(home) + "/.local/share";
}
}  // namespace

QString specialFolder(int number) {
    switch (number) {
        case kFolderAppData:
            return dataHome();
        case kFolderSendTo: {
            const QString data = dataHome();
            return data.isEmpty() ? QString() : data + "/applications";
        }
        case kFolderDocuments: {
            const QString docs =
                QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
            if (!docs.isEmpty() && QFileInfo(docs).isDir()) return withoutTrailingSeparator(docs);
            return withoutTrailingSeparator(QDir::homePath());
        }
        default:
            return {};
    }
}

}  // namespace ximora::platform
