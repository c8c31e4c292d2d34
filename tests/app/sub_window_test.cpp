// The sub picture window beside the real main window, offscreen: opening it, its menus and
// keys reaching its own editor, the save question when it closes, the detailed save-as item.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QImage>
#include <QMenu>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <algorithm>

#include "app/main_window.h"
#include "app/menus/sub_menus.h"
#include "app/windows/sb_pic.h"
#include "app_window_fixture.h"
#include "dialogs/save_as_dialog.h"
#include "editor/upce.h"
#include "settings/y_ini.h"
#include "support/scoped_env.h"
#include "util/scripted_messages.h"
#include "util/shared_values.h"

using namespace ximora;
using app::FmMainWindow;
using app::SbPic;

namespace {
class SubWindowTest : public ximora::testing::AppWindowTest {
  protected:
    static QSize sizeOf(editor::uPcE* editor) {
        const auto& image = editor->GetObject()->image();
        return {image.width(), image.height()};
    }
    // The main window with `file` open, and its sub window opened from the file menu.
    SbPic* openBoth(FmMainWindow& main, const QString& file) {
        startInteractive(main, file);
        main.setGeometry(100, 50, 1000, 705);
        main.commandHook("ﾌｧｲﾙ", "ｻﾌﾞﾌｫｰﾑを開く");
        return main.subWindow();
    }
    static void choose(SbPic& sub, const char* array, int index) {
        QAction* item = sub.menus()->item(QString::fromUtf8(array), index);
        ASSERT_NE(item, nullptr) << array << " " << index;
        item->trigger();
    }
    // A real key press, as the user types it into the active sub window.
    static void press(SbPic& sub, Qt::Key key, Qt::KeyboardModifiers modifiers) {
        sub.activateWindow();
        QCoreApplication::processEvents();  // the activation arrives as a window-system event
        ASSERT_TRUE(sub.isActiveWindow());
        QTest::keyClick(sub.editor(), key, modifiers);
    }
};
}  // namespace

TEST_F(SubWindowTest, OpensOverTheMainWindowWithItsOwnMenus) {
    FmMainWindow main;
    SbPic* sub = openBoth(main, picture("a.bmp", 8, 4));
    ASSERT_NE(sub, nullptr);
    EXPECT_TRUE(sub->isVisible());
    // A tenth of the main window's size in, nine tenths as large (70.5 rounds up).
    EXPECT_EQ(sub->frameGeometry().topLeft(), main.frameGeometry().topLeft() + QPoint(100, 71));
    EXPECT_EQ(sub->size(), QSize(900, 635));
    EXPECT_FALSE(sub->editor()->GetObject()->hasImage());

    QStringList tops;
    for (QAction* top : sub->menuBar()->actions()) tops << top->text();
    EXPECT_EQ(tops, QStringList({"ﾌｧｲﾙ", "画像編集"}));
    QStringList file;
    for (QAction* item : sub->menus()->topMenu(1)->actions())
        if (!item->isSeparator()) file << item->text();
    EXPECT_EQ(file,
              QStringList({"新規作成(&N)", "ﾌｧｲﾙを開く(&O)", "ｽｷｬﾅｰから読込", "上書き保存(&S)",
                           "名前を付けて保存(&A)", "別名保存(詳細指定)", "終了(&X)"}));
    // The range items the main window keeps hidden are here; the launch-job items are not.
    EXPECT_NE(sub->menus()->item("mnHani", 3), nullptr);
    EXPECT_EQ(sub->menus()->item("mnRetB", 0), nullptr);
    EXPECT_EQ(sub->menus()->item("mnEdt", 22), nullptr);

    // Without an image the editing items are off.
    sub->updateMenus();
    EXPECT_FALSE(sub->menus()->item("mnEdt", 13)->isEnabled());
    EXPECT_FALSE(sub->menus()->item("mnFile", 6)->isEnabled());

    // The editor's right click pops up the "画像編集" menu.
    QMenu* popped = nullptr;
    QTimer::singleShot(0, sub, [&popped] {
        popped = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (popped) popped->close();
    });
    emit sub->editor()->ePopUp();
    EXPECT_EQ(popped, sub->menus()->topMenu(3));

    // There is one sub window: choosing the item again keeps it.
    main.commandHook("ﾌｧｲﾙ", "ｻﾌﾞﾌｫｰﾑを開く");
    EXPECT_EQ(main.subWindow(), sub);
}

