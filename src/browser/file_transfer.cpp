#include "browser/file_transfer.h"

#include <sys/stat.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProgressDialog>

#include <cstdio>
#include <functional>

#include "engine/core/error.h"
#include "engine/io/atomic_file.h"
#include "util/message_service.h"

namespace ximora::browser {
namespace {

enum class Step { Done, Skipped, Stop };

// Told how many more bytes arrived; false when the user cancelled.
using Copied = std::function<bool(qint64 bytes)>;

// Copies `source` over `target` through the program's one write path: the target is never a
// half-written file, and a copy cut short (a full disk, a killed program, the user's cancel)
// leaves nothing. A cancelled copy leaves `why` empty.
bool copyInto(const QString& source, const QString& target, QString& why, const Copied& copied) {
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) {
        why = in.errorString();
        return false;
    }
    engine::AtomicFile out;
    bool ok = out.open(QFile::encodeName(target).toStdString());
    char buffer[1 << 16];
    while (ok) {
        const qint64 n = in.read(buffer, sizeof buffer);
        if (n < 0) {
            why = in.errorString();
            return false;
        }
        if (n == 0) break;
        ok = out.write(buffer, size_t(n));
        if (ok && !copied(n)) return false;
    }
    // A new copy takes the source's permission bits; a replaced file keeps its own.
    struct stat info {};
    if (ok && !QFileInfo::exists(target) &&
        ::stat(QFile::encodeName(source).constData(), &info) == 0)
        ok = out.setPermissions(info.st_mode & 07777);
    if (ok && out.commit()) return true;
    why = QString::fromStdString(engine::lastErrorMessage());
    return false;
}

Step transferOne(const QString& source, const QString& folder, Transfer how, const Copied& copied) {
    const QFileInfo from(source);
    const QString target = QDir(folder).filePath(from.fileName());
    if (!from.isFile()) {
        util::messages().message(QStringLiteral("%1 が見つかりません").arg(source),
                                 util::MsgButtons::Ok, util::MsgIcon::Critical);
        return Step::Stop;
    }
    if (QFileInfo(target).canonicalFilePath() == from.canonicalFilePath()) return Step::Skipped;
    if (QFileInfo::exists(target)) {
        switch (util::messages().message(
            QStringLiteral("%1 は既にあります。置き換えますか").arg(target),
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
    if (how == Transfer::Move && std::rename(QFile::encodeName(source).constData(),
                                             QFile::encodeName(target).constData()) == 0) {
        ok = copied(from.size());  // same file system: the name moved at once
    } else {
        ok = copyInto(source, target, why, copied);
        if (ok && how == Transfer::Move && !QFile::remove(source)) {
            why = QStringLiteral("元のﾌｧｲﾙを削除できませんでした");
            ok = false;
        }
    }
    if (ok) return Step::Done;
    if (why.isEmpty()) return Step::Stop;  // cancelled
    util::messages().message(
        QStringLiteral("%1 を%2できませんでした: %3")
            .arg(source, how == Transfer::Move ? QStringLiteral("移動") : QStringLiteral("複写"),
                 why),
        util::MsgButtons::Ok, util::MsgIcon::Critical);
    return Step::Stop;
}

}  // namespace

int transferFiles(const QStringList& paths, const QString& folder, Transfer how, QWidget* owner) {
    // The bar counts bytes (in KiB, to fit its range), so one large file shows its progress
    // and can be cancelled too.
    qint64 total = 0;
    for (const QString& path : paths) total += QFileInfo(path).size();
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
                                       QFileInfo(path).fileName(), QString::number(arrived + 1))
                                  .arg(paths.size()));
        const Step step = transferOne(path, folder, how, copied);
        if (step == Step::Stop) break;
        if (step == Step::Done) ++arrived;
    }
    progress.setValue(progress.maximum());
    return arrived;
}

}  // namespace ximora::browser
