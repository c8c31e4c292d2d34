#include "browser/folder_scan.h"
#include "platform/file_names.h"

#include <dirent.h>
#include <sys/stat.h>
#include <QFile>
#include <QStringDecoder>
#include <algorithm>
#include <memory>

namespace ximora::browser {
namespace {

struct DirCloser {
    void operator()(DIR* dir) const { closedir(dir); }
};
using DirHandle = std::unique_ptr<DIR, DirCloser>;

DirHandle openFolder(const QString& folder) {
    return DirHandle(opendir(platform::encodePath(folder).constData()));
}

bool isHidden(const char* name) { return name[0] == '.'; }

/// Whether the entry is a folder, following symbolic links (a dangling or looping link is not).
bool isFolderEntry(DIR* dir, const dirent* entry) {
    if (entry->d_type == DT_DIR) return true;
    if (entry->d_type != DT_LNK && entry->d_type != DT_UNKNOWN) return false;
    struct stat info {};
    return fstatat(dirfd(dir), entry->d_name, &info, 0) == 0 && S_ISDIR(info.st_mode);
}

std::optional<QString> decodeName(const char* raw) {
    QStringDecoder decoder(QStringDecoder::Utf8);
    QString name = decoder(QByteArrayView(raw));
    if (decoder.hasError()) return std::nullopt;
    return name;
}

}  // namespace

SubfolderList listSubfolders(const QString& folder) {
    SubfolderList list;
    DirHandle dir = openFolder(folder);
    if (!dir) return list;
    list.readable = true;
    while (const dirent* entry = readdir(dir.get())) {
        if (isHidden(entry->d_name) || !isFolderEntry(dir.get(), entry)) continue;
        if (auto name = decodeName(entry->d_name)) list.names.append(*name);
    }
    std::sort(list.names.begin(), list.names.end());
    return list;
}

std::optional<bool> hasSubfolders(const QString& folder) {
    DirHandle dir = openFolder(folder);
    if (!dir) return std::nullopt;
    while (const dirent* entry = readdir(dir.get())) {
        if (!isHidden(entry->d_name) && isFolderEntry(dir.get(), entry) &&
            decodeName(entry->d_name))
            return true;
    }
    return false;
}

std::optional<int64_t> folderStamp(const QString& folder) {
    return folderStamp(platform::encodePath(folder).constData());
}

std::optional<int64_t> folderStamp(const char* nativeFolder) {
    struct stat info {};
    if (stat(nativeFolder, &info) != 0 || !S_ISDIR(info.st_mode)) return std::nullopt;
    return int64_t(info.st_mtim.tv_sec) * 1000000000LL + info.st_mtim.tv_nsec;
}

QString joinPath(const QString& parent, const QString& name) {
    return parent.endsWith(u'/') ? parent + name : parent + u'/' + name;
}

}  // namespace ximora::browser
