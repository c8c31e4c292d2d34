#include "app/end_app.h"

#include <QApplication>
#include <QWidget>

#include "app/settings/y_ini.h"
#include "util/shared_values.h"

namespace ximora::app {

void EndApp(bool keepMain) {
    if (settings::YIni* store = settings::yIni()) {
        store->SetTxt();
        settings::releaseYIni();
    }
    QWidget* main = util::shared().mainWindow;
    if (qobject_cast<QApplication*>(QCoreApplication::instance())) {
        for (QWidget* window : QApplication::topLevelWidgets())
            if (window != main && window->isVisible()) window->close();
    }
    if (!keepMain && main) main->hide();
    util::shared().mainWindow = nullptr;
}

}  // namespace ximora::app
