// Drives the real main window offscreen: the browser, the editor, the menus of ppPic, the
// command hook, macros, launch-file jobs and storing.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>

#include <QTest>

#include "app/main_window.h"
#include "app/menus/pp_pic.h"
#include "app/windows/sb_kkn.h"
#include "app/windows/sp_pex.h"
#include "app_window_fixture.h"
#include "browser/thumbnail_grid.h"
#include "browser/utrp.h"
#include "dialogs/effects_dialog.h"
#include "dialogs/range_size_dialog.h"
#include "dialogs/resolution_dialog.h"
#include "dialogs/save_as_dialog.h"
#include "editor/upce.h"
#include "editor/view/display_colour.h"
#include "editor/view/picture_view.h"
#include "engine/codecs/registry.h"
#include "platform/file_names.h"
#include "settings/y_ini.h"
#include "support/scoped_env.h"
#include "util/scripted_messages.h"
#include "util/shared_values.h"

using namespace ximora;
using app::FmMainWindow;

namespace {
class MainWindowTest : public ximora::testing::AppWindowTest {
  protected:
    static QSize sizeOnDisk(const QString& path) { return QImage(path).size(); }
    QSize shownSize(FmMainWindow& main) const {
        const auto& image = main.editor()->GetObject()->image();
        return {image.width(), image.height()};
    }
    // What reading `path` before the window is made holds, once it holds it.
    static std::unique_ptr<editor::ReadAhead> readUntilHeld(const QString& path) {
        std::unique_ptr<editor::ReadAhead> reading = editor::PictureDocument::readBeforehand(path);
        const std::string name = platform::encodePath(path).toStdString();
        for (int i = 0; i < 500 && !reading->holds(name); ++i) QTest::qWait(10);
        EXPECT_TRUE(reading->holds(name));
        return reading;
    }
    // Chooses item (array, index) from top menu `top` while it is popped up by its label.
    void chooseFromMenu(FmMainWindow& main, int top, const char* array, int index) {
        QTimer::singleShot(0, &main, [&main, top, array, index] {
            main.menus()->item(QString::fromUtf8(array), index)->trigger();
            main.menus()->topMenu(top)->close();
        });
        main.commandBarClick(top);
    }
};
}  // namespace

TEST_F(MainWindowTest, ChosenFileOpensMenuCommandEditsAndSaveWritesIt) {
    const QString a = picture("a.bmp");
    FmMainWindow main;
    startInteractive(main, a);
    EXPECT_EQ(main.editor()->prFile(), a);
    EXPECT_EQ(main.currentFile(), a);
    EXPECT_EQ(main.windowTitle(), a);
    EXPECT_FALSE(main.commandLabel(0)->isVisible());  // no caller in job 0
    EXPECT_EQ(main.commandLabel(1)->x(), 3);          // 50 twips at 96 dots per inch
    EXPECT_FALSE(main.toolButton(1)->isEnabled());    // nothing to save yet

    chooseFromMenu(main, 3, "mnRotate", 3);  // 画像編集 > 回転 > 右90度
    EXPECT_EQ(shownSize(main), QSize(4, 8));
    EXPECT_TRUE(main.toolButton(1)->isEnabled());
    chooseFromMenu(main, 1, "mnFile", 4);  // 上書き保存(&S)
    EXPECT_EQ(sizeOnDisk(a), QSize(4, 8));

    main.runHotZone(4);  // F8 saves without moving on
    EXPECT_EQ(main.currentFile(), a);

    // The editor's view mode shows in the picker without going back to the editor.
    emit main.editor()->eChgViewMode(2);
    EXPECT_EQ(main.viewPicker()->currentText(), "ｽﾄﾚｯﾁ");
    int jpg = 0, update = 0, mouse = 0;
    QString scale, ext;
    ASSERT_TRUE(main.editor()->GetPram(jpg, update, scale, mouse, ext));
    EXPECT_EQ(scale, "ｽｹｰﾙ");

    // Hidden and shown again, a browser pane narrower than 50 twips opens 3000 wide.
    main.commandHook("ﾂﾘｰ", "非表示");
    EXPECT_FALSE(main.browser()->isVisible());
    main.commandHook("ﾂﾘｰ", "表示F");
    EXPECT_TRUE(main.browser()->isVisible());
    EXPECT_EQ(main.browserWidth(), 3000);
    main.close();
    EXPECT_FALSE(main.isVisible());
}