TEST_F(SubWindowTest, CommandsReachTheSubEditorOnly) {
    const QString a = picture("a.bmp", 8, 4);
    const QString b = picture("b.bmp", 6, 2);
    FmMainWindow main;
    SbPic* sub = openBoth(main, a);
    ASSERT_NE(sub, nullptr);

    util::shared().sPcFold = dir_.path() + "/gone," + pics();
    msg_->answerPath(b);
    choose(*sub, "mnFile", 1);  // ﾌｧｲﾙを開く(&O) reaches the editor without its accelerator
    EXPECT_EQ(sub->editor()->prFile(), b);
    EXPECT_EQ(sub->windowTitle(), b);
    // The dialog started in the first registered folder that exists.
    const auto& calls = msg_->calls();
    const auto dialog = std::find_if(calls.begin(), calls.end(), [](const auto& call) {
        return call.kind == util::ScriptedMessages::Kind::OpenFile;
    });
    ASSERT_NE(dialog, calls.end());
    EXPECT_EQ(dialog->start, pics());

    choose(*sub, "mnRotate", 3);  // 回転 > 右90度
    EXPECT_EQ(sizeOf(sub->editor()), QSize(2, 6));
    EXPECT_EQ(sizeOf(main.editor()), QSize(8, 4));
    sub->updateMenus();
    EXPECT_TRUE(sub->menus()->item("mnFile", 4)->isEnabled());
    EXPECT_TRUE(sub->menus()->item("mnEdt", 1)->isEnabled());
    EXPECT_TRUE(sub->menus()->item("mnColor", 6)->isChecked());  // 24ﾋﾞｯﾄ

    main.commandHook("回転", "左90度");           // the main window's picture is edited as well
    press(*sub, Qt::Key_S, Qt::ControlModifier);  // saves the sub window's picture only
    EXPECT_EQ(QImage(b).size(), QSize(2, 6));
    EXPECT_EQ(QImage(a).size(), QSize(8, 4));

    press(*sub, Qt::Key_L, Qt::ControlModifier);
    EXPECT_EQ(sizeOf(sub->editor()), QSize(6, 2));
    EXPECT_EQ(sizeOf(main.editor()), QSize(4, 8));

    // A file that is no picture is reported and the picture stays.
    QFile bad(dir_.path() + "/bad.bmp");
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("BM not a bitmap");
    bad.close();
    msg_->clear();
    msg_->answer(util::MsgAnswer::No);  // the save question for the turned picture
    msg_->answerPath(bad.fileName());
    press(*sub, Qt::Key_O, Qt::ControlModifier);
    ASSERT_EQ(msg_->messageTexts().size(), 2);
    EXPECT_EQ(msg_->messageTexts()[1], "ﾌｧｲﾙが読み込みできません\rbad.bmp");
    EXPECT_EQ(sub->editor()->prFile(), b);
    EXPECT_EQ(sizeOf(sub->editor()), QSize(6, 2));

    // An empty pair does nothing.
    sub->command("画像編集", "(&X)");
    EXPECT_EQ(sizeOf(sub->editor()), QSize(6, 2));
}

TEST_F(SubWindowTest, ClosingWithUnsavedEditsAsksFirst) {
    const QString b = picture("b.bmp", 6, 2);
    FmMainWindow main;
    SbPic* sub = openBoth(main, picture("a.bmp", 8, 4));
    ASSERT_NE(sub, nullptr);
    sub->editor()->pcOpen(1, b);
    choose(*sub, "mnRotate", 3);  // 右90度

    // The close box: Cancel keeps the window and its picture.
    msg_->clear();
    msg_->answer(util::MsgAnswer::Cancel);
    sub->close();
    EXPECT_TRUE(sub->isVisible());
    EXPECT_EQ(msg_->messageTexts(), QStringList({"現在の画像の変更を保存しますか"}));
    EXPECT_EQ(sub->editor()->prFile(), b);

    // The main window closing asks about the sub window's picture too; Cancel keeps both.
    msg_->answer(util::MsgAnswer::Cancel);
    main.close();
    EXPECT_TRUE(main.isVisible());
    EXPECT_TRUE(sub->isVisible());

    // "終了(&X)" asks once; No closes without saving.
    msg_->clear();
    msg_->answer(util::MsgAnswer::No);
    choose(*sub, "mnFile", 22);
    EXPECT_FALSE(sub->isVisible());
    EXPECT_EQ(msg_->messageTexts().size(), 1);
    EXPECT_EQ(QImage(b).size(), QSize(6, 2));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(main.subWindow(), nullptr);

    // Opened again, it starts with an empty editor.
    main.commandHook("ﾌｧｲﾙ", "ｻﾌﾞﾌｫｰﾑを開く");
    ASSERT_NE(main.subWindow(), nullptr);
    EXPECT_FALSE(main.subWindow()->editor()->GetObject()->hasImage());
}

