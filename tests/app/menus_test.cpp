#include <gtest/gtest.h>

#include <QAction>
#include <QDir>
#include <QMenu>
#include <QTemporaryDir>

#include "app/menus/macro_list.h"
#include "app/menus/pp_pic.h"
#include "app/menus/registered_folders.h"
#include "util/shared_values.h"

using namespace ximora;
using app::PpPic;

namespace {
QStringList captions(QMenu* menu) {
    QStringList texts;
    for (QAction* a : menu->actions()) texts << (a->isSeparator() ? "-" : a->text());
    return texts;
}

std::pair<QString, QString> pairOf(PpPic& pp, const char* array, int index) {
    pp.choose(pp.item(QString::fromUtf8(array), index));
    return {pp.sGrp(), pp.sCap()};
}
}  // namespace

TEST(PpPic, TopMenusCarryTheirCaptionsInOrder) {
    PpPic pp;
    EXPECT_EQ(pp.topMenu(1)->title(), "ﾌｧｲﾙ");
    EXPECT_EQ(captions(pp.topMenu(1)), (QStringList{"新規作成(&N)",
                                                    "ﾌｧｲﾙを開く(&O)",
                                                    "ｽｷｬﾅｰから読込",
                                                    "-",
                                                    "上書き保存(&S)",
                                                    "名前を付けて保存(&A)",
                                                    "別名保存(詳細指定)",
                                                    "-",
                                                    "ｻﾌﾞﾌｫｰﾑを開く",
                                                    "複写して新規",
                                                    "-",
                                                    "作業ﾌｫﾙﾀﾞ",
                                                    "格納",
                                                    "-",
                                                    "印刷設定(&U)",
                                                    "印刷(&P)",
                                                    "-",
                                                    "画像を添付してﾒｰﾙ",
                                                    "ﾌｧｲﾙの詳細",
                                                    "-",
                                                    "ﾌｧｲﾙを削除",
                                                    "-",
                                                    "終了(&X)"}));
    EXPECT_EQ(captions(pp.item("mnEdt", 13)->menu()).first(), "白黒");
    EXPECT_EQ(captions(pp.topMenu(12)), (QStringList{"切り取り", "ｺﾋﾟｰ", "貼り付け", "-", "削除"}));
    EXPECT_EQ(pp.item("mnZoom", 0)->text(), " 50%");
}

TEST(PpPic, ItemsRecordTheirPairs) {
    PpPic pp;
    using P = std::pair<QString, QString>;
    EXPECT_EQ(pairOf(pp, "mnFile", 4), (P{"ﾌｧｲﾙ", "上書き保存"}));
    EXPECT_EQ(pairOf(pp, "mnKkn", 4), (P{"格納", "画像格納の指定"}));
    EXPECT_EQ(pairOf(pp, "mnRetB", 2), (P{"取込", "選択256"}));
    EXPECT_EQ(pairOf(pp, "mnTree", 2), (P{"ﾂﾘｰ", "非表示"}));
    EXPECT_EQ(pairOf(pp, "mnMeido", 1), (P{"明度", "やや明るく"}));
    EXPECT_EQ(pairOf(pp, "mnEmph", 1), (P{"範囲", "ﾏｰｶｰ"}));
    EXPECT_EQ(pairOf(pp, "mnApr", 4), (P{"APR", "4"}));
    EXPECT_EQ(pairOf(pp, "mnUdt", 2), (P{"編集更新", "自動更新"}));
    EXPECT_EQ(pairOf(pp, "mnTmbFd", 1), (P{"ｻﾑﾈｲﾙ", "専用"}));
    EXPECT_EQ(pairOf(pp, "mnUsr", 8), (P{"ﾌｧｲﾙ", "SendTo"}));
    EXPECT_EQ(pairOf(pp, "mnMcrS", 3), (P{"ﾏｸﾛ", "修正"}));
    // Submenu openers give nothing; the pan window item toggles its mark.
    EXPECT_EQ(pairOf(pp, "mnHosei", 6), (P{"", ""}));
    QAction* pan = pp.item("mnEdt", 25);
    pan->trigger();
    EXPECT_EQ((P{pp.sGrp(), pp.sCap()}), (P{"ﾊﾟﾝｳｨﾝﾄﾞｳ", "表示"}));
    pan->trigger();
    EXPECT_EQ((P{pp.sGrp(), pp.sCap()}), (P{"ﾊﾟﾝｳｨﾝﾄﾞｳ", "非表示"}));
}