TEST_F(MainWindowTest, RecordedMacroIsStoredWithTildesAndReplaysOnAnotherFile) {
    const QString a = picture("a.bmp");
    const QString b = picture("b.bmp");
    FmMainWindow main;
    startInteractive(main, a);
    EXPECT_TRUE(main.recording());  // on from load; "開始" empties the buffer
    main.commandHook("回転", "左右反転");
    main.commandHook("ﾏｸﾛ", "開始");
    EXPECT_EQ(main.recordBuffer(), "");
    EXPECT_EQ(main.windowTitle(), "マクロ記録中・・・");
    main.commandHook("回転", "右90度");
    main.commandHook("ﾏｸﾛ", "終了");  // the editing window is cancelled: the list keeps it
    EXPECT_FALSE(main.recording());
    EXPECT_EQ(main.macroText(), "[新規マクロ]\r\n回転⇒右90度");
    EXPECT_EQ(main.menus()->item("mnMcR", 0)->text(), "新規マクロ");

    msg_->answer(util::MsgAnswer::No);  // a is edited: do not save it
    main.editor()->pcOpen(1, b);
    ASSERT_EQ(main.editor()->prFile(), b);
    main.menus()->choose(main.menus()->item("mnMcR", 0));
    main.commandHook(main.menus()->sGrp(), main.menus()->sCap());
    EXPECT_EQ(shownSize(main), QSize(4, 8));        // turned exactly once
    EXPECT_EQ(main.recordBuffer(), "回転⇒右90度");  // playback records nothing

    msg_->answer(util::MsgAnswer::No);
    main.close();
    settings::YIni reread(util::shared().sUsrDir);
    ASSERT_TRUE(reread.GetTxt(util::shared().sUsrDir + "User.xml"));
    reread.GetGtx("マクロ");
    EXPECT_EQ(reread.vGtVal("COMMAND", ""), "[新規マクロ]~回転⇒右90度");
}

TEST_F(MainWindowTest, RegisteredRangesAndStampReachTheEditorAndComeBack) {
    QDir().mkpath(util::shared().sApDir);
    for (const char* name : {"s1.bmp", "s2.bmp"}) {
        QImage stamp(2, 2, QImage::Format_RGB32);
        stamp.fill(Qt::green);
        stamp.save(util::shared().sApDir + name);
    }
    settings::YIni stored(util::shared().sUsrDir);
    stored.GetTxt(util::shared().sUsrDir + "User.xml");  // none yet: starts empty
    stored.GetGtx("画面");
    stored.SetVal("PC_RNG", "名刺,91,55,px:A4,21,29.7,cm");
    stored.SetVal("STAMP", "s2.bmp");
    stored.SetGtx();
    ASSERT_TRUE(stored.SetTxt());

    FmMainWindow main;
    startInteractive(main, picture("a.bmp"));
    EXPECT_EQ(main.editor()->UsrHani(), "名刺,91,55,px:A4,21,29.7,cm");
    EXPECT_EQ(main.editor()->stampFile(), util::shared().sApDir + "s2.bmp");
    main.nextStamp();  // wraps to the first bitmap
    EXPECT_EQ(main.editor()->stampFile(), util::shared().sApDir + "s1.bmp");

    main.editor()->UsrHani("B5,18.2,25.7,cm");
    main.close();
    settings::YIni reread(util::shared().sUsrDir);
    ASSERT_TRUE(reread.GetTxt(util::shared().sUsrDir + "User.xml"));
    reread.GetGtx("画面");
    EXPECT_EQ(reread.vGtVal("PC_RNG", ""), "B5,18.2,25.7,cm");
    EXPECT_EQ(reread.vGtVal("STAMP", ""), "s1.bmp");
}

TEST_F(MainWindowTest, DeletingAsksFirstAndKeepsTheDocumentOnNo) {
    const QString a = picture("a.bmp");
    FmMainWindow main;
    startInteractive(main, a);
    msg_->answer(util::MsgAnswer::No);
    main.commandHook("ﾌｧｲﾙ", "ﾌｧｲﾙを削除");
    EXPECT_TRUE(QFile::exists(a));
    EXPECT_TRUE(main.editor()->GetObject()->hasImage());
    msg_->answer(util::MsgAnswer::Yes);
    main.commandHook("ﾌｧｲﾙ", "ﾌｧｲﾙを削除");
    EXPECT_FALSE(QFile::exists(a));
    EXPECT_EQ(main.currentFile(), "");
    main.close();
}

