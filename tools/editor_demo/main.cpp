// editor_demo [FILE]: the picture editor in a plain window, with a few command pairs in menus
// and the editor's events in the status bar.
#include <QApplication>
#include <QDir>
#include <QMainWindow>
#include <QMenuBar>
#include <QStatusBar>

#include "editor/upce.h"
#include "util/qt_messages.h"
#include "util/shared_values.h"

using ximora::editor::uPcE;

namespace {

struct MenuGroup {
    const char* group;
    std::vector<const char*> jobs;
};

const MenuGroup kMenus[] = {
    {"ﾌｧｲﾙ",
     {"ﾌｧｲﾙを開く", "上書き保存", "名前を付けて保存", "複写して新規", "ﾌｧｲﾙの詳細", "新規作成"}},
    {"表示", {"ｽｹｰﾙ", "ｽﾄﾚｯﾁ", "実寸", "横合わせ", "縦合わせ"}},
    {"拡大", {" 50%", "100%", "200%", "500%"}},
    {"ﾏｳｽﾄﾞﾗｯｸﾞ", {"矩形選択", "位置移動", "拡大縮小"}},
    {"ﾊﾟﾝｳｨﾝﾄﾞｳ", {"表示", "隠す"}},
    {"画像編集", {"編集を一つ戻す", "読込時に戻す", "ﾄﾘﾐﾝｸﾞ", "画像枠を追加"}},
    {"回転", {"左右反転", "上下反転", "右90度", "左90度", "右180度"}},
    {"色数", {"白黒", "16色(4bit)", "ｸﾞﾚ-(8bit)", "256色(8bit)", "24ﾋﾞｯﾄ"}},
    {"補正", {"ぼかし", "ｼｬ-ﾌﾟ", "ｽﾌﾟﾗｲﾝ補正"}},
    {"効果", {"ｴﾝﾎﾞｽ", "ﾓｻﾞｲｸ", "渦巻", "波紋"}},
    {"ﾘｻｲｽﾞ", {"横方向を基準に縮小", "縦横比率を変えて縮小"}},
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ximora::util::useQtMessageBoxes();
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("editor_demo"));
    ximora::util::shared().mainWindow = &window;
    auto* editor = new uPcE(&window);
    window.setCentralWidget(editor);
    for (const MenuGroup& menu : kMenus) {
        QMenu* m = window.menuBar()->addMenu(QString::fromUtf8(menu.group));
        for (const char* job : menu.jobs) {
            const QString group = QString::fromUtf8(menu.group), text = QString::fromUtf8(job);
            m->addAction(text, editor, [editor, group, text] { editor->pcAct(group, text); });
        }
    }
    QObject::connect(editor, &uPcE::eStPcTyp, &window,
                     [&window](const QString& file, const QString& code, const QString& info) {
                         window.statusBar()->showMessage(file + "  " + code + "  " + info);
                     });
    QObject::connect(editor, &uPcE::eEdtMode, &window, [&window](const QString& state) {
        window.setWindowTitle(QStringLiteral("editor_demo — ") + state);
    });
    QObject::connect(editor, &uPcE::eAskPcPh, &window,
                     [](QString& folder) { folder = QDir::currentPath(); });

    const QString work = QDir::tempPath() + QStringLiteral("/editor_demo_wrk/");
    editor->cOn(&window, work);
    window.resize(900, 650);
    window.show();
    editor->StSize();
    editor->pcAct(QStringLiteral("編集状態"), QStringLiteral("初期"));
    if (argc > 1) editor->pcOpen(0, QString::fromLocal8Bit(argv[1]));
    const int status = app.exec();
    editor->cOff();
    return status;
}
