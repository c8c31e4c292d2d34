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

    const QString appData = FsGtSpFld(platform::kFolderAppData);
    const QString perUser = appData + "/Quorvel/" + exeName + "/";

    const QString pointer = programFolder_ + "UserData.ini";
    QString token;
    bool rewrite = true;
    bool readable = true;
    QFile file(pointer);
    if (file.exists()) {
        const auto text =
            file.open(QIODevice::ReadOnly) ? decodeSettingsText(file.readAll()) : std::nullopt;
        if (!text) {
            readable = false;  // keep a pointer file we cannot read; use the default
        } else {
            // Line ends typed before or after the token are not part of it: a pointer to the
            // user's own folder is never replaced by the default for a blank line.
            token = *text;
            while (token.startsWith('\n') || token.startsWith('\r')) token.remove(0, 1);
            while (token.endsWith('\n') || token.endsWith('\r')) token.chop(1);
            rewrite = token.isEmpty();
        }
    }
    if (!readable) rewrite = false;
    if (token.isEmpty()) token = kDefaultToken;

    const QString lower = token.toLower();
    QString folder;
    if (lower == "%app%") {
        folder = programFolder_ + "usData/";
    } else if (lower == "%doc" || lower == "%my document%") {
        folder = FsGtSpFld(platform::kFolderDocuments) + "/Quorvel/" + exeName + "/";
    } else if (lower.startsWith('%')) {
        folder = perUser;
    } else if (isFolder(token)) {
        // Paths are case-sensitive here: the folder keeps the case it was written in.
        folder = token.endsWith('/') ? token : token + '/';
    } else {
        util::messages().message("ﾌｫﾙﾀﾞ " + token + " が見つかりません" + "\r" +
                                 "ﾕｰｻﾞｰﾃﾞｰﾀｰﾌｫﾙﾀﾞは　" + perUser + " を使用します");
        folder = perUser;
    }

    if (rewrite) {
        if (const auto bytes = platform::toCp932(lower))
            platform::writeFileAtomically(pointer,
                                          *bytes);  // an unwritable program folder is normal
    }
    if (!isFolder(folder)) F_CreateFld(folder);
    shared.sUsrDir = folder;
    return isFolder(folder);
}

}  // namespace ximora::settings
