#include "platform/ini_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>

#include "platform/atomic_file.h"

namespace ximora::platform {

bool writeIniValues(const QString& path, const QVariantMap& values, QString* error) {
    const auto failed = [error](const QString& why) {
        if (error) *error = why;
        return false;
    };
    QTemporaryDir scratch;
    if (!scratch.isValid()) return failed(scratch.errorString());
    const QString copy = scratch.filePath(QStringLiteral("settings.ini"));
    if (QFileInfo::exists(path) && !QFile::copy(path, copy))
        return failed(QStringLiteral("%1 を読み込めません").arg(path));

    // Every value the file is to hold afterwards: the old ones with the new ones over them.
    QVariantMap expected;
    {
        const QSettings old(copy, QSettings::IniFormat);
        for (const QString& key : old.allKeys()) expected.insert(key, old.value(key));
    }
    expected.insert(values);
    {
        QSettings laidOut(copy, QSettings::IniFormat);
        for (auto it = values.begin(); it != values.end(); ++it) laidOut.setValue(it.key(), *it);
        laidOut.sync();
        if (laidOut.status() != QSettings::NoError)
            return failed(QStringLiteral("%1 を書き込めません").arg(path));
    }
    // The laid-out text is trusted only when it reads back as intended, every key of it. It is
    // read from a second file: QSettings keeps what it parsed of a path in memory, and would
    // answer from there instead of from the bytes that are to be written.
    QFile laidOutFile(copy);
    if (!laidOutFile.open(QIODevice::ReadOnly))
        return failed(QStringLiteral("%1 を書き込めません").arg(path));
    const QByteArray bytes = laidOutFile.readAll();
    const QString checkCopy = scratch.filePath(QStringLiteral("check.ini"));
    QFile checkFile(checkCopy);
    if (!checkFile.open(QIODevice::WriteOnly) || checkFile.write(bytes) != bytes.size() ||
        !checkFile.flush())
        return failed(QStringLiteral("%1 を書き込めません").arg(path));
    checkFile.close();
    const QSettings check(checkCopy, QSettings::IniFormat);
    if (check.allKeys().size() != expected.size())
        return failed(QStringLiteral("%1 を書き込めません").arg(path));
    for (auto it = expected.begin(); it != expected.end(); ++it) {
        const QVariant stored = check.value(it.key());
        const bool same = it->typeId() == QMetaType::QStringList
                              ? stored.toStringList() == it->toStringList()
                              : stored.toString() == it->toString();
        if (!same) return failed(QStringLiteral("%1 を書き込めません").arg(path));
    }
    QDir().mkpath(QFileInfo(path).absolutePath());
    return writeFileAtomically(path, bytes, error);
}

}  // namespace ximora::platform
