#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <cstdio>

#include "util/automation_messages.h"
#include "util/qt_messages.h"
#include "util/scripted_messages.h"
#include "util/shared_values.h"

using namespace ximora::util;

TEST(MessageService, DefaultAnswerFollowsTheDefaultButtonIndex) {
    EXPECT_EQ(defaultAnswer({"t", MsgButtons::Ok, MsgIcon::None, {}, 3}), MsgAnswer::Ok);
    EXPECT_EQ(defaultAnswer({"t", MsgButtons::OkCancel, MsgIcon::None, {}, 1}), MsgAnswer::Cancel);
    EXPECT_EQ(defaultAnswer({"t", MsgButtons::YesNo, MsgIcon::None, {}, 0}), MsgAnswer::Yes);
    EXPECT_EQ(defaultAnswer({"t", MsgButtons::YesNoCancel, MsgIcon::None, {}, 2}),
              MsgAnswer::Cancel);
    // Out-of-range indexes are clamped, never past the last button.
    EXPECT_EQ(defaultAnswer({"t", MsgButtons::YesNo, MsgIcon::None, {}, 9}), MsgAnswer::No);
    EXPECT_EQ(defaultAnswer({"t", MsgButtons::YesNo, MsgIcon::None, {}, -1}), MsgAnswer::Yes);
}

TEST(MessageService, InstalledServiceIsUsedAndRestored) {
    auto scripted = std::make_unique<ScriptedMessages>();
    ScriptedMessages* raw = scripted.get();
    {
        ScopedMessages guard(std::move(scripted));
        raw->answer(MsgAnswer::No);
        EXPECT_EQ(messages().message("削除しますか", MsgButtons::YesNo), MsgAnswer::No);
        EXPECT_EQ(messages().message("もう一度", MsgButtons::YesNo), MsgAnswer::Yes);
        EXPECT_EQ(raw->messageTexts(), QStringList({"削除しますか", "もう一度"}));
    }
    EXPECT_NE(dynamic_cast<ScriptedMessages*>(&messages()), raw);
}

TEST(ScriptedMessages, RecordsEveryKindAndAnswersFromQueuesThenDefaults) {
    ScriptedMessages m;
    m.answerInput(std::nullopt);
    EXPECT_EQ(m.input("名前", "題", "abc"), std::nullopt);
    EXPECT_EQ(m.input("名前", "題", "abc"), QString("abc"));
    m.answerPath("/tmp/a.bmp");
    EXPECT_EQ(m.openFile({"開く", "/tmp", "*"}), "/tmp/a.bmp");
    EXPECT_EQ(m.saveFile({"保存", "/tmp", "*"}), "");
    EXPECT_EQ(m.chooseFolder("ﾌｫﾙﾀﾞの指定", "/tmp"), "");
    QDialog dialog;
    dialog.setWindowTitle("色数");
    EXPECT_EQ(m.runModal(dialog), QDialog::Rejected);
    m.onModal([](QDialog& d) {
        d.accept();
        return int(QDialog::Accepted);
    });
    EXPECT_EQ(m.runModal(dialog), QDialog::Accepted);
    ASSERT_EQ(m.calls().size(), 7u);
    EXPECT_EQ(m.calls()[0].kind, ScriptedMessages::Kind::Input);
    EXPECT_EQ(m.calls()[2].start, "/tmp");
    EXPECT_EQ(m.calls()[5].kind, ScriptedMessages::Kind::Modal);
    EXPECT_EQ(m.calls()[5].text, "色数");
}

TEST(AutomationMessages, WritesMessagesToTheStreamAndAnswersDefaults) {
    std::FILE* out = std::tmpfile();
    ASSERT_NE(out, nullptr);
    AutomationMessages m(out);
    EXPECT_EQ(m.message({"上書きしますか", MsgButtons::YesNoCancel, MsgIcon::Question, {}, 1}),
              MsgAnswer::No);
    EXPECT_EQ(m.message("ﾌｫﾙﾀﾞ x が見つかりません\r次の行"), MsgAnswer::Ok);
    EXPECT_EQ(m.input("名前を入力", {}, "初期値"), QString("初期値"));
    EXPECT_EQ(m.openFile({}), "");
    EXPECT_EQ(m.chooseFolder({}, "/"), "");
    QDialog dialog;
    bool rejected = false;
    QObject::connect(&dialog, &QDialog::rejected, [&] { rejected = true; });
    EXPECT_EQ(m.runModal(dialog), QDialog::Rejected);
    EXPECT_TRUE(rejected);

    std::rewind(out);
    char buffer[512] = {};
    const size_t n = std::fread(buffer, 1, sizeof buffer - 1, out);
    std::fclose(out);
    EXPECT_EQ(QString::fromUtf8(buffer, static_cast<qsizetype>(n)),
              "ximora: message: 上書きしますか\n"
              "ximora: message: ﾌｫﾙﾀﾞ x が見つかりません\n次の行\n"
              "ximora: message: 名前を入力\n");
}

TEST(QtMessages, BoxesBelongToTheWindowTheUserWorksIn) {
    // The main window and a sub window of the program; the user works in the sub window.
    QWidget main, sub;
    const auto saved = shared().mainWindow;
    shared().mainWindow = &main;
    main.show();
    sub.show();
    sub.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&sub));
    QWidget* parent = nullptr;
    QTimer::singleShot(0, [&] {
        if (QWidget* box = QApplication::activeModalWidget()) {
            parent = box->parentWidget();
            box->close();
        }
    });
    QtMessages().message({QStringLiteral("x"), MsgButtons::Ok, MsgIcon::None, {}, 0});
    EXPECT_EQ(parent, &sub);
    // Nothing of the program active: the main window.
    sub.hide();
    parent = nullptr;
    QTimer::singleShot(0, [&] {
        if (QWidget* box = QApplication::activeModalWidget()) {
            parent = box->parentWidget();
            box->close();
        }
    });
    QtMessages().message({QStringLiteral("y"), MsgButtons::Ok, MsgIcon::None, {}, 0});
    EXPECT_EQ(parent, &main);
    shared().mainWindow = saved;
}