TEST_F(MainWindowTest, ThumbnailModeStartsOnTheFileAndDeletingItClearsTheEditor) {
    picture("a.bmp");
    const QString b = picture("b.bmp");
    picture("c.bmp");
    {
        settings::YIni stored(util::shared().sUsrDir);
        stored.GetTxt(util::shared().sUsrDir + "User.xml");
        stored.GetGtx("設定");
        stored.SetVal("DISP_FOLD", "表示T");
        stored.SetGtx();
        ASSERT_TRUE(stored.SetTxt());
    }
    FmMainWindow main;
    startInteractive(main, b);
    browser::ThumbnailGrid* grid = main.browser()->grid();
    ASSERT_EQ(grid->count(), 3);
    EXPECT_TRUE(grid->isSelected(2));
    EXPECT_EQ(grid->currentItem(), 2);

    msg_->answer(util::MsgAnswer::Yes);
    main.commandHook("ﾌｧｲﾙ", "ﾌｧｲﾙを削除");
    EXPECT_FALSE(QFile::exists(b));
    EXPECT_EQ(grid->count(), 2);
    EXPECT_FALSE(main.windowTitle().contains("b.bmp"));
    EXPECT_NE(main.currentFile(), b);
    main.close();
}

TEST_F(MainWindowTest, KeysOnThePictureStepThroughTheFolderPastADamagedFile) {
    const QString a = picture("a.bmp");
    QFile damaged(pics() + "/b.bmp");
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
    damaged.write("BM not really a picture");
    damaged.close();
    const QString c = picture("c.bmp");
    FmMainWindow main;
    startInteractive(main, a);
    editor::PictureView* view = main.editor()->view();
    using Step = editor::PictureView::Step;
    const auto press = [view](Step step) { emit view->stepRequested(step); };
    press(Step::Next);  // the damaged file: told on the information line, no message box
    EXPECT_TRUE(msg_->messageTexts().isEmpty());
    EXPECT_TRUE(main.infoLine()->text().startsWith("b.bmp: "))
        << main.infoLine()->text().toStdString();
    EXPECT_EQ(main.editor()->prFile(), a);  // the picture shown stays
    press(Step::Next);                      // and the next key goes on
    EXPECT_EQ(main.editor()->prFile(), c);
    EXPECT_TRUE(main.infoLine()->text().contains('%'));  // the zoom read-out
    press(Step::First);
    EXPECT_EQ(main.editor()->prFile(), a);
    press(Step::Last);
    EXPECT_EQ(main.editor()->prFile(), c);

    // Full screen: the picture alone, back with Esc; the slideshow steps on by itself.
    app::FullScreenView* full = main.fullScreenView();
    full->toggle();
    EXPECT_TRUE(full->isOn());
    EXPECT_FALSE(main.browser()->isVisible());
    full->setIntervalSeconds(1);
    full->setSlideshow(true);
    QSignalSpy next(full, &app::FullScreenView::nextRequested);
    ASSERT_TRUE(next.wait(3000));
    EXPECT_EQ(main.editor()->prFile(), a);  // from the last file round to the first
    full->leave();
    EXPECT_FALSE(full->slideshowRunning());
    EXPECT_TRUE(main.browser()->isVisible());
    main.close();
}

TEST_F(MainWindowTest, StepsShowEachFileAsItIsNowWhenItsNeighbourWasReadAhead) {
    const QString a = picture("a.png", 8, 4);
    picture("b.png", 9, 4);
    picture("c.png", 10, 4);
    FmMainWindow main;
    startInteractive(main, a);
    editor::PictureView* view = main.editor()->view();
    using Step = editor::PictureView::Step;
    QTest::qWait(300);  // b (next) and c (previous, round the end) are read ahead by now
    emit view->stepRequested(Step::Next);
    EXPECT_EQ(shownSize(main), QSize(9, 4));
    // c changes after it was read ahead: the step shows the file as it is now.
    picture("c.png", 12, 5);
    emit view->stepRequested(Step::Next);
    EXPECT_EQ(shownSize(main), QSize(12, 5));
    emit view->stepRequested(Step::Previous);
    EXPECT_EQ(shownSize(main), QSize(9, 4));
    main.close();
}

