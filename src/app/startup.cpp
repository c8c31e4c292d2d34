#include "app/startup.h"

#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QFontDatabase>
#include <QLibraryInfo>
#include <QTranslator>
#include <memory>

#include "app/decoding_settings.h"
#include "app/end_app.h"
#include "app/launch_file.h"
#include "app/main_window.h"
#include "editor/document/picture_document.h"
#include "editor/document/undo_store.h"
#include "editor/upce.h"
#include "engine/io/leftover_temporaries.h"
#include "platform/file_names.h"
#include "platform/program_path.h"
#include "settings/y_ini.h"
#include "util/automation_messages.h"
#include "util/message_service.h"
#include "util/shared_values.h"
#include "util/usr.h"
#include "vector/drawing_thumbnail.h"

namespace ximora::app {

using util::shared;

namespace {
// The command line is one path, taken whole; a relative one starts in the current folder.
QString commandLinePath(const QStringList& arguments) {
    const QString path = arguments.join(' ');
    return path.isEmpty() || !QDir::isRelativePath(path) ? path
                                                         : QDir::current().absoluteFilePath(path);
}

// The picture `path` names, which the window opens: not a folder, not a launch file.
bool namesAPicture(const QString& path) {
    return Usr::FileExists(path) && launchKindOf(path) == LaunchKind::None;
}

void reportUnwritable(const QString& folder) {
    util::messages().message("ﾕｰｻﾞｰﾃﾞｰﾀｰﾌｫﾙﾀﾞ " + folder + " に書き込めません" + "\r" +
                             "設定は保存されません");
}

// Runs a launch-file job and rewrites the file. Exit status 0, or 1 after a message naming the
// file when it cannot be read or rewritten (the file is then left as it was).
int runLaunchJob(QApplication& app, FmMainWindow& main, const QString& file, LaunchKind kind) {
    app.setQuitOnLastWindowClosed(false);
    LaunchRecord record;
    QString error;
    if (!readLaunchFile(file, kind, record, error)) {
        util::messages().message(error, util::MsgButtons::Ok, util::MsgIcon::Critical);
        EndApp(false);
        return 1;
    }
    // A record whose job cannot run is answered at once: the caller learns it from the message
    // and from a false result, and nothing else happens.
    if (const QString problem = launchRecordProblem(file, record); !problem.isEmpty()) {
        util::messages().message(problem, util::MsgButtons::Ok, util::MsgIcon::Critical);
        record.ok = false;
        if (!writeLaunchFile(file, record, error))
            util::messages().message(error, util::MsgButtons::Ok, util::MsgIcon::Critical);
        EndApp(false);
        return 1;
    }
    float width = record.width;
    float height = record.height;
    bool ok = false;
    bool gif = false;
    switch (kind) {
        case LaunchKind::File: {
            if (record.dpi > 0) main.pcDpi(record.dpi);
            QString path = record.path;
            main.Act(kJobFile, path, width, height, record.twips, record.open, ok, gif);
            record.path = path;
            break;
        }
        case LaunchKind::Clipboard: {
            QString none;
            main.Act(kJobClipboard, none, width, height, record.twips, false, ok, gif);
            break;
        }
        case LaunchKind::Folder: {
            QString name = record.name;
            main.ActHt(record.path, name, width, height, gif, ok);
            record.resultPath = name;
            record.gif = gif;
            break;
        }
        case LaunchKind::None:
            break;
    }
    record.ok = ok;
    if (!writeLaunchFile(file, record, error)) {
        util::messages().message(error, util::MsgButtons::Ok, util::MsgIcon::Critical);
        return 1;
    }
    return shared().bUnsaved ? 1 : 0;
}
}  // namespace

std::unique_ptr<editor::ReadAhead> readPictureBeforeQt(int argc, char** argv) {
    // Qt takes its own options out of the command line as it starts: with an option there, the
    // path is known only then.
    QStringList arguments;
    for (int i = 1; i < argc; ++i) {
        if (argv[i][0] == '-') return nullptr;
        arguments << QString::fromLocal8Bit(argv[i]);
    }
    const QString path = commandLinePath(arguments);
    if (!namesAPicture(path)) return nullptr;
    shared().sExeNm = platform::programNameFor(platform::programFile());
    settings::YIni store;
    const QString folder = store.foundUserDataFolder();
    if (folder.isEmpty()) return nullptr;
    // No settings file yet: the defaults. One that is not the program's settings is told about
    // by the window, which then reads the picture.
    DecodingSettings decoding;
    const QString file = folder + "User.xml";
    if (QFileInfo::exists(file)) {
        if (!store.peekTxt(file)) return nullptr;
        decoding = readDecodingSettings(store);
    }
    applyDecodingSettings(decoding, true);
    return editor::PictureDocument::readBeforehand(path);
}

QStringList readAutorunScript(const QString& file) {
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly)) {
        util::messages().message(file + " を開けません");
        return {};
    }
    QStringList lines = QString::fromUtf8(f.readAll()).split('\n');
    for (QString& line : lines)
        if (line.endsWith('\r')) line.chop(1);
    return lines;
}

