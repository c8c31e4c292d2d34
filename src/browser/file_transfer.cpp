#include "browser/file_transfer.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProgressDialog>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <functional>
#include <memory>

#include "engine/core/error.h"
#include "engine/io/atomic_file.h"
#include "platform/file_names.h"
#include "util/message_service.h"

namespace ximora::browser {
namespace {

enum class Step { Done, Skipped, Stop };

// Told how many more bytes arrived; false when the user cancelled.
using Copied = std::function<bool(qint64 bytes)>;

// Copies `source` over `target` through the program's one write path: the target is never a
// half-written file, and a copy cut short (a full disk, a killed program, the user's cancel)
// leaves nothing. A cancelled copy leaves `why` empty.
// Files are reached through their names' bytes, so that names that are no UTF-8 (Shift-JIS
// names from Windows disks) are copied and moved like any other.
bool copyInto(const QString& source, const QString& target, QString& why, const Copied& copied) {
    const int in = ::open(platform::encodePath(source).constData(), O_RDONLY | O_CLOEXEC);
    if (in < 0) {
        why = QString::fromStdString(engine::reasonText(errno));
        return false;
    }
    engine::AtomicFile out;
    const bool replacing = platform::pathExists(target);
    bool ok = out.open(platform::nativePath(target));
    char buffer[1 << 16];
    while (ok) {
        const ssize_t n = ::read(in, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            why = QString::fromStdString(engine::reasonText(errno));
            ::close(in);
            return false;
        }
        if (n == 0) break;
        ok = out.write(buffer, size_t(n));
        if (ok && !copied(n)) {
            ::close(in);
            return false;
        }
    }
    // A new copy takes the source's permission bits; a replaced file keeps its own.
    struct stat info {};
    if (ok && !replacing && ::fstat(in, &info) == 0) ok = out.setPermissions(info.st_mode & 07777);
    ::close(in);
    if (ok && out.commit()) return true;
    why = QString::fromStdString(engine::lastErrorMessage());
    return false;
}

// Whether two paths name the same file.
bool sameFile(const QString& a, const QString& b) {
    struct stat x {
    }, y{};
    return ::stat(platform::encodePath(a).constData(), &x) == 0 &&
           ::stat(platform::encodePath(b).constData(), &y) == 0 && x.st_dev == y.st_dev &&
           x.st_ino == y.st_ino;
}

// The names in a folder (bytes decoded as the program names files), without "." and "..".
QStringList namesIn(const QString& folder) {
    QStringList names;
    const std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(platform::encodePath(folder)),
                                                  ::closedir);
    if (!dir) return names;
    while (const dirent* entry = ::readdir(dir.get())) {
        const QByteArray name(entry->d_name);
        if (name != "." && name != "..") names << platform::decodePath(name);
    }
    return names;
}

// Bytes of a file, or of the files in a folder and its subfolders.
qint64 sizeOf(const QString& path) {
    struct stat info {};
    if (::lstat(platform::encodePath(path).constData(), &info) != 0) return 0;
    if (!S_ISDIR(info.st_mode)) return S_ISREG(info.st_mode) ? qint64(info.st_size) : 0;
    qint64 total = 0;
    for (const QString& name : namesIn(path)) total += sizeOf(QDir(path).filePath(name));
    return total;
}

// The first free "NAME~NN.EXT" beside `path` (NN from 01 to 99; the extension as it is, a
// folder's whole name as the base), or nothing when every number is taken.
QString freeCopyName(const QString& path, bool folder) {
    const QFileInfo info(path);
    const QString name = info.fileName();
    const qsizetype dot = folder ? -1 : name.lastIndexOf(u'.');
    const QString base = dot > 0 ? name.left(dot) : name;
    const QString extension = dot > 0 ? name.mid(dot) : QString();
    for (int n = 1; n < 100; ++n) {
        const QString candidate = info.dir().filePath(
            base + u'~' + QStringLiteral("%1").arg(n, 2, 10, QChar(u'0')) + extension);
        if (!platform::pathExists(candidate)) return candidate;
    }
    return {};
}

// Copies the folder `source` and all it holds to `target` (made when missing, its files
// replaced when it is there). Links are made again as links; sockets and devices are left.
bool copyFolder(const QString& source, const QString& target, QString& why, const Copied& copied) {
    struct stat info {};
    if (::stat(platform::encodePath(source).constData(), &info) != 0) {
        why = QString::fromStdString(engine::reasonText(errno));
        return false;
    }
    if (!platform::isFolder(target) &&
        ::mkdir(platform::encodePath(target).constData(), info.st_mode & 07777) != 0) {
        why = QString::fromStdString(engine::reasonText(errno));
        return false;
    }
    for (const QString& name : namesIn(source)) {
        const QString from = QDir(source).filePath(name), to = QDir(target).filePath(name);
        struct stat entry {};
        if (::lstat(platform::encodePath(from).constData(), &entry) != 0) continue;
        bool ok = true;
        if (S_ISDIR(entry.st_mode)) {
            ok = copyFolder(from, to, why, copied);
        } else if (S_ISREG(entry.st_mode)) {
            ok = copyInto(from, to, why, copied);
        } else if (S_ISLNK(entry.st_mode)) {
            QByteArray link(PATH_MAX, '\0');
            const ssize_t length =
                ::readlink(platform::encodePath(from).constData(), link.data(), link.size());
            ok = length >= 0 && ::symlink(link.left(length).constData(),
                                          platform::encodePath(to).constData()) == 0;
            if (!ok && errno == EEXIST) ok = true;  // a link already there stays
            if (!ok) why = QString::fromStdString(engine::reasonText(errno));
        }
        if (!ok) return false;
    }
    return true;
}

// Removes a folder and all it holds; false when anything stays.
bool removeTree(const QString& path) {
    struct stat info {};
    if (::lstat(platform::encodePath(path).constData(), &info) != 0) return false;
    if (!S_ISDIR(info.st_mode)) return ::unlink(platform::encodePath(path).constData()) == 0;
    bool all = true;
    for (const QString& name : namesIn(path)) all = removeTree(QDir(path).filePath(name)) && all;
    return all && ::rmdir(platform::encodePath(path).constData()) == 0;
}

// Whether `inner` is `outer` or lies inside it.
bool within(const QString& inner, const QString& outer) {
    const QString a = QDir::cleanPath(QFileInfo(inner).absoluteFilePath());
    const QString b = QDir::cleanPath(QFileInfo(outer).absoluteFilePath());
    return a == b || a.startsWith(b + u'/');
}

void reportFailure(const QString& source, Transfer how, const QString& why) {
    util::messages().message(
        QStringLiteral("%1 を%2できませんでした: %3")
            .arg(platform::displayPath(source),
                 how == Transfer::Move ? QStringLiteral("移動") : QStringLiteral("複写"), why),
        util::MsgButtons::Ok, util::MsgIcon::Critical);
}

Step transferOne(const QString& source, const QString& folder, Transfer how, const Copied& copied) {
    const bool isFolder = platform::isFolder(source);
    if (!isFolder && !platform::isRegularFile(source)) {
        util::messages().message(
            QStringLiteral("%1 が見つかりません").arg(platform::displayPath(source)),
            util::MsgButtons::Ok, util::MsgIcon::Critical);
        return Step::Stop;
    }
    if (isFolder && within(folder, source) && !sameFile(QFileInfo(source).absolutePath(), folder)) {
        reportFailure(source, how, QStringLiteral("貼り付け先がそのﾌｫﾙﾀﾞの中にあります"));
        return Step::Stop;
    }
    QString target = QDir(folder).filePath(QFileInfo(source).fileName());
    if (sameFile(target, source)) {
        // Pasted where it is: a move has nothing to do; a copy gets the next free "~NN" name.
        if (how == Transfer::Move) return Step::Skipped;
        target = freeCopyName(target, isFolder);
        if (target.isEmpty()) {
            reportFailure(source, how,
                          QStringLiteral("~01 から ~99 までの名前がすべて使われています"));
            return Step::Stop;
        }
    } else if (platform::pathExists(target)) {
        switch (util::messages().message(
            QStringLiteral("%1 は既にあります。置き換えますか").arg(platform::displayPath(target)),
            util::MsgButtons::YesNoCancel, util::MsgIcon::Question)) {
            case util::MsgAnswer::Yes:
            case util::MsgAnswer::Ok:
                break;
            case util::MsgAnswer::No:
                return Step::Skipped;
            default:
                return Step::Stop;
        }
        if (isFolder != platform::isFolder(target)) {
            reportFailure(source, how, QStringLiteral("ﾌｧｲﾙとﾌｫﾙﾀﾞは置き換えられません"));
            return Step::Stop;
        }
    }
    QString why;
    bool ok = false;
    const bool renamed = how == Transfer::Move && !platform::pathExists(target) &&
                         std::rename(platform::encodePath(source).constData(),
                                     platform::encodePath(target).constData()) == 0;
    if (renamed) {
        ok = copied(sizeOf(target));  // same file system: the name moved at once
    } else {
        ok = isFolder ? copyFolder(source, target, why, copied)
                      : copyInto(source, target, why, copied);
        // A moved source goes only once all of it is in place.
        if (ok && how == Transfer::Move &&
            !(isFolder ? removeTree(source)
                       : ::unlink(platform::encodePath(source).constData()) == 0)) {
            why = QStringLiteral("元のﾌｧｲﾙを削除できませんでした");
            ok = false;
        }
    }
    if (ok) return Step::Done;
    if (why.isEmpty()) return Step::Stop;  // cancelled
    reportFailure(source, how, why);
    return Step::Stop;
}

}  // namespace

