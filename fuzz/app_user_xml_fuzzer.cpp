// "User.xml" read by plain text search: any bytes must give a document that reads and writes
// back without crashing, and a written value must read back.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdlib>

#include "settings/y_ini.h"
#include "util/scripted_messages.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static QTemporaryDir dir;
    static auto* messages = [] {
        auto scripted = std::make_unique<ximora::util::ScriptedMessages>();
        auto* raw = scripted.get();
        ximora::util::installMessages(std::move(scripted));
        return raw;
    }();
    messages->clear();
    const QString path = dir.filePath("User.xml");
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly)) return 0;
        file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    }
    ximora::settings::YIni ini(dir.path() + "/");
    const bool readable = ini.GetTxt(path);
    for (const char* group : {"画面", "設定", "マクロ", "G", "運用"}) {
        ini.GetGtx(QString::fromUtf8(group));
        ini.vGtVal("LEFT", 0);
        ini.vGtVal("TMB_DR", false);
        ini.vGtVal("SCALE", "ｽｹｰﾙ");
    }
    ini.GetGtx(QStringLiteral("ﾌｧｽﾞ"));
    ini.SetVal(QStringLiteral("KEY"), QStringLiteral("値"));
    ini.SetGtx();
    if (readable && ini.SetTxt()) {
        ximora::settings::YIni again(dir.path() + "/");
        again.GetTxt(path);
        again.GetGtx(QStringLiteral("ﾌｧｽﾞ"));
        (void)again.vGtVal(QStringLiteral("KEY"), "");
    }
    return 0;
}
