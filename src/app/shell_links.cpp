#include "app/shell_links.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QUrl>

#include "app/desktop_entry.h"
#include "platform/atomic_file.h"
#include "platform/program_path.h"
#include "platform/shell.h"
#include "settings/settings_groups.h"
#include "settings/y_ini.h"
#include "util/message_service.h"
#include "util/shared_values.h"
#include "util/usr.h"
#include "ximora_mime_types.h"

namespace ximora::app {

using util::shared;

namespace {
const QString kDefaultHelp = QStringLiteral("https://www.quorvel.jp/ximora/");

// Writes the link file, then hands its address to the desktop's URL handler (the browser):
// opening a link file itself is taken by many file managers as editing or running it.
void saveAndOpenLink(const QString& link, const QString& url) {
    if (writeLinkFile(link, url)) QDesktopServices::openUrl(QUrl::fromUserInput(url));
}
}  // namespace

QString helpBaseAddress() {
    settings::YIni* store = settings::yIni();
    if (!store) return kDefaultHelp;
    // Help opens outside any settings pass, so the group may be fetched here.
    store->GetGtx(QString::fromUtf8(settings::kGroupSettings));
    QString base = store->vGtVal("HELP_URL", kDefaultHelp);
    Usr::AddEnd(base);
    return base;
}

QString helpPageName(const QString& page) {
    QString name = page.toLower();
    if (!name.contains('.')) name += QStringLiteral(".htm");
    return name;
}

bool writeLinkFile(const QString& link, const QString& url) {
    const QString text = "[Desktop Entry]\nType=Link\nName=" +
                         desktopStringValue(QFileInfo(link).completeBaseName()) +
                         "\nURL=" + desktopStringValue(url) + "\n";
    return platform::writeFileAtomically(link, text.toUtf8());
}

QString openWithEntry(const QString& name, const QString& program) {
    return "[Desktop Entry]\nType=Application\nName=" + desktopStringValue(name) +
           "\nExec=" + desktopExecArgument(program) +
           " %f\nTerminal=false\nNoDisplay=true\n"
           "MimeType=" XIMORA_MIME_TYPES "\n";
}

void W_Help(const QString& page) {
    saveAndOpenLink(shared().sUsrDir + shared().sExeNm + "_help.desktop",
                    helpBaseAddress() + helpPageName(page));
}

void W_HtmView(const QString& url) {
    saveAndOpenLink(shared().sUsrDir + "Wrk/htm_view.desktop", url);
}

void W_SendTo() {
    const QString folder =
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/applications";
    if (!QDir().mkpath(folder)) return;
    const QString program = platform::programFile();
    const QString entry = folder + "/" + shared().sExeNm + ".desktop";
    if (!platform::writeFileAtomically(entry, openWithEntry(shared().sExeNm, program).toUtf8()))
        return;
    util::messages().message(program + " のｼｮｰﾄｶｯﾄを " + folder + " に作成しました");
}

void W_ExpFd(const QString& path, bool open) {
    if (path.isEmpty()) return;
    if (open)
        platform::openWithDesktop(path);
    else if (Usr::FolderExists(path))
        platform::exploreFolder(path);
}

}  // namespace ximora::app
