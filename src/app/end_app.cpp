#include "app/end_app.h"

#include <QApplication>
#include <QWidget>

#include "settings/y_ini.h"
#include "util/message_service.h"
#include "util/shared_values.h"

namespace ximora::app {

void EndApp(bool keepMain) {
    if (settings::YIni* store = settings::yIni()) {
        // The old file stays as it was when the new one cannot be written; the user learns
        // that this run's settings are not kept, and why.
        if (!store->SetTxt() && !store->writeError().isEmpty())
            util::messages().message("ﾕｰｻﾞｰ環境ﾌｧｲﾙ(" + store->filePath() + ") を保存できません" +
                                         "\r" + store->writeError(),
                                     util::MsgButtons::Ok, util::MsgIcon::Critical);
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
