// The memory budget from the user's settings, as the program reads it at start: group 設定, key
// ﾒﾓﾘ上限, in megabytes, 0 or missing for the automatic budget.
#include <QFile>
#include <QFileInfo>

#include "batch/batch_command.h"
#include "engine/core/memory_budget.h"
#include "platform/file_names.h"
#include "settings/settings_groups.h"
#include "settings/y_ini.h"
#include "util/shared_values.h"

namespace ximora::batch {

void applyMemorySetting() {
    // The folder found without registering the program or making anything, which is all a
    // command that only reads takes; resolved in full where that finds none.
    util::shared().sExeNm = QStringLiteral("ximora");
    settings::YIni store;
    QString folder = store.foundUserDataFolder();
    if (folder.isEmpty()) folder = platform::decodePath(userDataFolder().c_str());
    const QString file = folder + "User.xml";
    // Reading must not create the settings file, which the program writes.
    if (!QFileInfo(file).isFile()) return;
    if (!store.GetTxt(file)) return;
    store.GetGtx(QString::fromUtf8(settings::kGroupSettings));
    const double megabytes = store.vGtVal(QString::fromUtf8(settings::kKeyMemoryLimit), 0);
    engine::setMemoryLimitMegabytes(int64_t(megabytes));
}

}  // namespace ximora::batch