// A picture named on the command line is read while the window is being made, and the open
// takes it from there.
TEST_F(MainWindowTest, APictureReadBeforeTheWindowWasMadeIsWhatTheOpenShows) {
    const QString a = picture("a.png", 8, 4);
    std::unique_ptr<editor::ReadAhead> reading = readUntilHeld(a);
    const editor::ReadAhead* adopted = reading.get();
    FmMainWindow main;
    main.editor()->dGetImg()->adoptReadAhead(std::move(reading));
    startInteractive(main, a);
    EXPECT_EQ(shownSize(main), QSize(8, 4));
    EXPECT_FALSE(adopted->holds(platform::encodePath(a).toStdString()));
    main.close();
}

TEST_F(MainWindowTest, APictureChangedAfterItWasReadBeforeTheWindowIsShownAsItIsNow) {
    const QString a = picture("a.png", 8, 4);
    std::unique_ptr<editor::ReadAhead> reading = readUntilHeld(a);
    picture("a.png", 12, 5);
    FmMainWindow main;
    main.editor()->dGetImg()->adoptReadAhead(std::move(reading));
    startInteractive(main, a);
    EXPECT_EQ(shownSize(main), QSize(12, 5));
    main.close();
}

// A window that took its size before the controls started (a first start on a small screen
// opens maximised then) has the picture view fill the editor, not keep the size it had.
TEST_F(MainWindowTest, WindowSizedBeforeTheStartHasThePictureViewFillTheEditor) {
    FmMainWindow main;
    main.show();
    startInteractive(main, picture("a.bmp"));
    QCoreApplication::processEvents();
    EXPECT_GT(main.editor()->width(), 300);
    EXPECT_EQ(main.editor()->view()->geometry(), main.editor()->rect());
    main.close();
}

TEST_F(MainWindowTest, TreePaneHeightComesBackAsSaved) {
    // Shown and saved again at the height it was saved with: no growth from start to start.
    const QString a = picture("a.bmp");
    {
        settings::YIni stored(util::shared().sUsrDir);
        stored.GetTxt(util::shared().sUsrDir + "User.xml");
        stored.GetGtx("画面");
        stored.SetVal("DIR_HI", 2400);  // twips
        stored.SetGtx();
        ASSERT_TRUE(stored.SetTxt());
    }
    FmMainWindow main;
    startInteractive(main, a);
    main.show();
    QTest::qWait(50);
    EXPECT_NEAR(main.browser()->DirHi(), 2400, 30);
    main.close();
    settings::YIni reread(util::shared().sUsrDir);
    ASSERT_TRUE(reread.GetTxt(util::shared().sUsrDir + "User.xml"));
    reread.GetGtx("画面");
    EXPECT_NEAR(reread.vGtVal("DIR_HI", 0), 2400, 30);
}

TEST_F(MainWindowTest, StoringNumbersAfterThePrefixAndNeedsAFolder) {
    const QString a = picture("a.bmp");
    const QString store = dir_.path() + "/store";
    QDir().mkpath(store);
    QFile(store + "/A010.jpg").open(QIODevice::WriteOnly);
    FmMainWindow main;
    startInteractive(main, a);
    main.commandHook("格納", "連番をつけて保存");
    EXPECT_EQ(msg_->messageTexts().last(), "格納先が指定されていません");

    msg_->onModal([&](QDialog& dialog) {
        static_cast<app::SbKkn&>(dialog).setValues(store, "A", "jpg");
        return int(QDialog::Accepted);
    });
    main.commandHook("格納", "画像格納の指定");
    EXPECT_EQ(main.storageFolder(), store);
    EXPECT_TRUE(main.menus()->item("mnKkn", 0)->isEnabled());
    main.commandHook("格納", "連番をつけて保存");
    EXPECT_EQ(msg_->messageTexts().last(), store + "/A011.jpg に保存しました");
    EXPECT_EQ(sizeOnDisk(store + "/A011.jpg"), QSize(8, 4));
    EXPECT_EQ(main.currentFile(), store + "/A011.jpg");
    main.close();
}

