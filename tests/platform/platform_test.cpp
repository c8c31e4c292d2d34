#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include "platform/atomic_file.h"
#include "platform/cp932.h"
#include "platform/ini_file.h"
#include "platform/program_path.h"
#include "platform/shell.h"
#include "platform/special_folders.h"
#include "platform/user_setting.h"
#include "support/child_process.h"
#include "support/scoped_env.h"

using namespace ximora::platform;

namespace {
QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

}  // namespace

TEST(Cp932, RoundTripsJapaneseIncludingHalfWidthKatakana) {
    const QString text = "ﾕｰｻﾞｰ環境ﾌｧｲﾙ <運用> ①～";
    auto bytes = toCp932(text);
    ASSERT_TRUE(bytes);
    // Half-width katakana are single bytes in CP932.
    EXPECT_EQ(toCp932("ｱ")->toHex(), "b1");
    EXPECT_EQ(toCp932("運用")->toHex(), "895e9770");
    EXPECT_EQ(fromCp932(*bytes), text);
    EXPECT_EQ(fromCp932(QByteArray()), QString());
}

// Text of ASCII alone is taken without the converter: every such byte must read and write as
// the converter has it (a half-width katakana beside it sends the text through the converter).
TEST(Cp932, AsciiAloneGivesWhatTheConverterGivesInBothDirections) {
    const QString katakana = QStringLiteral("ｱ");
    for (int code = 0; code < 0x80; ++code) {
        const QByteArray byte(1, char(code));
        const std::optional<QString> read = fromCp932(byte);
        const std::optional<QString> converted = fromCp932(byte + "\xb1");
        ASSERT_TRUE(read && converted) << code;
        EXPECT_EQ(*read, converted->chopped(1)) << code;
        const QString text(1, QChar(code));
        const std::optional<QByteArray> written = toCp932(text);
        const std::optional<QByteArray> convertedBack = toCp932(text + katakana);
        ASSERT_TRUE(written && convertedBack) << code;
        EXPECT_EQ(*written, convertedBack->chopped(1)) << code;
    }
}

TEST(Cp932, FailsClearlyOnUnconvertibleTextAndInvalidBytes) {
    EXPECT_FALSE(toCp932(QString::fromUtf8("絵文字😀")));
    EXPECT_FALSE(toCp932(QString::fromUtf8("한국어")));
    EXPECT_FALSE(fromCp932(QByteArray("\x81", 1)));        // truncated lead byte
    EXPECT_FALSE(fromCp932(QByteArray("ab\x81\x20", 4)));  // lead byte with a bad trail
    EXPECT_FALSE(fromCp932(QByteArray("\xa0\xfd", 2)));
}

TEST(AtomicFile, ReplacesContentKeepsPermissionsAndFailsWithoutTouchingAnything) {
    QTemporaryDir dir;
    const QString path = dir.filePath("User.xml");
    ASSERT_TRUE(writeFileAtomically(path, "first"));
    ASSERT_TRUE(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner));
    ASSERT_TRUE(writeFileAtomically(path, "second"));
    EXPECT_EQ(readAll(path), "second");
    EXPECT_EQ(QFile::permissions(path) & 0x7077,  // owner, group, others
              QFile::ReadOwner | QFile::WriteOwner);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"User.xml"});

    QString error;
    EXPECT_FALSE(writeFileAtomically(dir.filePath("missing/x"), "x", &error));
    EXPECT_FALSE(error.isEmpty());

    // A folder that refuses new files: the old file stays whole (root can write anyway).
    QDir(dir.path()).mkdir("ro");
    const QString ro = dir.filePath("ro/a.bin");
    ASSERT_TRUE(writeFileAtomically(ro, "old"));
    QFile::setPermissions(dir.filePath("ro"), QFile::ReadOwner | QFile::ExeOwner);
    const bool wrote = writeFileAtomically(ro, "new");
    EXPECT_EQ(readAll(ro), wrote ? QByteArray("new") : QByteArray("old"));
    QFile::setPermissions(dir.filePath("ro"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

TEST(SpecialFolders, FollowXdgDataHomeAndFallBackForDocuments) {
    QTemporaryDir dir;
    ScopedEnv data("XDG_DATA_HOME", (dir.path() + "/data/").toUtf8());
    EXPECT_EQ(specialFolder(kFolderAppData), dir.path() + "/data");
    EXPECT_EQ(specialFolder(kFolderSendTo), dir.path() + "/data/applications");
    EXPECT_EQ(specialFolder(12345), QString());
    ScopedEnv home("HOME", dir.path().toUtf8());
    // No documents folder under this home: the home itself.
    EXPECT_TRUE(QDir(specialFolder(kFolderDocuments)).exists());
}

TEST(UserSetting, StoresPerUserValuesInTheConfigFolder) {
    QTemporaryDir dir;
    ScopedEnv config("XDG_CONFIG_HOME", dir.path().toUtf8());
    EXPECT_EQ(userSetting("QuorvelTools", "Path", "ximora", "none"), "none");
    ASSERT_TRUE(saveUserSetting("QuorvelTools", "Path", "ximora", "/opt/x/ximora"));
    EXPECT_EQ(userSetting("QuorvelTools", "Path", "ximora"), "/opt/x/ximora");
    EXPECT_TRUE(QFile::exists(dir.filePath("QuorvelTools.ini")));
}

TEST(IniFile, KeepsOtherKeysAndNeverLeavesAHalfWrittenFile) {
    QTemporaryDir dir;
    const QString ini = dir.filePath("IkPrn.Ik");
    ASSERT_TRUE(writeIniValues(ini, {{"Print/Printer", "Büro, 2F"}, {"Print/PageSize", 5}}));
    ASSERT_TRUE(writeIniValues(ini, {{"Print/MarginsMm", QStringList{"10", "10", "5", "5"}}}));
    {
        const QSettings read(ini, QSettings::IniFormat);
        EXPECT_EQ(read.value("Print/Printer").toString(), "Büro, 2F");
        EXPECT_EQ(read.value("Print/PageSize").toInt(), 5);
        EXPECT_EQ(read.value("Print/MarginsMm").toStringList(),
                  (QStringList{"10", "10", "5", "5"}));
    }
    // A disk that fills up: the file stays as it was, and the failure is said.
    const QByteArray before = readAll(ini);
    const int status = ximora::testing::runInChild([&] {
        ximora::testing::limitFileSize(uint(before.size()) + 4);
        QString why;
        if (writeIniValues(ini, {{"Print/Printer", QString(400, 'x')}}, &why)) return 1;
        return why.isEmpty() ? 2 : 0;
    });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(readAll(ini), before);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"IkPrn.Ik"});
}

