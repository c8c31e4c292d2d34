// Runs build*/bin/ximora itself in automation mode with a private, empty home, as a calling
// program would, and checks what it leaves in the launch file and the user data folder.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QtEndian>
#include <cstring>

#include <unistd.h>

#include "app/launch_record_bytes.h"
#include "app/program_runner.h"
#include "platform/cp932.h"

using namespace launch_bytes;
using ximora::testing::placeProgram;
using ximora::testing::privateProgram;
using ximora::testing::ProgramRun;
using ximora::testing::Result;

TEST_F(ProgramRun, FileJobRewritesOnlyTheOkFlagAndLeavesCp932Settings) {
    const QString image = home() + "/画像.bmp";
    QImage picture(8, 4, QImage::Format_RGB32);
    picture.fill(Qt::darkCyan);
    ASSERT_TRUE(picture.save(image, "BMP"));
    const QString launch = home() + "/PC_FL.PDAT";
    const QByteArray original = field(image, 255) + single(7200) + single(4800) + i16(-1) +
                                i16(-1) + i32(300) + i16(0) + "caller's tail";
    writeAll(launch, original);

    const Result r = run({launch}, {"取込⇒選択"});
    ASSERT_EQ(r.exitCode, 0) << r.errors.toStdString();
    QByteArray expected = original;
    expected.replace(271, 2, i16(-1));
    EXPECT_EQ(readAll(launch), expected);
    EXPECT_FALSE(r.errors.contains("ximora: message:")) << r.errors.toStdString();

    for (const char* sub : {"Thumb", "Wrk", "Temp"}) EXPECT_TRUE(QDir(userData() + sub).exists());
    const QByteArray xml = readAll(userData() + "User.xml");
    const auto text = ximora::platform::fromCp932(xml);
    ASSERT_TRUE(text) << "User.xml is not CP932";
    EXPECT_TRUE(text->startsWith("<?xml version='1.0' encoding='Shift-JIS' ?>\r\n<運用>\r\n"));
    EXPECT_TRUE(text->endsWith("</運用>\r\n"));
    EXPECT_EQ(xml.count('\n'), xml.count("\r\n"));
    EXPECT_TRUE(text->contains("   <設定>\r\n"));
    EXPECT_EQ(readAll(QFileInfo(privateProgram()).absolutePath() + "/UserData.ini"),
              "%applicaion data%");
    EXPECT_TRUE(QFile::exists(home() + "/.config/QuorvelTools.ini"));
}

TEST_F(ProgramRun, LowerCaseFileJobNotTakenClearsTheOkFlag) {
    const QString launch = home() + "/pc_fl.pdat";
    const QByteArray original = field(home() + "/none.bmp", 255) + single(0) + single(120) +
                                i16(0) + i16(0) + i32(0) + i16(-1);
    writeAll(launch, original);
    const Result r = run({launch}, {"画像編集⇒ﾄﾘﾐﾝｸﾞ", "取込⇒非選択"});
    ASSERT_EQ(r.exitCode, 0) << r.errors.toStdString();
    QByteArray expected = original;
    expected.replace(271, 2, i16(0));
    EXPECT_EQ(readAll(launch), expected);
}

TEST_F(ProgramRun, ClipboardJobEndsWithTheFlagAsItStandsWhenTheScriptRunsOut) {
    const QString launch = home() + "/PC_CP.pdat";
    writeAll(launch, single(72) + single(72) + i16(0) + i16(-1));
    const Result r = run({launch}, {});
    ASSERT_EQ(r.exitCode, 0) << r.errors.toStdString();
    EXPECT_EQ(readAll(launch), single(72) + single(72) + i16(0) + i16(0));
}

TEST_F(ProgramRun, FolderJobCreatesTheFolderAndClearsTheOutFields) {
    const QString folder = home() + "/結果";
    const QString launch = home() + "/PC_HT.PDAT";
    const QByteArray original = field(folder, 255) + field("PIC*", 10) + field("stale", 255) +
                                single(1440) + single(1440) + i16(-1) + i16(-1);
    writeAll(launch, original);
    const Result r = run({launch}, {"ﾌｧｲﾙ⇒終了(&X)"});
    ASSERT_EQ(r.exitCode, 0) << r.errors.toStdString();
    EXPECT_TRUE(QDir(folder).exists());
    EXPECT_EQ(readAll(launch), field(folder, 255) + field("PIC*", 10) + QByteArray(255, ' ') +
                                   single(1440) + single(1440) + i16(0) + i16(0));
}

TEST_F(ProgramRun, BrokenLaunchFilesAreReportedAndLeftUntouched) {
    const QString launch = home() + "/PC_FL.PDAT";
    QByteArray badText(273, '\0');
    badText.replace(0, 4, "/\x82\xff/");
    const QByteArray cases[] = {QByteArray(), QByteArray(272, ' '), badText};
    for (const QByteArray& bytes : cases) {
        writeAll(launch, bytes);
        const Result r = run({launch}, {"取込⇒選択"});
        EXPECT_EQ(r.exitCode, 1) << bytes.size();
        EXPECT_TRUE(r.errors.contains("ximora: message: 起動ﾌｧｲﾙ " + launch))
            << r.errors.toStdString();
        EXPECT_EQ(readAll(launch), bytes);
    }
}

