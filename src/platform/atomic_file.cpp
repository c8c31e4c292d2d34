#include "platform/atomic_file.h"

#include <QFileInfo>
#include <QSaveFile>

namespace ximora::platform {

bool writeFileAtomically(const QString& path, const QByteArray& bytes, QString* error) {
    QSaveFile file(path);
    // Writing in place would defeat the purpose; refuse instead of falling back to it.
    file.setDirectWriteFallback(false);
    const QFileInfo old(path);
    const bool existed = old.exists();
    const QFile::Permissions permissions = old.permissions();
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        if (error) *error = file.errorString();
        file.cancelWriting();
        return false;
    }
    if (existed) QFile::setPermissions(path, permissions);
    return true;
}

}  // namespace ximora::platform
