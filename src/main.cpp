// The program `ximora`.
#include <QApplication>

#include "app/startup.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    return ximora::app::runProgram(app, QApplication::arguments().mid(1));
}
