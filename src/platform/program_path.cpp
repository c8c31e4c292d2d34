#include "platform/program_path.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace ximora::platform {

QString programFile() {
    if (QCoreApplication::instance()) return QCoreApplication::applicationFilePath();
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
}

QString programFolder() {
    const QString file = programFile();
    if (file.isEmpty()) return QStringLiteral("./");
    return QFileInfo(file).absolutePath() + "/";
}

QString programDataFolder(const QString& programFolder) {
    const QString beside = programFolder + QStringLiteral("apData/");
    if (QFileInfo(beside).isDir()) return beside;
    const QString installed =
        QDir::cleanPath(programFolder + QStringLiteral("../share/ximora/apData")) + '/';
    return QFileInfo(installed).isDir() ? installed : beside;
}

QString programNameFor(const QString& fileName) {
    QString name = QFileInfo(fileName).completeBaseName();
    if (name.isEmpty()) name = QFileInfo(fileName).fileName();
    if (name.right(3).toLower() == QLatin1String("_dv")) name.chop(3);
    return name;
}

}  // namespace ximora::platform