int runProgram(QApplication& app, const QStringList& arguments,
               std::unique_ptr<editor::ReadAhead> opening) {
    QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    // The interface is Japanese whatever the locale: Qt's own buttons and dialogs too.
    static QTranslator qtTexts;
    if (qtTexts.load(QStringLiteral("qtbase_ja"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&qtTexts);
    // The browser's and the thumbnail window's thumbnails of drawings are painted by the vector
    // layer.
    vector::installDrawingThumbnails();
    auto& values = shared();
    values.sExeNm = platform::programNameFor(platform::programFile());

    const QString script = qEnvironmentVariable("XIMORA_AUTORUN");
    const bool automation = !script.isEmpty();
    if (automation) util::installMessages(std::make_unique<util::AutomationMessages>());

    settings::setYIni(std::make_unique<settings::YIni>());
    const bool folderOk = settings::yIni()->W_UserData(nullptr);
    FmMainWindow::load();
    // Unless it is being read already, a picture named on the command line is read while the
    // window is made, held to the memory budget and in a worker as the settings say.
    QString path = commandLinePath(arguments);
    if (!opening && namesAPicture(path)) {
        applyDecodingSettings(readDecodingSettings(*settings::yIni()), true);
        opening = editor::PictureDocument::readBeforehand(path);
    }

    // The interface texts are Japanese: a Japanese font wherever the desktop chose another.
    const QString jpFont = QStringLiteral("Noto Sans CJK JP");
    if (QFontDatabase::hasFamily(jpFont)) {
        QFont font(jpFont);
        font.setPointSizeF(std::max(9.0, QApplication::font().pointSizeF()));
        QApplication::setFont(font);
    }
    auto main = std::make_unique<FmMainWindow>();
    Usr::StartupMetrics(main.get());
    if (opening) main->editor()->dGetImg()->adoptReadAhead(std::move(opening));
    // Undo snapshots of a program that was killed are of no use to anyone now, nor are the
    // temporary files of its writes (where the file system has no unnamed ones).
    editor::UndoStore::removeAbandonedFolders(values.sUsrDir + "Wrk/");
    for (const char* folder : {"", "Thumb", "Temp", "Wrk"})
        engine::removeLeftoverTemporaries(
            platform::encodePath(values.sUsrDir + folder).toStdString());
    if (!folderOk || !QFileInfo(values.sUsrDir).isWritable()) reportUnwritable(values.sUsrDir);
    if (automation) main->setAutorun(readAutorunScript(script));
    values.bAppAct = true;

    float width = 0, height = 0;
    bool ok = false, gif = false;
    QString none;
    if (Usr::FolderExists(path)) {
        values.sStartDir = path;
        main->Act(kJobInteractive, none, width, height, false, false, ok, gif);
    } else {
        const LaunchKind kind = Usr::FileExists(path) ? launchKindOf(path) : LaunchKind::None;
        if (kind != LaunchKind::None) return runLaunchJob(app, *main, path, kind);
        if (!path.isEmpty())
            values.sStartDir = path.left(std::max<qsizetype>(1, path.lastIndexOf('/')));
        main->Act(kJobInteractive, path, width, height, false, false, ok, gif);
    }
    const int status = QApplication::exec();
    return status == 0 && values.bUnsaved ? 1 : status;
}

}  // namespace ximora::app
