#include "platform/shell.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDateTime>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>
#include <cerrno>
#include <cstring>

#include "platform/file_names.h"
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

namespace {

// The freedesktop home trash (Trash/files and Trash/info) for a file whose name is not UTF-8,
// which Qt's trash cannot name: the file is renamed into Trash/files under a free name, and
// its original path (its bytes, percent-encoded) goes into Trash/info.
bool moveToHomeTrashByBytes(const QByteArray& path, const QString& trash, QString* error) {
    const QByteArray files = encodePath(trash + "/files"), info = encodePath(trash + "/info");
    ::mkdir(encodePath(trash).constData(), 0700);
    ::mkdir(files.constData(), 0700);
    ::mkdir(info.constData(), 0700);
    const QByteArray base = path.mid(path.lastIndexOf('/') + 1);
    const QByteArray deletedAt =
        QDateTime::currentDateTime().toString(Qt::ISODate).left(19).toLatin1();
    for (int n = 0; n < 1000; ++n) {
        const QByteArray name = n == 0 ? base : base + '.' + QByteArray::number(n);
        const QByteArray record = info + '/' + name + ".trashinfo";
        const int fd = ::open(record.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0 && errno == EEXIST) continue;
        if (fd < 0) break;
        const QByteArray text = "[Trash Info]\nPath=" + path.toPercentEncoding("/") +
                                "\nDeletionDate=" + deletedAt + "\n";
        const bool written = ::write(fd, text.constData(), size_t(text.size())) == text.size();
        ::close(fd);
        if (written && ::rename(path.constData(), (files + '/' + name).constData()) == 0)
            return true;
        const int why = errno;
        ::unlink(record.constData());
        if (error) *error = QString::fromLocal8Bit(std::strerror(why));
        return false;
    }
    if (error) *error = QStringLiteral("no trash folder");
    return false;
}

}  // namespace

bool moveToTrash(const QString& path, QString* error) {
    const QByteArray bytes = encodePath(path);
    struct stat info {};
    if (path.isEmpty() || ::lstat(bytes.constData(), &info) != 0) {
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
    if (decodePath(bytes) != QString::fromUtf8(bytes))  // a name that is no UTF-8
        return moveToHomeTrashByBytes(bytes, dataHome + "/Trash", error);
    QFile file(path);
    if (!file.moveToTrash()) {
        if (error) *error = file.errorString();
        return false;
    }
    return true;
}

}  // namespace ximora::platform
