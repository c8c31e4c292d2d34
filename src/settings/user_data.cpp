// The user data folder: the pointer file "UserData.ini" beside the program and the folder
// operations of the settings store.
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "platform/atomic_file.h"
#include "platform/cp932.h"
#include "platform/program_path.h"
#include "platform/special_folders.h"
#include "platform/user_setting.h"
#include "settings/y_ini.h"
#include "util/message_service.h"
#include "util/shared_values.h"

namespace ximora::settings {

namespace {
const QString kDefaultToken = QStringLiteral("%applicaion data%");

bool isFolder(const QString& path) { return !path.isEmpty() && QFileInfo(path).isDir(); }

// A pointer file that is missing, empty or unreadable points to the default folder.
QString tokenOrDefault(const std::optional<QString>& pointer) {
    return pointer && !pointer->isEmpty() ? *pointer : kDefaultToken;
}
}  // namespace

QString YIni::FsGtSpFld(int number) { return platform::specialFolder(number); }

void YIni::F_CreateFld(const QString& folder) {
    if (folder.isEmpty() || isFolder(folder)) return;
    QString path = folder;
    if (!path.endsWith('/')) path += '/';
    for (qsizetype at = path.indexOf('/', 1); at >= 0; at = path.indexOf('/', at + 1)) {
        const QString level = path.left(at);
        if (!level.isEmpty() && !isFolder(level)) QDir().mkdir(level);  // failures: go on
    }
}

void YIni::F_ChkSb(const QString& folder, const QStringList& names) {
    QString base = folder;
    if (!base.isEmpty() && !base.endsWith('/')) base += '/';
    for (const QString& name : names)
        if (!isFolder(base + name)) QDir().mkdir(base + name);
}

QString YIni::pointerFile() const { return programFolder_ + "UserData.ini"; }

std::optional<QString> YIni::pointerToken() const {
    QFile file(pointerFile());
    if (!file.exists()) return QString();
    const auto text =
        file.open(QIODevice::ReadOnly) ? decodeSettingsText(file.readAll()) : std::nullopt;
    if (!text) return std::nullopt;
    // Line ends typed before or after the token are not part of it: a pointer to the user's
    // own folder is never replaced by the default for a blank line.
    QString token = *text;
    while (token.startsWith('\n') || token.startsWith('\r')) token.remove(0, 1);
    while (token.endsWith('\n') || token.endsWith('\r')) token.chop(1);
    return token;
}

QString YIni::folderForToken(const QString& token, bool& missing) const {
    const QString& exeName = util::shared().sExeNm;
    const QString perUser = FsGtSpFld(platform::kFolderAppData) + "/Quorvel/" + exeName + "/";
    const QString lower = token.toLower();
    missing = false;
    if (lower == "%app%") return programFolder_ + "usData/";
    if (lower == "%doc" || lower == "%my document%")
        return FsGtSpFld(platform::kFolderDocuments) + "/Quorvel/" + exeName + "/";
    if (lower.startsWith('%')) return perUser;
    // Paths are case-sensitive here: the folder keeps the case it was written in.
    if (isFolder(token)) return token.endsWith('/') ? token : token + '/';
    missing = true;
    return perUser;
}

QString YIni::foundUserDataFolder() const {
    bool missing = false;
    const QString folder = folderForToken(tokenOrDefault(pointerToken()), missing);
    return !missing && isFolder(folder) ? folder : QString();
}

bool YIni::W_UserData(QWidget* owner) {
    owner_ = owner;
    auto& shared = util::shared();
    const QString& exeName = shared.sExeNm;
    shared.sApDir = platform::programDataFolder(programFolder_);

    // The program's path in the per-user settings, for other programs to find it.
    const QString fullPath = programFolder_ + exeName;
    const QString registered = platform::userSetting("QuorvelTools", "Path", exeName, {});
    if (registered.toLower() != fullPath.toLower())
        platform::saveUserSetting("QuorvelTools", "Path", exeName, fullPath);

    // An unreadable pointer file is kept, and the default used.
    const std::optional<QString> pointer = pointerToken();
    const bool rewrite = pointer && pointer->isEmpty();
    const QString token = tokenOrDefault(pointer);
    bool missing = false;
    const QString folder = folderForToken(token, missing);
    if (missing)
        util::messages().message("ﾌｫﾙﾀﾞ " + token + " が見つかりません" + "\r" +
                                 "ﾕｰｻﾞｰﾃﾞｰﾀｰﾌｫﾙﾀﾞは　" + folder + " を使用します");
    if (rewrite) {
        if (const auto bytes = platform::toCp932(token.toLower()))
            platform::writeFileAtomically(pointerFile(),
                                          *bytes);  // an unwritable program folder is normal
    }
    if (!isFolder(folder)) F_CreateFld(folder);
    shared.sUsrDir = folder;
    return isFolder(folder);
}

}  // namespace ximora::settings
