#include "util/usr.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <limits>
#include <optional>

#include "platform/file_names.h"
#include "platform/shell.h"
#include "util/message_service.h"

namespace ximora::Usr {

// Through the names' bytes: a name that is no UTF-8 exists too.
bool FolderExists(const QString& path) { return !path.isEmpty() && platform::isFolder(path); }

bool FileExists(const QString& path) {
    return !path.isEmpty() && platform::pathExists(path) && !platform::isFolder(path);
}

qint32 FileSize(const QString& path) {
    if (!FileExists(path)) return 0;
    const qint64 size = QFileInfo(path).size();
    if (size < 0 || size > std::numeric_limits<qint32>::max()) return 0;
    return static_cast<qint32>(size);
}

bool EnsureFolders(const QStringList& folders, QString* failed) {
    bool ok = true;
    for (const QString& folder : folders) {
        if (folder.isEmpty() || FolderExists(folder)) continue;
        // One level only: a missing parent is the caller's error.
        if (!QDir().mkdir(folder)) {
            if (ok && failed) *failed = folder;
            ok = false;
        }
    }
    return ok;
}

void OpenFolderWindow(const QString& folder) { platform::exploreFolder(folder); }

void BrowseFolder(QString& folder, const QString& title, int, int) {
    const QString start = FolderExists(folder) ? folder : QString();
    const QString caption = title.isEmpty() ? QStringLiteral("ﾌｫﾙﾀﾞの指定") : title;
    folder = util::messages().chooseFolder(caption, start);
}

bool DeleteToBin(QWidget*, const QStringList& paths, bool, bool noConfirmation) {
    if (paths.isEmpty()) return true;
    if (!noConfirmation) {
        const QString question =
            paths.size() == 1 ? "'" + platform::displayPath(QFileInfo(paths.front()).fileName()) +
                                    "' をごみ箱に移しますか?"
                              : QString::number(paths.size()) + " 個の項目をごみ箱に移しますか?";
        if (util::messages().message(question, util::MsgButtons::YesNo, util::MsgIcon::Question) !=
            util::MsgAnswer::Yes)
            return false;
    }
    bool all = true;
    for (const QString& path : paths) {
        QString error;
        if (!platform::moveToTrash(path, &error)) {
            util::messages().message(
                platform::displayPath(path) + " をごみ箱に移せません (" + error + ")",
                util::MsgButtons::Ok, util::MsgIcon::Warning);
            all = false;
        }
    }
    return all;
}

namespace {
// Matches one bracketed list starting at pattern[p] == '['; advances p past ']'. Returns
// nothing when the list is not closed, so the '[' is then taken literally.
std::optional<bool> matchList(const QString& pattern, qsizetype& p, QChar c) {
    qsizetype q = p + 1;
    const bool negate = q < pattern.size() && pattern[q] == '!';
    if (negate) ++q;
    bool hit = false;
    while (q < pattern.size() && pattern[q] != ']') {
        const QChar low = pattern[q];
        if (q + 2 < pattern.size() && pattern[q + 1] == '-' && pattern[q + 2] != ']') {
            hit = hit || (c >= low && c <= pattern[q + 2]);
            q += 3;
        } else {
            hit = hit || c == low;
            ++q;
        }
    }
    if (q >= pattern.size()) return std::nullopt;
    p = q + 1;
    return hit != negate;
}

bool matchFrom(const QString& name, qsizetype n, const QString& pattern, qsizetype p) {
    while (p < pattern.size()) {
        const QChar pc = pattern[p];
        if (pc == '*') {
            while (p < pattern.size() && pattern[p] == '*') ++p;
            if (p == pattern.size()) return true;
            for (qsizetype k = n; k <= name.size(); ++k)
                if (matchFrom(name, k, pattern, p)) return true;
            return false;
        }
        if (n >= name.size()) return false;
        const QChar c = name[n];
        if (pc == '?') {
            ++p;
        } else if (pc == '#') {
            if (c < '0' || c > '9') return false;
            ++p;
        } else if (pc == '[') {
            qsizetype after = p;
            const auto listed = matchList(pattern, after, c);
            if (!listed) {
                if (c != '[') return false;
                ++p;
            } else {
                if (!*listed) return false;
                p = after;
            }
        } else {
            if (c != pc) return false;
            ++p;
        }
        ++n;
    }
    return n == name.size();
}
}  // namespace

bool MatchesPattern(const QString& name, const QString& pattern) {
    return matchFrom(name, 0, pattern, 0);
}

QString ListFiles(QString folder, const QString& pattern) {
    AddEnd(folder);
    if (!FolderExists(folder)) {
        util::messages().message(folder + " Not Found ");
        return {};
    }
    QStringList names;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System);
    while (it.hasNext()) {
        it.next();
        const QString name = it.fileName();
        if (MatchesPattern(name, pattern)) names << name;
    }
    return names.join('\t');
}

int ListImageFiles(const QString& folder, const QString& extensions,
                   std::vector<ImageFileEntry>& table) {
    if (!FolderExists(folder)) return 0;
    std::vector<ImageFileEntry> found;
    // Hidden files (a leading dot) are left out, as the original left out hidden ones.
    QDirIterator it(folder, QDir::Files);
    while (it.hasNext()) {
        it.next();
        const QFileInfo info = it.fileInfo();
        const QString name = info.fileName();
        const qsizetype dot = name.lastIndexOf('.');
        const QString extension = dot < 0 ? name : name.mid(dot + 1);
        if (!extensions.contains(extension, Qt::CaseInsensitive)) continue;
        found.push_back({name, info.size(), info.lastModified()});
    }
    const int count = static_cast<int>(found.size());
    if (count > 0) table = std::move(found);
    return count;
}

}  // namespace ximora::Usr