TEST(IniFile, RewritingKeepsCommentsOrderAndLineEnds) {
    QTemporaryDir dir;
    const QString ini = dir.filePath("QuorvelTools.ini");
    const QByteArray before =
        "; programs of the suite\r\n[Path]\r\nzeta=/opt/z\r\n# the viewer\r\nximora=/old/ximora"
        "\r\nalpha=/opt/a\r\n\r\n[Other]\r\nk=v\r\n";
    QFile file(ini);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(before);
    file.close();
    ASSERT_TRUE(writeIniValues(
        ini, {{"Path/ximora", "/usr/bin/ximora"}, {"Path/new", "n"}, {"Added/one", "1"}}));
    EXPECT_EQ(readAll(ini),
              "; programs of the suite\r\n[Path]\r\nzeta=/opt/z\r\n# the viewer\r\n"
              "ximora=/usr/bin/ximora\r\nalpha=/opt/a\r\nnew=n\r\n\r\n[Other]\r\nk=v\r\n\r\n"
              "[Added]\r\none=1\r\n");
}

TEST(ProgramPath, NameDropsExtensionAndDvSuffixInAnyCase) {
    EXPECT_EQ(programNameFor("/usr/bin/ximora"), "ximora");
    EXPECT_EQ(programNameFor("/usr/bin/ximora_dv"), "ximora");
    EXPECT_EQ(programNameFor("XimoraL_DV.exe"), "XimoraL");
    EXPECT_EQ(programNameFor("dv"), "dv");
    EXPECT_TRUE(programFolder().endsWith('/'));
    EXPECT_FALSE(programFile().isEmpty());
}

// The build tree keeps "apData/" beside the programs; an installed program finds it under
// <prefix>/share/ximora; one beside the program wins over the shared one.
TEST(ProgramPath, DataFolderBesideTheProgramOrUnderShare) {
    QTemporaryDir prefix;
    const QString bin = prefix.filePath(QStringLiteral("bin/"));
    ASSERT_TRUE(QDir().mkpath(bin));
    EXPECT_EQ(programDataFolder(bin), bin + "apData/");  // neither exists
    const QString shared = prefix.filePath(QStringLiteral("share/ximora/apData/"));
    ASSERT_TRUE(QDir().mkpath(shared));
    EXPECT_EQ(programDataFolder(bin), shared);
    ASSERT_TRUE(QDir().mkpath(bin + "apData"));
    EXPECT_EQ(programDataFolder(bin), bin + "apData/");
}

TEST(Shell, TrashMovesTheFileAwayAndRefusesMissingOnes) {
    QTemporaryDir dir;
    ScopedEnv data("XDG_DATA_HOME", (dir.path() + "/data").toUtf8());
    const QString path = dir.filePath("gone.txt");
    ASSERT_TRUE(writeFileAtomically(path, "x"));
    QString error;
    ASSERT_TRUE(moveToTrash(path, &error)) << error.toStdString();
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_TRUE(QFile::exists(dir.filePath("data/Trash/files/gone.txt")));
    EXPECT_FALSE(moveToTrash(dir.filePath("never-there"), &error));
    EXPECT_FALSE(exploreFolder(dir.filePath("never-there")));
}
