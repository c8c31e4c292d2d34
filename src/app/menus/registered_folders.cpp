#include "app/menus/registered_folders.h"

#include "util/usr.h"

namespace ximora::app::folders {

QStringList existing(const QString& list) {
    QStringList result;
    for (const QString& entry : list.split(','))
        if (Usr::FolderExists(entry)) result << entry;
    return result;
}

QString registerFolder(const QString& folder, const QString& list) {
    QStringList result{folder};
    for (const QString& entry : list.split(',')) {
        if (result.size() >= kMaxFolders) break;
        if (entry.isEmpty() || result.contains(entry) || !Usr::FolderExists(entry)) continue;
        result << entry;
    }
    return result.join(',');
}

}  // namespace ximora::app::folders