QString transferProgressText(Transfer how, const QString& name, int number, int count) {
    return QStringLiteral("%1 %2 (%3 / %4)")
        .arg(how == Transfer::Move ? QStringLiteral("移動しています...")
                                   : QStringLiteral("複写しています..."),
             platform::displayPath(name), QString::number(number), QString::number(count));
}

int transferFiles(const QStringList& paths, const QString& folder, Transfer how, QWidget* owner) {
    // The bar counts bytes (in KiB, to fit its range), so one large file shows its progress
    // and can be cancelled too.
    qint64 total = 0;
    for (const QString& path : paths) total += sizeOf(path);
    QProgressDialog progress(how == Transfer::Move ? QStringLiteral("移動しています...")
                                                   : QStringLiteral("複写しています..."),
                             QStringLiteral("中止"), 0, int(total / 1024), owner);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(800);  // only work that takes a while shows it
    qint64 done = 0;
    const Copied copied = [&](qint64 bytes) {
        done += bytes;
        progress.setValue(int(std::min(done, total) / 1024));
        return !progress.wasCanceled();
    };
    int arrived = 0;
    for (qsizetype i = 0; i < paths.size(); ++i) {
        const QString& path = paths[i];
        if (progress.wasCanceled()) break;
        progress.setLabelText(
            transferProgressText(how, QFileInfo(path).fileName(), int(i) + 1, int(paths.size())));
        const Step step = transferOne(path, folder, how, copied);
        if (step == Step::Stop) break;
        if (step == Step::Done) ++arrived;
    }
    progress.setValue(progress.maximum());
    return arrived;
}

}  // namespace ximora::browser
