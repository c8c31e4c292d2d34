#include "vector/offscreen_application.h"

#include <QGuiApplication>
#include <cstdio>

namespace ximora::vector {
namespace {
const char* gProgram = "";
}  // namespace

void makeOffscreenApplication(const char* program) {
    if (QCoreApplication::instance()) return;
    gProgram = program;
    static int argc = 1;
    static char* argv[] = {const_cast<char*>(program), nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type == QtCriticalMsg || type == QtFatalMsg)
            std::fprintf(stderr, "%s: %s\n", gProgram, qPrintable(text));
    });
    static QGuiApplication* const application = new QGuiApplication(argc, argv);
    static_cast<void>(application);
}

}  // namespace ximora::vector