TEST_F(ProgramRun, OtherPathsStartAnInteractiveRunThatClosesAtTheEnd) {
    const QString notLaunch = home() + "/PC_FL.PDAT.bak";
    writeAll(notLaunch, QByteArray(273, ' '));
    Result r = run({notLaunch}, {});
    ASSERT_EQ(r.exitCode, 0) << r.errors.toStdString();
    EXPECT_EQ(readAll(notLaunch), QByteArray(273, ' '));

    QDir().mkpath(home() + "/pics");
    r = run({home() + "/pics"}, {"ﾌｧｲﾙ⇒終了"});
    ASSERT_EQ(r.exitCode, 0) << r.errors.toStdString();
    const auto text = ximora::platform::fromCp932(readAll(userData() + "User.xml"));
    ASSERT_TRUE(text);
    EXPECT_TRUE(text->contains("<PATH>" + home() + "/pics</PATH>")) << text->toStdString();

    // A bare name starts in the current folder (the home here).
    r = run({"missing.jpg"}, {});
    ASSERT_EQ(r.exitCode, 0) << r.errors.toStdString();
    EXPECT_TRUE(ximora::platform::fromCp932(readAll(userData() + "User.xml"))
                    ->contains("<PATH>" + home() + "</PATH>"));
}

TEST_F(ProgramRun, UnreadableSettingsAndUnwritableUserDataAreReported) {
    QDir().mkpath(userData());
    const QByteArray notCp932 = "\xef\xbb\xbf<\xe9\x81\x8b\xe7\x94\xa8>\r\n\xff";
    writeAll(userData() + "User.xml", notCp932);
    Result r = run({}, {"ﾌｧｲﾙ⇒終了"});
    ASSERT_EQ(r.exitCode, 0) << r.errors.toStdString();
    EXPECT_EQ(r.errors.count("ximora: message: <運用> の設定が読み込めません"), 1)
        << r.errors.toStdString();
    // The file as it was lives on beside the new one, under a dated name.
    const QStringList copies = QDir(userData()).entryList({"User.*.xml"});
    ASSERT_EQ(copies.size(), 1);
    EXPECT_EQ(readAll(userData() + copies[0]), notCp932);
    EXPECT_TRUE(r.errors.contains("元のﾌｧｲﾙは " + userData() + copies[0] + " に残しました"));
    EXPECT_TRUE(ximora::platform::fromCp932(readAll(userData() + "User.xml")));

    writeAll(home() + "/blocker", "x");
    const QString launch = home() + "/PC_CP.PDAT";
    writeAll(launch, single(0) + single(0) + i16(0) + i16(-1));
    r = run({launch}, {}, home() + "/blocker/data");
    ASSERT_EQ(r.exitCode, 0) << r.errors.toStdString();
    EXPECT_TRUE(r.errors.contains("に書き込めません")) << r.errors.toStdString();
    EXPECT_EQ(readAll(launch), single(0) + single(0) + i16(0) + i16(0));
}

TEST_F(ProgramRun, DvSuffixSharesTheNameUserFolderAndRegistration) {
    const QString dv = placeProgram(home() + "/prog", "ximora_DV");
    ASSERT_TRUE(QFile::exists(dv));
    const QString launch = home() + "/PC_CP.PDAT";
    writeAll(launch, single(0) + single(0) + i16(0) + i16(0));
    const Result r = run({launch}, {"取込⇒選択"}, {}, dv);
    ASSERT_EQ(r.exitCode, 0) << r.errors.toStdString();
    EXPECT_TRUE(QFile::exists(userData() + "User.xml"));
    EXPECT_EQ(readAll(home() + "/prog/UserData.ini"), "%applicaion data%");
    QSettings registry(home() + "/.config/QuorvelTools.ini", QSettings::IniFormat);
    EXPECT_EQ(registry.value("Path/ximora").toString(), home() + "/prog/ximora");
    // Nothing on the clipboard: taking the picture gives no result.
    EXPECT_EQ(readAll(launch), single(0) + single(0) + i16(0) + i16(0));
}

TEST_F(ProgramRun, MenuPairsEditSaveRecordAndReplayAMacro) {
    const QString image = home() + "/pics/a b.bmp";
    QDir().mkpath(home() + "/pics");
    QImage picture(8, 4, QImage::Format_RGB32);
    picture.fill(Qt::darkCyan);
    ASSERT_TRUE(picture.save(image, "BMP"));
    const Result r =
        run({image}, {"回転⇒右90度", "ﾌｧｲﾙ⇒上書き保存(&S)", "ﾏｸﾛ⇒開始", "回転⇒右90度", "ﾏｸﾛ⇒終了",
                      "ﾌｧｲﾙ⇒上書き保存", "ﾏｸﾛ⇒新規マクロ", "ﾌｧｲﾙ⇒上書き保存", "ﾌｧｲﾙ⇒終了"});
    ASSERT_EQ(r.exitCode, 0) << r.errors.toStdString();
    // Turned three times: twice by hand, once by the macro.
    EXPECT_EQ(QImage(image).size(), QSize(4, 8));
    const auto text = ximora::platform::fromCp932(readAll(userData() + "User.xml"));
    ASSERT_TRUE(text);
    EXPECT_TRUE(text->contains("<COMMAND>[新規マクロ]~回転⇒右90度</COMMAND>"))
        << text->toStdString();
}