TEST(PpPic, CheckMarksAndMenuStates) {
    PpPic pp;
    pp.SetParam(2, false, true, "縦合わせ", 1, true);
    EXPECT_TRUE(pp.item("mnUdt", 2)->isChecked());
    EXPECT_FALSE(pp.item("mnUdt", 0)->isChecked());
    EXPECT_TRUE(pp.item("mnDel", 1)->isChecked());
    EXPECT_TRUE(pp.item("mnLstS", 0)->isChecked());
    EXPECT_TRUE(pp.item("mnDisp", 3)->isChecked());
    EXPECT_TRUE(pp.item("mnMouse", 1)->isChecked());
    EXPECT_TRUE(pp.item("mnTmbFd", 0)->isChecked());

    app::MenuState state;
    state.image = true;
    state.colourCode = 40;
    state.browserState = 1;
    pp.applyState(state);
    EXPECT_FALSE(pp.item("mnFile", 4)->isEnabled());  // not changed
    EXPECT_TRUE(pp.item("mnFile", 5)->isEnabled());
    EXPECT_FALSE(pp.item("mnEdt", 8)->isEnabled());  // no range
    EXPECT_TRUE(pp.item("mnColor", 2)->isChecked());
    EXPECT_TRUE(pp.item("mnTree", 1)->isChecked());
    pp.prEdtMode("初期");
    EXPECT_FALSE(pp.topMenu(3)->menuAction()->isEnabled());
}

TEST(PpPic, MacroMenuFromTitlesFirstDuplicateWins) {
    PpPic pp;
    const QString list = "[A]\r\nx⇒y\r\n\r\n[B]\r\np⇒q\r\n\r\n[A]\r\nz⇒w";
    pp.MacroMenu(list);
    EXPECT_EQ(pp.item("mnMcR", 0)->text(), "A");
    EXPECT_EQ(pp.item("mnMcR", 1)->text(), "B");
    EXPECT_TRUE(pp.item("mnMcR", 2)->isVisible());
    pp.choose(pp.item("mnMcR", 2));
    EXPECT_EQ(pp.sGrp(), "ｺﾏﾝﾄﾞ");
    EXPECT_EQ(pp.sCap(), "x⇒y");
    pp.choose(pp.item("mnMcR", 1));
    EXPECT_EQ(pp.sCap(), "p⇒q");
    pp.MacroMenu("[only]\r\na⇒b");
    EXPECT_FALSE(pp.item("mnMcR", 1)->isVisible());
}

TEST(MacroList, RecordingIsAppendedWithBlankLineRules) {
    QString buffer;
    app::macros::record(buffer, "回転", "右90度");
    app::macros::record(buffer, "色数", "白黒");
    const QString tail = "[新規マクロ]\r\n回転⇒右90度\r\n色数⇒白黒";
    EXPECT_EQ(app::macros::appendRecording("", buffer), tail);
    EXPECT_EQ(app::macros::appendRecording("[A]\r\nx⇒y", buffer), "[A]\r\nx⇒y\r\n\r\n" + tail);
    EXPECT_EQ(app::macros::appendRecording("[A]\r\nx⇒y\r\n", buffer), "[A]\r\nx⇒y\r\n\r\n" + tail);
    EXPECT_EQ(app::macros::appendRecording("[A]\r\n\r\n", buffer), "[A]\r\n\r\n" + tail);
    EXPECT_EQ(app::macros::toStored(tail), "[新規マクロ]~回転⇒右90度~色数⇒白黒");
    EXPECT_EQ(app::macros::fromStored(app::macros::toStored(tail)), tail);
    // A "~" of a job survives storing, and lists stored before keep reading as they did.
    const QString tilde = "[A]\r\nﾌｫﾙﾀﾞ指定⇒/p/a~b\r\nﾌｧｲﾙ⇒名前~\r\n\r\n[B]\r\n~x⇒y";
    EXPECT_EQ(app::macros::fromStored(app::macros::toStored(tilde)), tilde);
    EXPECT_EQ(app::macros::fromStored("[A]~a⇒b~~[B]~c⇒d~"), "[A]\r\na⇒b\r\n\r\n[B]\r\nc⇒d\r\n");
    // Only the first arrow splits; lines without one are skipped.
    const auto commands = app::macros::commands("[t]\r\na⇒b⇒c\r\n\r\nd⇒e");
    ASSERT_EQ(commands.size(), 2);
    EXPECT_EQ(commands[0].second, "b⇒c");
    EXPECT_FALSE(app::macros::body("[A]\r\nx⇒y", "missing").has_value());
}

TEST(RegisteredFolders, NewestFirstExistingOnlyAtMostTen) {
    QTemporaryDir dir;
    QStringList existing;
    for (int i = 0; i < 12; ++i) {
        existing << dir.filePath(QString::number(i));
        QDir().mkpath(existing.last());
    }
    const QString list = existing.mid(0, 11).join(',') + "," + dir.filePath("gone");
    const QString result = app::folders::registerFolder(existing[11], list);
    const QStringList entries = result.split(',');
    EXPECT_EQ(entries.size(), 10);
    EXPECT_EQ(entries.first(), existing[11]);
    EXPECT_EQ(entries[1], existing[0]);
    // Registering a folder already present moves it to the front without a duplicate.
    EXPECT_EQ(app::folders::registerFolder(existing[1], existing.mid(0, 3).join(',')),
              QStringList({existing[1], existing[0], existing[2]}).join(','));
    EXPECT_EQ(app::folders::existing(list + ",").size(), 11);
}
