#include "browser/thumbnail_cache_files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "engine/thumbs/cache_name.h"
#include "platform/file_names.h"
#include "util/shared_values.h"

namespace ximora::browser {
namespace {

bool beside = false;

constexpr qsizetype kSizeAndExtension = 7;  // "100.Dat"

}  // namespace

bool cacheBesideImages() { return beside; }

void setCacheBesideImages(bool value) { beside = value; }

QString cacheFileName(const QString& folder, int size) {
    return platform::decodePath(
        engine::cacheFileFor(beside, platform::encodePath(util::shared().sUsrDir).toStdString(),
                             platform::encodePath(folder).toStdString(), size)
            .c_str());
}

QString decodeCacheFolder(const QString& fileName) {
    QString folder = fileName.left(std::max<qsizetype>(0, fileName.size() - kSizeAndExtension));
    folder.replace(u'~', u'/');
    return folder;
}

QString cacheOwner(const QString& folder) {
    return beside
               ? QString()
               : platform::decodePath(
                     engine::normalisedFolder(platform::encodePath(folder).toStdString()).c_str());
}

CleanupResult cleanCacheFolder(const QString& cacheFolder) {
    CleanupResult result;
    QDir dir(cacheFolder);
    if (cacheFolder.isEmpty() || !dir.exists()) return result;
    const QFileInfoList files = dir.entryInfoList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QFileInfo& file : files) {
        const QString name = file.fileName();
        // Shorter names cannot come from a folder path and a size; they are not ours.
        if (!name.endsWith(QLatin1String(".Dat")) || name.size() <= kSizeAndExtension) continue;
        const QString folder = platform::decodePath(
            engine::cacheFileFolder(platform::encodePath(file.absoluteFilePath()).toStdString())
                .c_str());
        if (QFileInfo(folder).isDir()) continue;
        if (!QFile::remove(file.absoluteFilePath())) return result;
        result.report += file.absoluteFilePath() + u'\n';
    }
    result.ok = true;
    return result;
}

}  // namespace ximora::browser
