// The real program, run as a user or a calling program would, with faults injected: nothing the
// user owns is lost or damaged, whatever goes wrong.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <utime.h>

#include <QDir>
#include <QFileInfo>
#include <QImage>

#include "app/launch_record_bytes.h"
#include "app/program_runner.h"
#include "platform/cp932.h"
#include "support/child_process.h"

namespace {
using namespace launch_bytes;
using ximora::testing::ProgramRun;
using ximora::testing::Result;

QByteArray cp932(const QString& text) { return *ximora::platform::toCp932(text); }

// Settings as a user has them after a while: a macro and the last folder.
QByteArray settingsWith(const QString& folder) {
    return cp932(
        "<?xml version='1.0' encoding='Shift-JIS' ?>\r\n<運用>\r\n   <設定>\r\n"
        "      <PATH>" +
        folder +
        "</PATH>\r\n   </設定>\r\n   <マクロ>\r\n"
        "      <COMMAND>[回転]~回転⇒右90度~明度⇒明るく</COMMAND>\r\n"
        "   </マクロ>\r\n</運用>\r\n");
}

void savePicture(const QString& path, int w, int h, Qt::GlobalColor colour) {
    QImage picture(w, h, QImage::Format_RGB32);
    picture.fill(colour);
    ASSERT_TRUE(picture.save(path, "BMP"));
}

// No file of the program may grow past `bytes`: a disk that fills up while the program ends.
// The limit's signal keeps its default action, which ends a process: the program itself must
// turn the limit into a failed write.
std::function<void()> diskFullPast(rlim_t bytes) {
    return [bytes] {
        const rlimit limit{bytes, bytes};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    };
}

class ProgramSafety : public ProgramRun {
  protected:
    void SetUp() override { QDir().mkpath(userData()); }
    QString xml() const { return userData() + "User.xml"; }
};

TEST_F(ProgramSafety, AFullDiskAtTheEndLeavesTheSettingsByteForByteAndSaysSo) {
    const QByteArray settings = settingsWith(home());
    writeAll(xml(), settings);
    const Result r = run({}, {"表示⇒実寸"}, {}, {}, diskFullPast(200));
    EXPECT_EQ(r.exitCode, 0) << r.errors.toStdString();
    EXPECT_TRUE(r.errors.contains("ximora: message: ﾕｰｻﾞｰ環境ﾌｧｲﾙ(" + xml() + ") を保存できません"))
        << r.errors.toStdString();
    EXPECT_TRUE(r.errors.contains("ﾌｧｲﾙｻｲｽﾞの上限を超えています")) << r.errors.toStdString();
    EXPECT_EQ(readAll(xml()), settings);
    EXPECT_EQ(QDir(userData()).entryList(QDir::Files | QDir::Hidden), QStringList{"User.xml"});
}

TEST_F(ProgramSafety, AFullDiskLeavesTheLaunchFileByteForByteAndSaysSo) {
    const QString image = home() + "/a.bmp";
    savePicture(image, 4, 4, Qt::red);
    const QString launch = home() + "/PC_FL.PDAT";
    const QByteArray record =
        field(image, 255) + single(0) + single(0) + i16(0) + i16(-1) + i32(0) + i16(0);
    writeAll(launch, record);
    const Result r = run({launch}, {"取込⇒選択"}, {}, {}, diskFullPast(200));
    EXPECT_EQ(r.exitCode, 1) << r.errors.toStdString();
    EXPECT_TRUE(
        r.errors.contains("ximora: message: 起動ﾌｧｲﾙ " + launch + " に結果を書き込めません"))
        << r.errors.toStdString();
    EXPECT_EQ(readAll(launch), record);
    EXPECT_EQ(QDir(home()).entryList({"*.PDAT", ".*.part"}, QDir::Files | QDir::Hidden),
              QStringList{"PC_FL.PDAT"});
}

// A disk with room for the picture but not for another copy of the record: the record is
// answered in place, since the picture was written.
TEST_F(ProgramSafety, ALaunchRecordIsAnsweredInPlaceWhenTheDiskIsFull) {
    const QString image = home() + "/a.bmp";
    savePicture(image, 4, 4, Qt::red);
    const QString launch = home() + "/PC_FL.PDAT";
    const QByteArray record =
        field(image, 255) + single(0) + single(0) + i16(0) + i16(-1) + i32(0) + i16(0);
    writeAll(launch, record);
    // No file may grow past 274 bytes: the 277-byte record cannot be written anew, but its
    // answer at byte 271 fits in place.
    const Result r = run({launch}, {"回転⇒右90度", "取込⇒選択"}, {}, {}, diskFullPast(274));
    EXPECT_EQ(r.exitCode, 0) << r.errors.toStdString();
    EXPECT_EQ(QImage(image).size(), QSize(4, 4));
    QByteArray answered = record;
    answered.replace(271, 2, i16(-1));
    EXPECT_EQ(readAll(launch), answered);
}

// What a killed write left in the user data folder where unnamed files are not to be had goes
// at the next start; nothing else there does.
TEST_F(ProgramSafety, LeftoverTemporariesGoAtTheNextStart) {
    QDir().mkpath(userData() + "Thumb");
    writeAll(userData() + ".User.xml.ximora-0a1b2c3d.tmp", "half");
    writeAll(userData() + "Thumb/.~a~100.Dat.ximora-9z8y7x6w.tmp", "half");
    writeAll(userData() + ".User.xml.part", "someone else's");
    const Result r = run({}, {});
    EXPECT_EQ(r.exitCode, 0) << r.errors.toStdString();
    EXPECT_FALSE(QFile::exists(userData() + ".User.xml.ximora-0a1b2c3d.tmp"));
    EXPECT_FALSE(QFile::exists(userData() + "Thumb/.~a~100.Dat.ximora-9z8y7x6w.tmp"));
    EXPECT_TRUE(QFile::exists(userData() + ".User.xml.part"));
}

TEST_F(ProgramSafety, SettingsThatBeginWithAnEmptyLineKeepTheirMacros) {
    writeAll(xml(), "\r\n" + settingsWith(home()));
    const Result r = run({}, {});
    ASSERT_EQ(r.exitCode, 0) << r.errors.toStdString();
    const auto text = ximora::platform::fromCp932(readAll(xml()));
    ASSERT_TRUE(text);
    EXPECT_TRUE(text->contains("<COMMAND>[回転]~回転⇒右90度~明度⇒明るく</COMMAND>"))
        << text->toStdString();
    EXPECT_FALSE(r.errors.contains("ximora: message:")) << r.errors.toStdString();
}

TEST_F(ProgramSafety, AnEditedUntitledPictureIsKeptAndTheRunEnds) {
    // It was not saved where it belongs: the status says so.
    const Result r = run({}, {"ﾌｧｲﾙ⇒新規作成", "回転⇒右90度"});
    ASSERT_EQ(r.exitCode, 1) << r.errors.toStdString();
    const QString copy = userData() + "Temp/00000.bmp";
    EXPECT_TRUE(QFileInfo::exists(copy));
    EXPECT_TRUE(r.errors.contains("ximora: message: 未保存の画像を " + copy + " に保存しました"))
        << r.errors.toStdString();
}

// Whatever the close question could do with an edited picture (its format is only read, its
// save fails, the answer is Cancel), an automated run ends when its lines are used up: the
// picture goes to the rescue copy and the status says it was not saved where it belongs.
TEST_F(ProgramSafety, AutomationEndsWhateverTheCloseQuestionCouldDo) {
    const QString heic = home() + "/phone.heic";
    ASSERT_TRUE(QFile::copy(XIMORA_TEST_DATA "/modern-formats/photo-q90.heic", heic));
    QFile::setPermissions(heic, QFile::ReadOwner | QFile::WriteOwner);
    const QByteArray photo = readAll(heic);
    Result r = run({heic}, {"回転⇒右90度"});
    EXPECT_EQ(r.exitCode, 1) << r.errors.toStdString();
    EXPECT_EQ(readAll(heic), photo);
    EXPECT_TRUE(r.errors.contains("ximora: message: この形式(HEIC)では保存できません"))
        << r.errors.toStdString();
    EXPECT_TRUE(r.errors.contains("ximora: message: 未保存の画像を " + userData() +
                                  "Temp/00000.bmp に保存しました"))
        << r.errors.toStdString();

    // A save that fails: the file stays, and so does the rescue copy's failure to be made.
    const QString bmp = home() + "/big.bmp";
    savePicture(bmp, 200, 200, Qt::green);
    const QByteArray picture = readAll(bmp);
    r = run({bmp}, {"回転⇒右90度"}, {}, {}, diskFullPast(4096));
    EXPECT_EQ(r.exitCode, 1) << r.errors.toStdString();
    EXPECT_EQ(readAll(bmp), picture);
    EXPECT_TRUE(r.errors.contains("ﾌｧｲﾙｻｲｽﾞの上限を超えています")) << r.errors.toStdString();
    EXPECT_TRUE(r.errors.contains("ximora: message: 未保存の画像を保存できませんでした"))
        << r.errors.toStdString();

    // "初期化" after an edit leaves nothing edited behind: nothing is asked or kept.
    r = run({bmp}, {"回転⇒右90度", "ﾌｧｲﾙ⇒初期化"});
    EXPECT_EQ(r.exitCode, 0) << r.errors.toStdString();
    EXPECT_FALSE(r.errors.contains("ximora: message:")) << r.errors.toStdString();
    EXPECT_EQ(readAll(bmp), picture);
}

TEST_F(ProgramSafety, AFileJobEditsTheFileItNamesNeverANamesake) {
    // The last run ended in a folder that holds a picture of the same name.
    const QString last = home() + "/last";
    const QString caller = home() + "/caller";
    QDir().mkpath(last);
    QDir().mkpath(caller);
    savePicture(last + "/a.bmp", 10, 6, Qt::red);
    savePicture(caller + "/a.bmp", 8, 4, Qt::blue);
    writeAll(xml(), settingsWith(last));
    const QByteArray namesake = readAll(last + "/a.bmp");
    const QString launch = home() + "/PC_FL.PDAT";
    writeAll(launch, field(caller + "/a.bmp", 255) + single(0) + single(0) + i16(0) + i16(-1) +
                         i32(0) + i16(0));
    const Result r = run({launch}, {"回転⇒右90度", "取込⇒選択"});
    ASSERT_EQ(r.exitCode, 0) << r.errors.toStdString();
    EXPECT_EQ(readAll(last + "/a.bmp"), namesake);
    const QImage result(caller + "/a.bmp");
    EXPECT_EQ(result.size(), QSize(4, 8));  // the caller's picture, turned
    EXPECT_EQ(result.pixelColor(1, 1), QColor(Qt::blue));
    EXPECT_EQ(readAll(launch).mid(271, 2), i16(-1));
}

TEST_F(ProgramSafety, RecordsWhoseJobCannotRunGetAMessageAndAFalseResult) {
    QDir().mkpath(home() + "/folder");
    const QString launch = home() + "/PC_FL.PDAT";
    for (const QString& path : {home() + "/nowhere/a.bmp", home() + "/folder", QString()}) {
        const QByteArray record =
            field(path, 255) + single(0) + single(0) + i16(0) + i16(-1) + i32(0) + i16(-1);
        writeAll(launch, record);
        const Result r = run({launch}, {"取込⇒選択"});
        EXPECT_EQ(r.exitCode, 1) << path.toStdString();
        EXPECT_TRUE(r.errors.contains("ximora: message: 起動ﾌｧｲﾙ " + launch))
            << r.errors.toStdString();
        QByteArray expected = record;
        expected.replace(271, 2, i16(0));
        EXPECT_EQ(readAll(launch), expected) << path.toStdString();
    }
    const QString folderJob = home() + "/PC_HT.PDAT";
    const QByteArray record = field(home() + "/missing/out", 255) + field("PIC", 10) +
                              field("", 255) + single(0) + single(0) + i16(0) + i16(-1);
    writeAll(folderJob, record);
    const Result r = run({folderJob}, {});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.errors.contains("を作成できません")) << r.errors.toStdString();
    EXPECT_EQ(readAll(folderJob).mid(530, 2), i16(0));
    EXPECT_FALSE(QDir(home() + "/missing").exists());
}

