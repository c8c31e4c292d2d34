#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>
#include <cstring>

#include "app/job_range.h"
#include "app/launch_file.h"
#include "app/launch_record_bytes.h"
#include "platform/cp932.h"
#include "support/child_process.h"

using namespace ximora::app;

using namespace launch_bytes;

TEST(LaunchFile, KindComesFromTheUpperCasedNameAndPdatExtension) {
    EXPECT_EQ(launchKindOf("/x/PC_FL.PDAT"), LaunchKind::File);
    EXPECT_EQ(launchKindOf("/x/pc_fl.pdat"), LaunchKind::File);
    EXPECT_EQ(launchKindOf("/x/Pc_Cp.PDat"), LaunchKind::Clipboard);
    EXPECT_EQ(launchKindOf("PC_HT.pdat"), LaunchKind::Folder);
    EXPECT_EQ(launchKindOf("/x/PC_FL.PDAT.bak"), LaunchKind::None);
    EXPECT_EQ(launchKindOf("/x/PC_FLX.PDAT"), LaunchKind::None);
    EXPECT_EQ(launchKindOf("/x/PC_FL"), LaunchKind::None);
    EXPECT_EQ(launchKindOf("/pc_fl.pdat/a.jpg"), LaunchKind::None);
    EXPECT_EQ(TrimFix(QString("  a b  ") + QChar(0) + "junk  "), "a b");
    EXPECT_EQ(TrimFix(QString("  ") + QChar(0) + "x"), "");
}

TEST(LaunchFile, FileRecordReadsAndRewritesOnlyItsOutFields) {
    QTemporaryDir dir;
    const QString file = dir.filePath("PC_FL.PDAT");
    const QByteArray original = field("/画像/ｻﾝﾌﾟﾙ.bmp", 255) + single(7200) + single(4800) +
                                i16(-1) + i16(0) + i32(300) + i16(0) + "TAIL";
    ASSERT_EQ(original.size(), 273 + 4);
    writeAll(file, original);
    LaunchRecord r;
    QString error;
    ASSERT_TRUE(readLaunchFile(file, LaunchKind::File, r, error));
    EXPECT_EQ(r.path, "/画像/ｻﾝﾌﾟﾙ.bmp");
    EXPECT_EQ(r.width, 7200.0f);
    EXPECT_EQ(r.height, 4800.0f);
    EXPECT_TRUE(r.twips);
    EXPECT_FALSE(r.open);
    EXPECT_EQ(r.dpi, 300);
    EXPECT_FALSE(r.ok);

    r.ok = true;
    ASSERT_TRUE(writeLaunchFile(file, r, error));
    QByteArray expected = original;
    expected.replace(271, 2, i16(-1));
    EXPECT_EQ(readAll(file), expected);

    // A path field with NUL padding keeps its bytes when the path is unchanged.
    QByteArray nulPadded = original;
    nulPadded.replace(0, 255, ximora::platform::toCp932("/a.bmp")->leftJustified(255, '\0'));
    writeAll(file, nulPadded);
    ASSERT_TRUE(readLaunchFile(file, LaunchKind::File, r, error));
    EXPECT_EQ(r.path, "/a.bmp");
    ASSERT_TRUE(writeLaunchFile(file, r, error));
    EXPECT_EQ(readAll(file), nulPadded);
}

TEST(LaunchFile, ClipboardAndFolderRecords) {
    QTemporaryDir dir;
    const QString cp = dir.filePath("PC_CP.PDAT");
    const QByteArray clip = single(72) + single(36) + i16(0) + i16(-1);
    writeAll(cp, clip);
    LaunchRecord r;
    QString error;
    ASSERT_TRUE(readLaunchFile(cp, LaunchKind::Clipboard, r, error));
    EXPECT_EQ(r.width, 72.0f);
    EXPECT_FALSE(r.twips);
    EXPECT_TRUE(r.ok);
    r.ok = false;
    ASSERT_TRUE(writeLaunchFile(cp, r, error));
    EXPECT_EQ(readAll(cp), single(72) + single(36) + i16(0) + i16(0));

    const QString ht = dir.filePath("PC_HT.PDAT");
    const QByteArray folder = field("/out", 255) + field("PIC*", 10) + field("old", 255) +
                              single(1440) + single(720) + i16(0) + i16(0);
    writeAll(ht, folder);
    ASSERT_TRUE(readLaunchFile(ht, LaunchKind::Folder, r, error));
    EXPECT_EQ(r.path, "/out");
    EXPECT_EQ(r.name, "PIC*");
    EXPECT_EQ(r.height, 720.0f);
    r.resultPath = "/out/PIC011.gif";
    r.gif = true;
    r.ok = true;
    ASSERT_TRUE(writeLaunchFile(ht, r, error));
    EXPECT_EQ(readAll(ht), field("/out", 255) + field("PIC*", 10) + field("/out/PIC011.gif", 255) +
                               single(1440) + single(720) + i16(-1) + i16(-1));

    // A result that does not fit its field fails without touching the file.
    const QByteArray before = readAll(ht);
    r.resultPath = "/" + QString(300, 'x');
    EXPECT_FALSE(writeLaunchFile(ht, r, error));
    EXPECT_TRUE(error.contains(ht));
    r.resultPath = QString::fromUtf8("/out/😀.jpg");
    EXPECT_FALSE(writeLaunchFile(ht, r, error));
    EXPECT_EQ(readAll(ht), before);

    // A file whose folder went away meanwhile cannot be rewritten: said, not pretended.
    r.resultPath = "/out/a.jpg";
    const QString gone = dir.filePath("gone/PC_HT.PDAT");
    error.clear();
    EXPECT_FALSE(writeLaunchFile(gone, r, error));
    EXPECT_TRUE(error.contains(gone));
}

