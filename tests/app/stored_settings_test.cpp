// Settings that take effect in the real main window, offscreen: where thumbnail caches go, the
// stored mouse mode with its pointers, the check marks of the settings menus as one choice each,
// the pan window item, the command bar's highlight and the window's geometry.
#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QCursor>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <initializer_list>
#include <utility>

#include "app/main_window.h"
#include "app/menus/pp_pic.h"
#include "app_window_fixture.h"
#include "browser/thumbnail_cache_files.h"
#include "browser/thumbnail_grid.h"
#include "browser/thumbnail_set.h"
#include "browser/utrp.h"
#include "editor/upce.h"
#include "editor/view/picture_view.h"
#include "settings/y_ini.h"

using namespace ximora;
using app::FmMainWindow;

namespace {
class StoredSettingsTest : public ximora::testing::AppWindowTest {
  protected:
    void TearDown() override {
        browser::setCacheBesideImages(false);
        AppWindowTest::TearDown();
    }
    // Writes `values` into `group` of "User.xml" before the window loads it.
    void store(const char* group, std::initializer_list<std::pair<const char*, QString>> values) {
        settings::YIni stored(util::shared().sUsrDir);
        stored.GetTxt(util::shared().sUsrDir + "User.xml");
        stored.GetGtx(QString::fromUtf8(group));
        for (const auto& [key, value] : values) stored.SetVal(QString::fromUtf8(key), value);
        stored.SetGtx();
        ASSERT_TRUE(stored.SetTxt());
    }
    QString stored(const char* group, const char* key) const {
        settings::YIni reread(util::shared().sUsrDir);
        reread.GetTxt(util::shared().sUsrDir + "User.xml");
        reread.GetGtx(QString::fromUtf8(group));
        return reread.vGtVal(QString::fromUtf8(key), "");
    }
    static bool checked(FmMainWindow& main, const char* array, int index) {
        return main.menus()->item(QString::fromUtf8(array), index)->isChecked();
    }
    // Chooses item (array, index) while top menu `top` is popped up by its label.
    static void chooseFromMenu(FmMainWindow& main, int top, const char* array, int index) {
        QTimer::singleShot(0, &main, [&main, top, array, index] {
            main.menus()->item(QString::fromUtf8(array), index)->trigger();
            main.menus()->topMenu(top)->close();
        });
        main.commandBarClick(top);
    }
    static QCursor pointer(FmMainWindow& main) {
        return main.editor()->view()->viewport()->cursor();
    }
};
}  // namespace

TEST_F(StoredSettingsTest, ThumbnailCachesGoBesideTheImagesByTheStoredSettingAndTheMenu) {
    store("設定", {{"TMB_DR", "True"}, {"DISP_FOLD", "表示T"}});
    const QString a = picture("a.bmp");
    const QString other = dir_.path() + "/other";
    QDir().mkpath(other);
    FmMainWindow main;
    startInteractive(main, a);
    browser::ThumbnailGrid* grid = main.browser()->grid();
    EXPECT_EQ(grid->cacheFile(), pics() + "/Thmb100.Dat");
    grid->thumbnails().waitUntilDone();
    main.browser()->setPath(other);  // leaving the folder writes its cache
    EXPECT_TRUE(QFile::exists(pics() + "/Thmb100.Dat"));
    const QDir central(util::shared().sUsrDir + "Thumb");
    EXPECT_TRUE(central.isEmpty());
    EXPECT_TRUE(checked(main, "mnTmbFd", 0));

    chooseFromMenu(main, 5, "mnTmbFd", 1);  // 専用のﾌｫﾙﾀﾞ: central from the next listing on
    EXPECT_TRUE(checked(main, "mnTmbFd", 1));
    EXPECT_FALSE(checked(main, "mnTmbFd", 0));
    main.browser()->setPath(pics());
    EXPECT_EQ(grid->cacheFile(), browser::cacheFileName(pics(), 100));
    EXPECT_TRUE(grid->cacheFile().startsWith(central.path()));

    // The clean-up looks at the central caches only: the one beside the images stays.
    main.commandHook("ｻﾑﾈｲﾙ", "不要なｻﾑﾈｲﾙの削除");
    EXPECT_TRUE(QFile::exists(pics() + "/Thmb100.Dat"));

    main.close();
    EXPECT_EQ(stored("設定", "TMB_DR"), "False");
}

