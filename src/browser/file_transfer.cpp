#include "browser/file_transfer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProgressDialog>

#include <cerrno>
#include <cstdio>
#include <functional>

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

qint64 sizeOf(const QString& path) {
    struct stat info {};
    return ::stat(platform::encodePath(path).constData(), &info) == 0 ? qint64(info.st_size) : 0;
}

Step transferOne(const QString& source, const QString& folder, Transfer how, const Copied& copied) {
    const QString target = QDir(folder).filePath(QFileInfo(source).fileName());
    if (!platform::isRegularFile(source)) {
        util::messages().message(
            QStringLiteral("%1 が見つかりません").arg(platform::displayPath(source)),
            util::MsgButtons::Ok, util::MsgIcon::Critical);
        return Step::Stop;
    }
    if (sameFile(target, source)) return Step::Skipped;
    if (platform::pathExists(target)) {
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
    }
    QString why;
    bool ok = false;
    if (how == Transfer::Move && std::rename(platform::encodePath(source).constData(),
                                             platform::encodePath(target).constData()) == 0) {
        ok = copied(sizeOf(target));  // same file system: the name moved at once
    } else {
        ok = copyInto(source, target, why, copied);
        if (ok && how == Transfer::Move &&
            ::unlink(platform::encodePath(source).constData()) != 0) {
            why = QStringLiteral("元のﾌｧｲﾙを削除できませんでした");
            ok = false;
        }
    }
    if (ok) return Step::Done;
    if (why.isEmpty()) return Step::Stop;  // cancelled
    util::messages().message(
        QStringLiteral("%1 を%2できませんでした: %3")
            .arg(platform::displayPath(source),
                 how == Transfer::Move ? QStringLiteral("移動") : QStringLiteral("複写"), why),
        util::MsgButtons::Ok, util::MsgIcon::Critical);
    return Step::Stop;
}

}  // namespace

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
    for (const QString& path : paths) {
        if (progress.wasCanceled()) break;
        progress.setLabelText(QStringLiteral("%1 (%2 / %3)")
                                  .arg(how == Transfer::Move ? QStringLiteral("移動しています...")
                                                             : QStringLiteral("複写しています..."),
                                       platform::displayPath(QFileInfo(path).fileName()),
                                       QString::number(arrived + 1))
                                  .arg(paths.size()));
        const Step step = transferOne(path, folder, how, copied);
        if (step == Step::Stop) break;
        if (step == Step::Done) ++arrived;
    }
    progress.setValue(progress.maximum());
    return arrived;
}

}  // namespace ximora::browser