TEST(LaunchFile, BadFilesAreRefusedWithTheFileNamed) {
    QTemporaryDir dir;
    const QString file = dir.filePath("PC_FL.PDAT");
    LaunchRecord r;
    QString error;
    EXPECT_FALSE(readLaunchFile(file, LaunchKind::File, r, error));  // missing
    EXPECT_TRUE(error.contains(file));
    writeAll(file, {});
    EXPECT_FALSE(readLaunchFile(file, LaunchKind::File, r, error));
    EXPECT_TRUE(error.contains("0 ﾊﾞｲﾄ"));
    writeAll(file, QByteArray(272, ' '));
    EXPECT_FALSE(readLaunchFile(file, LaunchKind::File, r, error));
    EXPECT_TRUE(error.contains("272"));
    QByteArray bad(273, '\0');
    bad.replace(0, 3, "\x81\x20\x20");
    writeAll(file, bad);
    error.clear();
    EXPECT_FALSE(readLaunchFile(file, LaunchKind::File, r, error));
    EXPECT_TRUE(error.contains("CP932"));
}

TEST(LaunchFile, ARecordInAFolderThatRefusesNewFilesIsAnsweredInPlace) {
    QTemporaryDir dir;
    const QString folder = dir.filePath("caller");
    QDir().mkpath(folder);
    const QString file = folder + "/PC_CP.PDAT";
    writeAll(file, single(0) + single(0) + i16(0) + i16(0));
    QFile::setPermissions(file, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                    QFileDevice::ReadOther | QFileDevice::WriteOther);
    QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                          QFileDevice::ExeOwner | QFileDevice::ReadOther |
                                          QFileDevice::ExeOther);
    // The folder may be read and entered but not written; an administrator is not held back
    // by that, so the child gives up its rights first.
    QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner |
                                      QFileDevice::ReadOther | QFileDevice::ExeOther);
    const int status = ximora::testing::runInChild([&] {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) return 77;
        LaunchRecord r;
        QString error;
        if (!readLaunchFile(file, LaunchKind::Clipboard, r, error)) return 1;
        r.ok = true;
        return writeLaunchFile(file, r, error) ? 0 : 2;
    });
    QFile::setPermissions(folder,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    if (status == 77) GTEST_SKIP() << "cannot give up the administrator's rights here";
    EXPECT_EQ(status, 0);
    EXPECT_EQ(readAll(file), single(0) + single(0) + i16(0) + i16(-1));
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{"PC_CP.PDAT"});
}

TEST(LaunchFile, RecordsWhoseJobCannotRunAreNamedWithTheirProblem) {
    QTemporaryDir dir;
    const QString launch = dir.filePath("PC_FL.PDAT");
    const auto problem = [&](LaunchKind kind, const QString& path) {
        LaunchRecord r;
        r.kind = kind;
        r.path = path;
        return launchRecordProblem(launch, r);
    };
    EXPECT_EQ(problem(LaunchKind::File, ""),
              "起動ﾌｧｲﾙ " + launch + " に画像ﾌｧｲﾙが指定されていません");
    EXPECT_EQ(problem(LaunchKind::File, dir.path()),
              "起動ﾌｧｲﾙ " + launch + " の " + dir.path() + " はﾌｧｲﾙではなくﾌｫﾙﾀﾞです");
    EXPECT_EQ(problem(LaunchKind::File, dir.filePath("no/a.bmp")),
              "起動ﾌｧｲﾙ " + launch + " の " + dir.filePath("no/a.bmp") + " のﾌｫﾙﾀﾞ " +
                  dir.filePath("no") + " が見つかりません");
    EXPECT_EQ(problem(LaunchKind::File, dir.filePath("new.bmp")), "");  // to be made there
    EXPECT_TRUE(problem(LaunchKind::Folder, "").contains("保存先ﾌｫﾙﾀﾞが指定されていません"));
    EXPECT_EQ(problem(LaunchKind::Folder, dir.filePath("out")), "");  // made one level
    EXPECT_TRUE(problem(LaunchKind::Folder, dir.filePath("a/b")).contains("を作成できません"));
    writeAll(launch, "x");
    EXPECT_TRUE(problem(LaunchKind::Folder, launch).contains("はﾌｫﾙﾀﾞではありません"));
    EXPECT_EQ(problem(LaunchKind::Clipboard, ""), "");
}

TEST(JobRange, TwipsAndPointsBecomePixels) {
    float w = 7200, h = 1440;
    convertRange(w, h, true, 96, 96);  // 15 twips per pixel
    EXPECT_FLOAT_EQ(w, 480);
    EXPECT_FLOAT_EQ(h, 96);
    w = 72, h = 36;
    convertRange(w, h, false, 96, 120);
    EXPECT_FLOAT_EQ(w, 96);
    EXPECT_FLOAT_EQ(h, 60);
    w = 0, h = 120;  // both must be non-zero
    convertRange(w, h, true, 96, 96);
    EXPECT_EQ(h, 120);
    EXPECT_EQ(rangeCaption(480, 96), "User.Range (480.0 * 96.0 px)");
    EXPECT_EQ(rangeCaption(0.5f, 2.25f), "User.Range (.5 * 2.3 px)");
    EXPECT_EQ(rangeCaption(0, 120), "");
    EXPECT_EQ(rangeCaption(-5, 120), "");
}