TEST_F(StoredSettingsTest, StoredMouseModeIsAppliedAtStartAndFollowsTheMenu) {
    // The pointers the program ships in its data folder.
    const QString pointers =
        QDir::cleanPath(QStringLiteral(XIMORA_TEST_DATA "/../../src/editor/view/pointers")) + "/";
    QDir().mkpath(util::shared().sApDir);
    for (const char* name : {"Hand.xpm", "Magnify.xpm"})
        ASSERT_TRUE(QFile::copy(pointers + name, util::shared().sApDir + name)) << name;
    store("設定", {{"MOUSE_D", "1"}, {"SCALE", "横合わせ"}});
    FmMainWindow main;
    startInteractive(main, picture("a.bmp", 400, 300));
    EXPECT_EQ(main.mousePicker()->currentText(), "位置移動");
    EXPECT_EQ(main.viewPicker()->currentText(), "横合わせ");
    EXPECT_EQ(pointer(main).shape(), Qt::BitmapCursor);
    EXPECT_EQ(pointer(main).hotSpot(), QPoint(15, 15));  // the hand's palm
    EXPECT_TRUE(checked(main, "mnMouse", 1));
    EXPECT_FALSE(checked(main, "mnMouse", 0));
    EXPECT_TRUE(checked(main, "mnDisp", 2));

    // Dragging moves the picture and selects nothing.
    QWidget* viewport = main.editor()->view()->viewport();
    main.resize(500, 400);
    QTest::mousePress(viewport, Qt::LeftButton, {}, QPoint(50, 50));
    QTest::mouseMove(viewport, QPoint(120, 110));
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, QPoint(120, 110));
    EXPECT_TRUE(main.editor()->GetObject()->selection().empty());

    chooseFromMenu(main, 5, "mnMouse", 2);  // 拡大縮小: actual size, the magnifier
    EXPECT_EQ(main.mousePicker()->currentText(), "拡大縮小");
    EXPECT_EQ(main.viewPicker()->currentText(), "実寸");
    EXPECT_EQ(pointer(main).hotSpot(), QPoint(12, 12));  // the lens
    EXPECT_TRUE(checked(main, "mnMouse", 2));
    EXPECT_FALSE(checked(main, "mnMouse", 1));

    main.mousePicker()->setCurrentIndex(0);
    EXPECT_EQ(pointer(main).shape(), Qt::CrossCursor);
    EXPECT_TRUE(msg_->messageTexts().isEmpty()) << msg_->messageTexts().join('|').toStdString();
    main.close();
    EXPECT_EQ(stored("設定", "MOUSE_D"), "0");
}

TEST_F(StoredSettingsTest, SettingsMenusAreOneChoiceEachAndCommandsCarryNoCheckBox) {
    FmMainWindow main;
    startInteractive(main, picture("a.bmp"));
    EXPECT_TRUE(checked(main, "mnUdt", 0));
    chooseFromMenu(main, 5, "mnUdt", 0);  // choosing the current one keeps its mark
    EXPECT_TRUE(checked(main, "mnUdt", 0));
    chooseFromMenu(main, 5, "mnUdt", 2);
    EXPECT_FALSE(checked(main, "mnUdt", 0));
    EXPECT_TRUE(checked(main, "mnUdt", 2));
    EXPECT_TRUE(checked(main, "mnDel", 0));  // the groups of one menu stay apart
    EXPECT_TRUE(checked(main, "mnLstS", 0));

    // Commands that arrive without the menu (macros, scripts) show when it opens next.
    main.commandHook("削除前", "確認無");
    main.commandHook("表示", "ｽﾄﾚｯﾁ");
    main.commandHook("ﾏｳｽﾄﾞﾗｯｸﾞ", "位置移動");
    QTimer::singleShot(0, &main, [&main] { main.menus()->topMenu(5)->close(); });
    main.commandBarClick(5);
    EXPECT_TRUE(checked(main, "mnDel", 1) && !checked(main, "mnDel", 0));
    EXPECT_TRUE(checked(main, "mnDisp", 4) && !checked(main, "mnDisp", 0));
    EXPECT_TRUE(checked(main, "mnMouse", 1) && !checked(main, "mnMouse", 0));

    for (int index : {5, 7, 8, 9, 11})
        EXPECT_FALSE(main.menus()->item("mnTree", index)->isCheckable()) << index;

    // A label the pointer left while its menu was open is no longer lit.
    QCursor::setPos(main.mapToGlobal(QPoint(main.width() / 2, main.height() - 5)));
    for (int index : {1, 2}) main.commandLabel(index)->setAttribute(Qt::WA_UnderMouse);
    QTimer::singleShot(0, &main, [&main] { main.menus()->topMenu(1)->close(); });
    main.commandBarClick(1);
    EXPECT_FALSE(main.commandLabel(1)->underMouse());
    EXPECT_FALSE(main.commandLabel(2)->underMouse());
}

TEST_F(StoredSettingsTest, ThePanWindowItemOnlyServesAtActualSize) {
    FmMainWindow main;
    startInteractive(main, picture("a.bmp", 400, 300));
    QAction* pan = main.menus()->item("mnEdt", 25);
    main.menus()->applyState(main.GtMnState());
    EXPECT_FALSE(pan->isEnabled());  // fitted: the whole picture shows

    main.commandHook("表示", "実寸");
    main.menus()->applyState(main.GtMnState());
    EXPECT_TRUE(pan->isEnabled());
    EXPECT_FALSE(pan->isChecked());
    main.commandHook("ﾊﾟﾝｳｨﾝﾄﾞｳ", "表示");
    main.menus()->applyState(main.GtMnState());
    EXPECT_TRUE(pan->isChecked());

    main.commandHook("表示", "ｽｹｰﾙ");  // fitting hides the pan window
    main.menus()->applyState(main.GtMnState());
    EXPECT_FALSE(pan->isEnabled());
    EXPECT_FALSE(pan->isChecked());
}

TEST_F(StoredSettingsTest, WindowGeometryComesBackAsStored) {
    auto& v = util::shared();
    v.nWaLeft = 0, v.nWaTop = 0, v.nWaWidth = 30000, v.nWaHeight = 20000;
    store("画面", {{"LEFT", "1500"}, {"TOP", "900"}, {"WIDTH", "18000"}, {"HEIGHT", "12000"}});
    for (int run = 0; run < 2; ++run) {
        if (!settings::yIni()) settings::setYIni(std::make_unique<settings::YIni>(v.sUsrDir));
        FmMainWindow main;
        startInteractive(main, QString());
        main.close();
        EXPECT_EQ(stored("画面", "LEFT"), "1500") << run;
        EXPECT_EQ(stored("画面", "TOP"), "900") << run;
        EXPECT_EQ(stored("画面", "WIDTH"), "18000") << run;
        EXPECT_EQ(stored("画面", "HEIGHT"), "12000") << run;
    }
}
