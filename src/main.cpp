// The program `ximora`.
#include <QApplication>
#include <QIcon>

#include "app/startup.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // The desktop matches windows to the installed entry and icon by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral("jp.quorvel.ximora"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("jp.quorvel.ximora"),
                                                 QIcon(QStringLiteral(":/ximora.svg"))));
    return ximora::app::runProgram(app, QApplication::arguments().mid(1));
}