TEST_F(ProgramSafety, UndoFoldersOfAKilledRunGoAtTheNextStartButNotThoseOfARunningOne) {
    const QString work = userData() + "Wrk/";
    for (const char* name : {"Undo-killed", "Undo-running", "Undo-oldstyle"}) {
        QDir().mkpath(work + name);
        writeAll(work + name + "/$$Undo001.bmp", "snapshot");
    }
    writeAll(work + "Undo-killed/owner.lock", "");
    writeAll(work + "Undo-running/owner.lock", "");
    // A folder without a lock, as a program that never made one left it, an hour ago.
    const QByteArray old = QFile::encodeName(work + "Undo-oldstyle");
    const utimbuf anHourAgo{::time(nullptr) - 3600, ::time(nullptr) - 3600};
    ::utime(old.constData(), &anHourAgo);
    // This test holds the running editor's lock.
    const int held =
        ::open(QFile::encodeName(work + "Undo-running/owner.lock").constData(), O_RDWR);
    ASSERT_GE(held, 0);
    ASSERT_EQ(::flock(held, LOCK_EX | LOCK_NB), 0);

    const Result r = run({}, {});
    ::close(held);
    ASSERT_EQ(r.exitCode, 0) << r.errors.toStdString();
    EXPECT_FALSE(QDir(work + "Undo-killed").exists());
    EXPECT_FALSE(QDir(work + "Undo-oldstyle").exists());
    EXPECT_TRUE(QFileInfo::exists(work + "Undo-running/$$Undo001.bmp"));
}

}  // namespace