TEST_F(MainWindowTest, EffectsDialogFromTheMenuHandsItsResultToTheEditor) {
    const QString a = picture("a.bmp", 16, 12);
    FmMainWindow main;
    startInteractive(main, a);
    const engine::Image before = main.editor()->dGetImg()->image();
    msg_->onModal([](QDialog& dialog) {
        auto& effects = static_cast<dialogs::spImgK&>(dialog);
        effects.tabs()->setCurrentIndex(dialogs::spImgK::Invert);
        effects.channel(2)->setChecked(true);
        effects.drawButton()->click();
        effects.closeFromImageMenu(dialogs::AdjustDialog::kApplyAndClose);
        return dialog.result();
    });
    main.commandHook("効果", "詳細指定");
    const engine::Image& after = main.editor()->dGetImg()->image();
    EXPECT_EQ(after.pixel(0, 0).b, 255 - before.pixel(0, 0).b);
    EXPECT_EQ(after.pixel(0, 0).r, before.pixel(0, 0).r);
    EXPECT_EQ(main.editor()->dGetImg()->editState(), "編集");
    main.close();
}

TEST_F(MainWindowTest, RegisteredRangeMenuFollowsTheRegistrationDialog) {
    const QString a = picture("a.bmp", 60, 40);
    FmMainWindow main;
    startInteractive(main, a);
    main.editor()->UsrHani("Card,20,10,px:Bad,0,1,px");
    QAction* first = main.menus()->item("mnHaniUs", 0);
    EXPECT_TRUE(first->isVisible());
    EXPECT_EQ(first->property("job").toString(), "Card(20 * 10 px)");
    main.commandHook("範囲", "Card(20 * 10 px)");
    EXPECT_EQ(main.editor()->dGetImg()->selection(), (editor::Selection{10, 10, 30, 20}));

    msg_->onModal([](QDialog& dialog) {
        auto& size = static_cast<dialogs::spSize&>(dialog);
        size.txCap()->setText("Wide");
        size.cmLst(dialogs::spSize::Add)->click();
        size.cmClose()->click();
        return int(QDialog::Accepted);
    });
    main.commandHook("範囲", "範囲の登録");
    EXPECT_EQ(main.editor()->UsrHani(), "Wide,20,10,px:Temporary,20,10,px:Card,20,10,px");
    ASSERT_NE(main.menus()->item("mnHaniUs", 2), nullptr);
    EXPECT_TRUE(main.menus()->item("mnHaniUs", 2)->isVisible());
    EXPECT_EQ(main.menus()->item("mnHaniUs", 0)->property("job").toString(), "Wide(20 * 10 px)");

    main.editor()->UsrHani("");
    EXPECT_FALSE(main.menus()->item("mnHaniUs", 0)->isVisible());
    main.close();
}

TEST_F(MainWindowTest, DetailedSaveWritesACopyAndResolutionReachesTheEditor) {
    const QString a = picture("a.bmp", 16, 12);
    FmMainWindow main;
    startInteractive(main, a);
    const engine::Image before = main.editor()->dGetImg()->image();

    // The save-as dialog opens on the editor's image and writes a GIF copy beside it; the
    // editor keeps its own image, file and state.
    msg_->answerPath(pics() + "/copy");
    msg_->onModal([](QDialog& dialog) {
        auto& save = static_cast<dialogs::spImgSV&>(dialog);
        save.formatOption(dialogs::spImgSV::Gif, 0)->setChecked(true);
        save.button(0)->click();
        return dialog.QDialog::result();
    });
    main.commandHook("ﾌｧｲﾙ", "別名保存(詳細指定)");
    engine::Image copy;
    ASSERT_TRUE(engine::loadImage((pics() + "/copy.gif").toStdString(), copy));
    EXPECT_EQ(copy.bitsPerPixel(), 8);
    EXPECT_EQ(copy.pixel(0, 0).b, 255);
    EXPECT_EQ(main.editor()->dGetImg()->image().bitsPerPixel(), before.bitsPerPixel());
    EXPECT_EQ(main.editor()->prFile(), a);
    EXPECT_EQ(main.editor()->dGetImg()->editState(), "読込");

    // The resolution dialog is installed for the editor's "解像度".
    msg_->onModal([](QDialog& dialog) {
        auto& dpi = static_cast<dialogs::spDpi&>(dialog);
        dpi.sameResolution()->setChecked(true);
        dpi.resolutionBox(0)->setText("300");
        dpi.computeSizes(1);
        dpi.button(0)->click();
        return dialog.result();
    });
    main.commandHook("画像編集", "解像度");
    EXPECT_EQ(main.editor()->dGetImg()->image().dpiX, 300);
    EXPECT_EQ(main.editor()->dGetImg()->image().dpiY, 300);
    EXPECT_EQ(main.editor()->dGetImg()->editState(), "編集");
    msg_->answer(util::MsgAnswer::No);  // the save question when closing
    main.close();
}

