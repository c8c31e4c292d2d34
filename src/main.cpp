// The program `ximora`.
#include <QApplication>
#include <QIcon>
#include <clocale>
#include <cstdio>

#include "app/startup.h"
#include "editor/document/read_ahead.h"
#include "engine/io/atomic_file.h"
#include "platform/clipboard_keeper.h"
#include "util/decode_workers.h"
#include "util/qt_messages.h"
#include "util/timing_trace.h"

int main(int argc, char** argv) {
    ximora::util::trace::event("start");
    ximora::engine::reportFileSizeLimitAsWriteError();
    // Qt sets the locale from the environment as it starts; set here first, before the picture's
    // thread runs, Qt's call changes nothing under that thread's feet.
    std::setlocale(LC_ALL, "");
    // A picture named on the command line is read while Qt starts and the window is made.
    std::unique_ptr<ximora::editor::ReadAhead> opening =
        ximora::app::readPictureBeforeQt(argc, argv);
    QApplication app(argc, argv);
    ximora::util::useQtMessageBoxes();
    // The desktop matches windows to the installed entry and icon by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral("jp.quorvel.ximora"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("jp.quorvel.ximora"),
                                                 QIcon(QStringLiteral(":/ximora.svg"))));
    const int status =
        ximora::app::runProgram(app, QApplication::arguments().mid(1), std::move(opening));
    ximora::util::useDecodeWorkers(false);
    // What the program put on the clipboard (a clipboard job's result, a copy) outlives it, as
    // a caller that reads the clipboard after the program has ended expects.
    QString error;
    if (ximora::platform::keepClipboardAfterExit(error) == ximora::platform::ClipboardKeeping::Lost)
        std::fprintf(stderr, "ximora: ｸﾘｯﾌﾟﾎﾞｰﾄﾞの内容は終了と共に消えます: %s\n",
                     error.toUtf8().constData());
    return status;
}