TEST_F(SubWindowTest, ALaunchJobNeverEndsOverTheSubWindowsUnsavedPicture) {
    const QString job = picture("job.bmp", 8, 4);
    const QString other = picture("other.bmp", 6, 2);
    FmMainWindow main;
    ASSERT_TRUE(main.load());
    bool keptRunning = false;
    // The steps run inside the job's modal run (the start itself lets events run earlier).
    QTimer steps;
    steps.setInterval(10);
    QObject::connect(&steps, &QTimer::timeout, &main, [&] {
        if (!main.inModalRun()) return;
        steps.stop();
        main.commandHook("ﾌｧｲﾙ", "ｻﾌﾞﾌｫｰﾑを開く");
        SbPic* sub = main.subWindow();
        ASSERT_NE(sub, nullptr);
        sub->editor()->pcOpen(1, other);
        sub->editor()->pcAct("回転", "右90度");
        // The job would end here; the sub window's question is answered Cancel.
        msg_->answer(util::MsgAnswer::Cancel);
        main.commandHook("取込", "非選択");
        keptRunning = main.isVisible() && sub->isVisible() && main.inModalRun();
        msg_->answer(util::MsgAnswer::No);
        main.commandHook("取込", "非選択");
    });
    steps.start();
    QString path = job;
    float w = 0, h = 0;
    bool ok = true, gif = false;
    main.Act(app::kJobFile, path, w, h, false, true, ok, gif);
    EXPECT_TRUE(keptRunning);
    EXPECT_FALSE(ok);
    EXPECT_EQ(QImage(other).size(), QSize(6, 2));  // "No": the sub picture was not saved
}

TEST_F(SubWindowTest, DetailedSaveAsOpensOnTheSubPicture) {
    FmMainWindow main;
    SbPic* sub = openBoth(main, picture("a.bmp", 8, 4));
    ASSERT_NE(sub, nullptr);
    sub->editor()->pcOpen(1, picture("b.bmp", 6, 2));
    QSize shown;
    msg_->onModal([&shown](QDialog& dialog) {
        if (auto* save = qobject_cast<dialogs::spImgSV*>(&dialog)) {
            const auto& image = save->preview()->GetObject()->image();
            shown = QSize(image.width(), image.height());
        }
        return int(QDialog::Rejected);
    });
    choose(*sub, "mnFile", 6);  // 別名保存(詳細指定)
    EXPECT_EQ(shown, QSize(6, 2));
}

TEST(SubMenusTest, ItemsSendTheGroupOfTheirMenuAndTheCaptionAsJob) {
    QMenuBar bar;
    QStringList sent;
    app::SubMenus menus(
        &bar, [&sent](const QString& group, const QString& job) { sent << group + "/" + job; });
    menus.setRegisteredRanges({"名刺", "A&B"});
    menus.setRegisteredRanges({"A&B"});  // refilled, not added to
    for (auto [array, index] : std::initializer_list<std::pair<const char*, int>>{
             {"mnFile", 5},
             {"mnHaniUs", 0},
             {"mnHani", 3},
             {"mnEmph", 1},
             {"mnMeido", 0},
             {"mnColRev", 3},
             {"mnZoom", 0},
             {"mnEdt", 19},
             {"mnHosei", 9},  // a separator
             {"mnKouka", 9},  // a submenu header
         })
        menus.item(QString::fromUtf8(array), index)->trigger();
    EXPECT_EQ(sent, QStringList({"ﾌｧｲﾙ/名前を付けて保存", "範囲/A&B", "範囲/現在のｻｲｽﾞを保存",
                                 "範囲/ﾏｰｶｰ", "明度/明るく", "色反転/Red Green Blue", "拡大/ 50%",
                                 "画像編集/解像度"}));
    EXPECT_EQ(menus.item("mnHaniUs", 0)->text(), "A&&B");
    EXPECT_EQ(menus.item("mnHaniUs", 1), nullptr);
}