TEST_F(MainWindowTest, ExternalEditorRegistrationAndMissingProgram) {
    const QString a = picture("a.bmp");
    FmMainWindow main;
    startInteractive(main, a);
    msg_->onModal([](QDialog& dialog) {
        auto& pex = static_cast<app::SpPex&>(dialog);
        const QString entries[3] = {"Paint,/no/such dir/paint", "", "Caption only,"};
        pex.setEntries(entries);
        return int(QDialog::Accepted);
    });
    main.commandHook("APR", "4");
    EXPECT_EQ(main.externalEditor(1), ",");
    EXPECT_TRUE(main.menus()->item("mnApr", 0)->isVisible());
    EXPECT_FALSE(main.menus()->item("mnApr", 1)->isVisible());
    EXPECT_TRUE(main.menus()->item("mnApr", 2)->isVisible());
    main.commandHook("APR", "0");
    EXPECT_EQ(msg_->messageTexts().last(), "/no/such dir/paint が見つかりません");
    main.close();
}

TEST_F(MainWindowTest, FileJobReturnsTheSelectionIn256Colours) {
    const QString a = picture("a.bmp");
    FmMainWindow main;
    ASSERT_TRUE(main.load());
    main.setAutorun({"取込⇒選択256"});
    QString file = a;
    float w = 0, h = 0;
    bool ok = false, gif = false;
    main.Act(app::kJobFile, file, w, h, false, true, ok, gif);
    EXPECT_TRUE(ok);
    EXPECT_EQ(QImage(a).format(), QImage::Format_Indexed8);
}

TEST_F(MainWindowTest, FileJobRangeRequestWithoutASelectionReturnsTheWholeImage) {
    const QString a = picture("a.bmp");
    FmMainWindow main;
    ASSERT_TRUE(main.load());
    QString file = a;
    float w = 3, h = 1.5;  // points: 4 by 2 pixels at 96 dots per inch
    bool ok = false, gif = false;
    main.setAutorun({"回転⇒右90度", "取込⇒範囲"});
    main.Act(app::kJobFile, file, w, h, false, true, ok, gif);
    EXPECT_EQ(main.menus()->item("mnHnEx", 0)->text(), "User.Range (4.0 * 2.0 px)");
    EXPECT_TRUE(ok);
    EXPECT_EQ(sizeOnDisk(a), QSize(4, 8));
}

TEST_F(MainWindowTest, FileJobNotTakenLeavesTheFileUntouched) {
    const QString a = picture("a.bmp");
    QFile original(a);
    ASSERT_TRUE(original.open(QIODevice::ReadOnly));
    const QByteArray bytes = original.readAll();
    FmMainWindow main;
    ASSERT_TRUE(main.load());
    main.setAutorun({"回転⇒右90度", "取込⇒非選択"});
    QString file = a;
    float w = 0, h = 0;
    bool ok = true, gif = false;
    msg_->answer(util::MsgAnswer::No);  // closing an edited image: no save
    main.Act(app::kJobFile, file, w, h, false, true, ok, gif);
    EXPECT_FALSE(ok);
    QFile after(a);
    ASSERT_TRUE(after.open(QIODevice::ReadOnly));
    EXPECT_EQ(after.readAll(), bytes);
}

TEST_F(MainWindowTest, ClipboardJobTakesThePictureAndHandsTheResultBack) {
    QImage picture(8, 4, QImage::Format_RGB32);
    picture.fill(QColor(200, 40, 40));
    for (const bool withPicture : {true, false}) {
        if (withPicture)
            QGuiApplication::clipboard()->setImage(picture);
        else
            QGuiApplication::clipboard()->clear();
        settings::setYIni(std::make_unique<settings::YIni>(util::shared().sUsrDir));
        FmMainWindow main;
        ASSERT_TRUE(main.load());
        main.setAutorun({"回転⇒右90度", "取込⇒選択"});
        QString file;
        float w = 0, h = 0;
        bool ok = !withPicture, gif = false;
        main.Act(app::kJobClipboard, file, w, h, false, true, ok, gif);
        // Without a picture there is nothing to hand back: the job is not taken.
        EXPECT_EQ(ok, withPicture);
        const QImage back = QGuiApplication::clipboard()->image();
        EXPECT_EQ(back.size(), withPicture ? QSize(4, 8) : QSize(0, 0));
        if (withPicture) {
            EXPECT_EQ(back.pixelColor(0, 0), QColor(200, 40, 40));
        }
        EXPECT_FALSE(util::shared().bClipBusy);
    }
}

TEST_F(MainWindowTest, FolderJobNumbersTheNewFileAndSetsTheGifFlag) {
    const QString out = dir_.path() + "/out";
    QDir().mkpath(out);
    QFile(out + "/PIC004.jpg").open(QIODevice::WriteOnly);
    QFile(out + "/PIC010.gif").open(QIODevice::WriteOnly);
    const QString source = picture("source.bmp", 6, 6);

    for (const bool reduce : {false, true}) {
        settings::setYIni(std::make_unique<settings::YIni>(util::shared().sUsrDir));
        FmMainWindow main;
        ASSERT_TRUE(main.load());
        msg_->answerPath(source);
        main.setAutorun({"ﾌｧｲﾙ⇒ﾌｧｲﾙを開く", reduce ? "取込⇒選択256" : "取込⇒選択"});
        QString name = "PIC*";
        bool ok = false, gif = !reduce;
        main.ActHt(out, name, 0, 0, gif, ok);
        EXPECT_TRUE(ok);
        // The second run counts the first one's PIC011.jpg.
        EXPECT_EQ(name, out + (reduce ? "/PIC012.gif" : "/PIC011.jpg"));
        EXPECT_EQ(gif, reduce);
        EXPECT_EQ(QImage(name).size(), QSize(6, 6));
    }
    EXPECT_EQ(QImage(source).size(), QSize(6, 6));  // the source stays as it was
}

// Half a 1920-pixel screen holds the main window (960 logical pixels, also what a whole
// 1920 × 1080 screen offers at scale factor 2); long captions shorten instead of widening it.
TEST_F(MainWindowTest, FitsHalfOfAWideScreen) {
    FmMainWindow main;
    main.show();
    EXPECT_LE(main.minimumSizeHint().width(), 900);
    main.resize(480, main.height());
    QCoreApplication::processEvents();
    EXPECT_LE(main.width(), 480);
    const auto* zone = main.findChild<QLabel*>(QStringLiteral("lbFnc6"));
    ASSERT_NE(zone, nullptr);
    EXPECT_NE(zone->text(), QStringLiteral("F10 ﾄﾘﾐﾝｸﾞ保存して次へ"));  // cut short
    EXPECT_TRUE(zone->text().startsWith(QStringLiteral("F")));
    main.resize(1600, main.height());
    QCoreApplication::processEvents();
    EXPECT_EQ(zone->text(), QStringLiteral("F10 ﾄﾘﾐﾝｸﾞ保存して次へ"));
}

// At 1366 × 768 the information line of a large picture's file is whole, pages and all.
TEST_F(MainWindowTest, TheInformationLineIsWholeOnASmallScreen) {
    engine::Image big;
    ASSERT_TRUE(big.allocateZeroed(6000, 4000, 24));
    const QString path = QFileInfo(picture("a.bmp")).absolutePath() + "/big.bmp";
    ASSERT_TRUE(engine::saveImage(path.toStdString(), big, engine::SaveOptions{}));
    // The font of a desktop that shows Japanese: larger than Qt's own default.
    const QFont saved = QApplication::font();
    QApplication::setFont(QFont(QStringLiteral("Noto Sans CJK JP"), 11));
    FmMainWindow main;
    startInteractive(main, path);
    main.show();
    main.resize(1366, 740);
    QCoreApplication::processEvents();
    const auto* info = main.findChild<QLabel*>(QStringLiteral("ssImg"));
    ASSERT_NE(info, nullptr);
    for (int wait = 0; wait < 200 && !info->text().contains(QStringLiteral("ﾌｧｲﾙｻｲｽﾞ")); ++wait)
        QTest::qWait(20);  // the picture is decoded beside the window
    ASSERT_TRUE(info->text().contains(QStringLiteral("ﾌｧｲﾙｻｲｽﾞ"))) << info->text().toStdString();
    EXPECT_GE(info->contentsRect().width(),
              info->fontMetrics().horizontalAdvance(info->text().trimmed()))
        << info->text().toStdString();
    EXPECT_LE(info->geometry().right(), info->parentWidget()->width());
    main.close();
    QApplication::setFont(saved);
}

// 設定/色管理 turns colour management off for every picture shown, and 設定/ｽﾗｲﾄﾞｼｮｰ間隔 sets
// the slideshow's interval (held to 1 to 3600 seconds); both are written back.
TEST_F(MainWindowTest, ColourManagementAndSlideshowSettingsAreReadAndWrittenBack) {
    settings::YIni stored(util::shared().sUsrDir);
    stored.GetTxt(util::shared().sUsrDir + "User.xml");
    stored.GetGtx("設定");
    stored.SetVal("色管理", false);
    stored.SetVal("ｽﾗｲﾄﾞｼｮｰ間隔", 99999);
    stored.SetGtx();
    ASSERT_TRUE(stored.SetTxt());

    editor::DisplayColour& colour = editor::DisplayColour::instance();
    FmMainWindow main;
    startInteractive(main, picture("a.bmp"));
    EXPECT_FALSE(colour.managed());
    EXPECT_EQ(main.fullScreenView()->intervalSeconds(), 3600);
    colour.setManaged(true);
    main.fullScreenView()->setIntervalSeconds(12);
    main.close();
    settings::YIni reread(util::shared().sUsrDir);
    ASSERT_TRUE(reread.GetTxt(util::shared().sUsrDir + "User.xml"));
    reread.GetGtx("設定");
    EXPECT_EQ(reread.vGtVal("色管理", ""), "True");
    EXPECT_EQ(reread.vGtVal("ｽﾗｲﾄﾞｼｮｰ間隔", 0), 12);
}

// "画像を添付してﾒｰﾙ" mails the picture as the user sees it (edited, only the selection), saved as
// the working folder's mail file, also from a folder whose name holds commas: each attachment
// is one whole argument of the mail tool.
TEST_F(MainWindowTest, MailSendsThePictureAsSeenAsOneWholeAttachment) {
    QTemporaryDir tools;
    const QString log = tools.filePath("arguments");
    QFile mailer(tools.filePath("xdg-email"));
    ASSERT_TRUE(mailer.open(QIODevice::WriteOnly));
    mailer.write(
        QStringLiteral("#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > '%1'\n")
            .arg(log)
            .toUtf8());
    mailer.close();
    mailer.setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    ScopedEnv path("PATH", (tools.path() + ":" + qgetenv("PATH")).toUtf8());

    QDir().mkpath(pics() + "/x,/etc");
    const QString file = picture("x,/etc/passwd,y.png", 12, 8);
    FmMainWindow main;
    startInteractive(main, QString());
    main.editor()->pcOpen(0, file);
    ASSERT_EQ(main.editor()->prFile(), file);
    main.commandHook("回転", "右90度");
    main.editor()->GetObject()->setSelection({1, 2, 5, 9});          // 4 × 7 of the turned picture
    msg_->onModal([](QDialog&) { return int(QDialog::Accepted); });  // the preset name
    main.commandHook("ﾌｧｲﾙ", "画像を添付してﾒｰﾙ");
    QFile arguments(log);
    for (int wait = 0; wait < 200 && arguments.size() == 0; ++wait) QTest::qWait(20);
    ASSERT_TRUE(arguments.open(QIODevice::ReadOnly));
    const QString mailFile = util::shared().sUsrDir + "Wrk/pic.jpg";
    EXPECT_EQ(QString::fromUtf8(arguments.readAll()).split('\n', Qt::SkipEmptyParts),
              (QStringList{"--utf8", "--subject", "passwd,y.png", "--body", "--attach", mailFile}));
    EXPECT_EQ(sizeOnDisk(mailFile), QSize(4, 7));
    // The picture's own file and state are as they were.
    EXPECT_EQ(main.editor()->prFile(), file);
    EXPECT_EQ(main.editor()->GetObject()->editState(), editor::kStateEdited);
    main.close();
}
