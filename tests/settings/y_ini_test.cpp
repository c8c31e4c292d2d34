#include <gtest/gtest.h>

#include <optional>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "platform/cp932.h"
#include "platform/user_setting.h"
#include "settings/y_ini.h"
#include "support/child_process.h"
#include "support/scoped_env.h"
#include "util/scripted_messages.h"
#include "util/shared_values.h"

using namespace ximora;
using settings::YIni;

namespace {
QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void writeAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray cp932(const QString& text) { return *platform::toCp932(text); }

// A private program folder, data home, config home and documents for each test.
class UserDataTest : public ::testing::Test {
  protected:
    void SetUp() override {
        saved_ = util::shared();
        util::shared().sExeNm = "ximora";
        QDir(root_.path()).mkpath("prog");
        QDir(root_.path()).mkpath("home");
        program_ = root_.filePath("prog") + "/";
        auto scripted = std::make_unique<util::ScriptedMessages>();
        messages_ = scripted.get();
        guard_ = std::make_unique<util::ScopedMessages>(std::move(scripted));
    }
    void TearDown() override { util::shared() = saved_; }

    QString perUser() const { return root_.filePath("data") + "/Quorvel/ximora/"; }

    QTemporaryDir root_;
    QString program_;
    ScopedEnv data_{"XDG_DATA_HOME", (root_.path() + "/data").toUtf8()};
    ScopedEnv config_{"XDG_CONFIG_HOME", (root_.path() + "/config").toUtf8()};
    ScopedEnv home_{"HOME", (root_.path() + "/home").toUtf8()};
    util::ScriptedMessages* messages_ = nullptr;
    std::unique_ptr<util::ScopedMessages> guard_;
    util::SharedValues saved_;
};

class DocumentTest : public UserDataTest {
  protected:
    QString xml() const { return root_.filePath("User.xml"); }
};
}  // namespace

TEST_F(UserDataTest, MissingPointerFileIsCreatedWithTheDefaultToken) {
    YIni ini(program_);
    ASSERT_TRUE(ini.W_UserData());
    EXPECT_EQ(readAll(program_ + "UserData.ini"), "%applicaion data%");  // no line break
    EXPECT_EQ(util::shared().sUsrDir, perUser());
    EXPECT_TRUE(QDir(perUser()).exists());
    EXPECT_EQ(util::shared().sApDir, program_ + "apData/");
    EXPECT_EQ(platform::userSetting("QuorvelTools", "Path", "ximora"), program_ + "ximora");
    EXPECT_TRUE(messages_->calls().empty());
}

TEST_F(UserDataTest, TokensAreLowerCasedAndChooseTheFolder) {
    struct Case {
        QByteArray token;
        QString folder;
    } cases[] = {
        {"%APP%", program_ + "usData/"},
        {"%usr%", perUser()},
        {"%doc%", perUser()},  // with a closing percent: an unknown token
        {"%Doc", root_.filePath("home") + "/Quorvel/ximora/"},
        {"%my document%", root_.filePath("home") + "/Quorvel/ximora/"},
        {"%anything", perUser()},
        {"%app%\r\n", program_ + "usData/"},  // a typed line end is not part of the token
    };
    for (const Case& c : cases) {
        writeAll(program_ + "UserData.ini", c.token);
        YIni ini(program_);
        EXPECT_TRUE(ini.W_UserData());
        EXPECT_EQ(util::shared().sUsrDir, c.folder) << c.token.toStdString();
        EXPECT_EQ(readAll(program_ + "UserData.ini"), c.token);  // never rewritten
    }
    EXPECT_TRUE(messages_->calls().empty());

    const QString own = root_.filePath("own");
    QDir().mkpath(own);
    writeAll(program_ + "UserData.ini", own.toUtf8());
    YIni ini(program_);
    ini.W_UserData();
    EXPECT_EQ(util::shared().sUsrDir, own + "/");
}

TEST_F(UserDataTest, PointerToAMissingFolderFallsBackWithAMessage) {
    const QByteArray token = (root_.path() + "/nowhere").toUtf8();
    writeAll(program_ + "UserData.ini", token);
    YIni ini(program_);
    ASSERT_TRUE(ini.W_UserData());
    EXPECT_EQ(util::shared().sUsrDir, perUser());
    EXPECT_EQ(messages_->messageTexts(),
              QStringList{"ﾌｫﾙﾀﾞ " + root_.path() + "/nowhere が見つかりません\r" +
                          "ﾕｰｻﾞｰﾃﾞｰﾀｰﾌｫﾙﾀﾞは　" + perUser() + " を使用します"});
    EXPECT_EQ(readAll(program_ + "UserData.ini"), token);
}

// Found before the program can show anything: the folder W_UserData resolves, or nothing where
// it would make, write or tell something; and nothing is made, written or told either way.
TEST_F(UserDataTest, TheFolderFoundQuietlyIsTheOneResolvedOrNothing) {
    struct Case {
        const char* what;
        std::optional<QByteArray> pointer;  // nothing: no pointer file
        bool folderMade;
        QString found;
    } cases[] = {
        {"no pointer file, no folder yet", std::nullopt, false, {}},
        {"no pointer file, the default folder there", std::nullopt, true, perUser()},
        {"a blank pointer file", QByteArray("\r\n"), true, perUser()},
        {"a pointer file that is not CP932", QByteArray("\x81\x20\xff"), true, perUser()},
        {"%app%, its folder not made yet", QByteArray("%APP%"), false, {}},
        {"a folder that is not there", (root_.path() + "/nowhere").toUtf8(), true, {}},
        {"the user's own folder", root_.path().toUtf8(), false, root_.path() + "/"},
    };
    for (const Case& c : cases) {
        QFile::remove(program_ + "UserData.ini");
        QDir(root_.filePath("data")).removeRecursively();
        if (c.pointer) writeAll(program_ + "UserData.ini", *c.pointer);
        if (c.folderMade) QDir().mkpath(perUser());
        YIni ini(program_);
        EXPECT_EQ(ini.foundUserDataFolder(), c.found) << c.what;
        EXPECT_EQ(QFile::exists(program_ + "UserData.ini"), bool(c.pointer)) << c.what;
        EXPECT_EQ(QDir(perUser()).exists(), c.folderMade) << c.what;
        if (c.found.isEmpty()) continue;
        YIni resolving(program_);
        resolving.W_UserData();
        EXPECT_EQ(util::shared().sUsrDir, c.found) << c.what;
    }
    EXPECT_TRUE(messages_->calls().empty());
}

TEST_F(UserDataTest, PointerFileInUtf8NamesItsFolder) {
    // As editors on this system write it: UTF-8, a line end after the path.
    const QString own = root_.filePath("写真 ﾃﾞｰﾀ");
    QDir().mkpath(own);
    writeAll(program_ + "UserData.ini", own.toUtf8() + "\n");
    YIni ini(program_);
    ASSERT_TRUE(ini.W_UserData());
    EXPECT_EQ(util::shared().sUsrDir, own + "/");
    EXPECT_TRUE(messages_->calls().empty());
    // Missing, it is named rightly in the message.
    writeAll(program_ + "UserData.ini", (own + "2").toUtf8());
    ASSERT_TRUE(ini.W_UserData());
    ASSERT_EQ(messages_->messageTexts().size(), 1);
    EXPECT_TRUE(messages_->messageTexts()[0].startsWith("ﾌｫﾙﾀﾞ " + own + "2 が見つかりません"));
}

TEST_F(UserDataTest, PointerFileThatIsNotCp932IsKeptAndTheDefaultUsed) {
    writeAll(program_ + "UserData.ini", QByteArray("\x81\x20\xff", 3));
    YIni ini(program_);
    ASSERT_TRUE(ini.W_UserData());
    EXPECT_EQ(util::shared().sUsrDir, perUser());
    EXPECT_EQ(readAll(program_ + "UserData.ini"), QByteArray("\x81\x20\xff", 3));
}

TEST_F(UserDataTest, UnwritableUserDataFolderIsReportedToTheCaller) {
    // A data home below a plain file can never be created, whoever runs the test.
    writeAll(root_.filePath("blocker"), "x");
    ScopedEnv data("XDG_DATA_HOME", (root_.path() + "/blocker/data").toUtf8());
    YIni ini(program_);
    EXPECT_FALSE(ini.W_UserData());
    EXPECT_FALSE(ini.GetTxt(util::shared().sUsrDir + "User.xml"));
    EXPECT_FALSE(ini.SetTxt());
}

TEST_F(UserDataTest, CreateFolderMakesEveryLevelAndCheckSubfoldersOneLevel) {
    const QString deep = root_.filePath("a/b/c");
    YIni::F_CreateFld(deep);
    EXPECT_TRUE(QDir(deep).exists());
    YIni::F_ChkSb(deep, {"Thumb", "Wrk/", "Temp/", "x/y"});
    EXPECT_TRUE(QDir(deep + "/Thumb").exists());
    EXPECT_TRUE(QDir(deep + "/Wrk").exists());
    EXPECT_TRUE(QDir(deep + "/Temp").exists());
    EXPECT_FALSE(QDir(deep + "/x").exists());  // one level only
    EXPECT_EQ(YIni::FsGtSpFld(26), root_.filePath("data"));
    EXPECT_EQ(YIni::FsGtSpFld(999), "");
}

TEST_F(DocumentTest, NewFileGetsTheExactLayoutInCp932WithCrLf) {
    YIni ini;
    ASSERT_TRUE(ini.GetTxt(xml()));
    EXPECT_EQ(readAll(xml()), "");  // created empty
    ini.GetGtx("画面");
    EXPECT_EQ(ini.vGtVal("LEFT", 100), 100.0);
    ini.SetVal("LEFT", 1440);
    ini.SetVal("STAMP", "ｽﾀﾝﾌﾟ.bmp");
    ini.SetGtx();
    ini.GetGtx("設定");
    ini.SetVal("TMB_DR", true);
    ini.SetVal("SCALE", QString("ｽｹｰﾙ"));
    ini.SetGtx();
    ASSERT_TRUE(ini.SetTxt());
    const QString expected =
        "<?xml version='1.0' encoding='Shift-JIS' ?>\r\n"
        "<運用>\r\n"
        "   <画面>\r\n"
        "      <LEFT>1440</LEFT>\r\n"
        "      <STAMP>ｽﾀﾝﾌﾟ.bmp</STAMP>\r\n"
        "   </画面>\r\n"
        "   <設定>\r\n"
        "      <TMB_DR>True</TMB_DR>\r\n"
        "      <SCALE>ｽｹｰﾙ</SCALE>\r\n"
        "   </設定>\r\n"
        "</運用>\r\n";
    EXPECT_EQ(readAll(xml()), cp932(expected));

    // A second pass reads back, replaces in place and appends new keys at the group's end.
    YIni again;
    ASSERT_TRUE(again.GetTxt(xml()));
    again.GetGtx("画面");
    EXPECT_EQ(again.vGtVal("STAMP", ""), "ｽﾀﾝﾌﾟ.bmp");
    again.SetVal("LEFT", 20);
    again.SetVal("TOP", 5);
    again.SetVal("LEFT", 30);
    again.SetGtx();
    again.GetGtx("設定");
    EXPECT_TRUE(again.vGtVal("TMB_DR", false));
    ASSERT_TRUE(again.SetTxt());
    QString updated = expected;
    updated.replace("<LEFT>1440</LEFT>\r\n      <STAMP>ｽﾀﾝﾌﾟ.bmp</STAMP>\r\n",
                    "<LEFT>30</LEFT>\r\n      <STAMP>ｽﾀﾝﾌﾟ.bmp</STAMP>\r\n      <TOP>5</TOP>\r\n");
    EXPECT_EQ(readAll(xml()), cp932(updated));
    EXPECT_TRUE(messages_->calls().empty());
}

TEST_F(DocumentTest, TypedReadsFollowTheDefault) {
    writeAll(xml(), cp932("<?xml version='1.0' encoding='Shift-JIS' ?>\r\n<運用>\r\n   <G>\r\n"
                          "      <N>12.5</N>\r\n      <F>True</F>\r\n      <M>-1</M>\r\n"
                          "      <X>maybe</X>\r\n      <T>abc</T>\r\n      <E></E>\r\n"
                          "      <V> 3x</V>\r\n   </G>\r\n</運用>\r\n"));
    YIni ini;
    ASSERT_TRUE(ini.GetTxt(xml()));
    ini.GetGtx("G");
    EXPECT_EQ(ini.vGtVal("N", 0), 12.5);
    EXPECT_EQ(ini.vGtVal("V", 0), 3.0);  // leading number
    EXPECT_EQ(ini.vGtVal("T", 7), 0.0);  // no number at all reads as 0
    EXPECT_EQ(ini.vGtVal("E", 7), 7.0);
    EXPECT_EQ(ini.vGtVal("missing", 7.5), 7.5);
    EXPECT_TRUE(ini.vGtVal("F", false));
    EXPECT_TRUE(ini.vGtVal("M", false));
    EXPECT_TRUE(ini.vGtVal("X", true));  // neither flag nor number: the default
    EXPECT_FALSE(ini.vGtVal("X", false));
    EXPECT_EQ(ini.vGtVal("T", "d"), "abc");
    EXPECT_EQ(ini.vGtVal("E", "d"), "d");
    EXPECT_EQ(ini.vGtVal("T", QDate(2000, 1, 2)), QDate(2000, 1, 2));
    EXPECT_TRUE(messages_->calls().empty());
}

TEST_F(DocumentTest, DvFileNameAndEmptyOrBlankFilesGiveTheSkeleton) {
    writeAll(xml(), "");
    YIni ini;
    ASSERT_TRUE(ini.GetTxt(root_.filePath("User_dv.XML")));
    EXPECT_EQ(ini.filePath(), root_.filePath("User.xml"));
    EXPECT_EQ(ini.document(), YIni::skeleton());
    ASSERT_TRUE(ini.SetTxt());
    EXPECT_EQ(readAll(xml()), cp932(YIni::skeleton()));

    writeAll(xml(), " \r\n\r\n");  // blank lines only: no content either
    ASSERT_TRUE(ini.GetTxt(xml()));
    EXPECT_EQ(ini.document(), YIni::skeleton());
}

TEST_F(DocumentTest, LeadingBlankLinesAndByteOrderMarksKeepEverySetting) {
    const QString settings =
        "<?xml version='1.0' encoding='Shift-JIS' ?>\r\n<運用>\r\n   <マクロ>\r\n"
        "      <COMMAND>回転⇒右90度~明度⇒明るく</COMMAND>\r\n   </マクロ>\r\n</運用>\r\n";
    const QByteArray variants[] = {
        "\r\n" + cp932(settings),
        "\n  \r\n" + cp932(settings),
        "\xEF\xBB\xBF" + settings.toUtf8(),              // a text editor's UTF-8 with a mark
        settings.toUtf8(),                               // and without
        cp932(QString(settings).replace("\r\n", "\n")),  // an editor's LF line ends
    };
    for (const QByteArray& bytes : variants) {
        writeAll(xml(), bytes);
        YIni ini;
        ASSERT_TRUE(ini.GetTxt(xml()));
        ini.GetGtx("マクロ");
        EXPECT_EQ(ini.vGtVal("COMMAND", ""), "回転⇒右90度~明度⇒明るく");
        ini.SetVal("COMMAND", QString("色反転⇒全"));
        ini.SetGtx();
        ASSERT_TRUE(ini.SetTxt());
        QString expected = settings;
        expected.replace("回転⇒右90度~明度⇒明るく", "色反転⇒全");
        EXPECT_EQ(readAll(xml()), cp932(expected));  // written back as the program writes it
    }
    EXPECT_TRUE(messages_->calls().empty());
}

TEST_F(DocumentTest, FileThatCannotBeReadIsKeptUnderADatedNameAndReportedOnce) {
    const QByteArray unreadable[] = {
        QString("<運用>\r\n   <画面>").toUtf8() + "\xff\xfe",  // not CP932
        cp932("ただのﾒﾓ\r\n"),                                 // not the settings at all
    };
    for (const QByteArray& bytes : unreadable) {
        for (const QString& old : QDir(root_.path()).entryList({"User.*.xml"}))
            QFile::remove(root_.filePath(old));
        messages_->clear();
        writeAll(xml(), bytes);
        YIni ini;
        EXPECT_FALSE(ini.GetTxt(xml()));
        const QStringList copies = QDir(root_.path()).entryList({"User.*.xml"});
        ASSERT_EQ(copies.size(), 1);
        const QString copy = root_.filePath(copies[0]);
        EXPECT_EQ(ini.keptCopy(), copy);
        EXPECT_TRUE(QFileInfo(copy).fileName().contains(QDate::currentDate().toString("yyyyMMdd")));
        EXPECT_EQ(readAll(copy), bytes);
        EXPECT_EQ(messages_->messageTexts(),
                  QStringList{"<運用> の設定が読み込めません\rﾕｰｻﾞｰ環境ﾌｧｲﾙ(" + xml() +
                              ") が破損しています\r元のﾌｧｲﾙは " + copy + " に残しました"});
        // The defaults apply and are written; what could not be read lives on in the copy.
        ini.GetGtx("画面");
        EXPECT_EQ(ini.vGtVal("LEFT", 9), 9.0);
        ini.SetVal("LEFT", 1);
        ini.SetGtx();
        EXPECT_TRUE(ini.SetTxt());
        EXPECT_TRUE(readAll(xml()).contains("<LEFT>1</LEFT>"));
    }
}

TEST_F(DocumentTest, PeekingReadsTheSettingsAsTheyStandAndLeavesAnyOtherFileAlone) {
    writeAll(xml(), cp932("<?xml version='1.0' encoding='Shift-JIS' ?>\r\n<運用>\r\n   <設定>\r\n"
                          "      <ﾒﾓﾘ上限>512</ﾒﾓﾘ上限>\r\n   </設定>\r\n</運用>\r\n"));
    YIni ini;
    ASSERT_TRUE(ini.peekTxt(xml()));
    ini.GetGtx("設定");
    EXPECT_EQ(ini.vGtVal("ﾒﾓﾘ上限", 0), 512.0);

    const QByteArray notSettings[] = {cp932("ただのﾒﾓ\r\n"), QByteArray("<\x81\x20\xff")};
    for (const QByteArray& bytes : notSettings) {
        writeAll(xml(), bytes);
        YIni peeking;
        EXPECT_FALSE(peeking.peekTxt(xml()));
        EXPECT_EQ(readAll(xml()), bytes);
    }
    YIni peeking;
    EXPECT_FALSE(peeking.peekTxt(root_.filePath("missing.xml")));
    EXPECT_FALSE(QFile::exists(root_.filePath("missing.xml")));
    EXPECT_TRUE(QDir(root_.path()).entryList({"User.*.xml"}).isEmpty());
    EXPECT_TRUE(messages_->calls().empty());
}

TEST_F(DocumentTest, AFileThatCannotBeCopiedAsideIsNeverOverwritten) {
    const QByteArray bytes = QByteArray("<\x81\x20\xff");
    writeAll(xml(), bytes);
    // No file may grow past one byte in the child: the copy cannot be written.
    const int status = ximora::testing::runInChild([&] {
        ximora::testing::limitFileSize(1);
        YIni ini;
        if (ini.GetTxt(xml()) || !ini.keptCopy().isEmpty()) return 1;
        if (ini.SetTxt() || !ini.writeError().isEmpty()) return 2;
        return 0;
    });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(readAll(xml()), bytes);
    EXPECT_TRUE(QDir(root_.path()).entryList({"User.*.xml"}).isEmpty());
}

TEST_F(DocumentTest, AFailedWriteLeavesTheFileByteForByteAndSaysWhy) {
    const QByteArray old = cp932(YIni::skeleton());
    writeAll(xml(), old);
    const int status = ximora::testing::runInChild([&] {
        ximora::testing::limitFileSize(old.size() + 10);
        YIni ini;
        if (!ini.GetTxt(xml())) return 1;
        ini.GetGtx("マクロ");
        ini.SetVal("COMMAND", QString(500, 'x'));
        ini.SetGtx();
        if (ini.SetTxt()) return 2;
        return ini.writeError() == "ﾌｧｲﾙが書き込みできません\rﾌｧｲﾙｻｲｽﾞの上限を超えています" ? 0 : 3;
    });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(readAll(xml()), old);
    EXPECT_EQ(QDir(root_.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"User.xml"});
}

TEST_F(DocumentTest, BrokenTagsGiveTheDefaultWithOneMessagePerFailingRead) {
    // Truncated in the middle of a closing tag, and a group whose closing tag comes first.
    writeAll(xml(), cp932("<?xml version='1.0' encoding='Shift-JIS' ?>\r\n<運用>\r\n"
                          "   </B>\r\n   <B>\r\n      <K>1</K>\r\n"
                          "   <画面>\r\n      <LEFT>100</LEFT>\r\n      <TOP>5</TO"));
    YIni ini;
    ASSERT_TRUE(ini.GetTxt(xml()));
    ini.GetGtx("画面");
    EXPECT_EQ(ini.vGtVal("LEFT", 7), 7.0);
    ini.GetGtx("B");
    EXPECT_EQ(ini.vGtVal("K", 3), 3.0);
    // The file as it stood is kept aside once, with the first message.
    const QString tail = ") が破損しています";
    ASSERT_FALSE(ini.keptCopy().isEmpty());
    EXPECT_EQ(readAll(ini.keptCopy()), readAll(xml()));
    EXPECT_EQ(messages_->messageTexts(),
              QStringList({"<画面> の設定が読み込めません\rﾕｰｻﾞｰ環境ﾌｧｲﾙ(" + xml() + tail +
                               "\r元のﾌｧｲﾙは " + ini.keptCopy() + " に残しました",
                           "<B> の設定が読み込めません\rﾕｰｻﾞｰ環境ﾌｧｲﾙ(" + xml() + tail}));

    // Writing a group to a document without "</運用>" closes the root first.
    ini.GetGtx("新");
    ini.SetVal("A", "1");
    ini.SetGtx();
    EXPECT_TRUE(
        ini.document().endsWith("<TOP>5</TO\r\n   <新>\r\n      <A>1</A>\r\n"
                                "   </新>\r\n</運用>\r\n"));
}

TEST_F(DocumentTest, ValuesNeverBreakTheLayoutAndTextCp932CannotSpellReadsBackExactly) {
    const QString path = QString::fromUtf8("/home/Müller/한/😀/R&D/&#1;/ｶﾅ");
    YIni ini;
    ASSERT_TRUE(ini.GetTxt(xml()));
    ini.GetGtx("マクロ");
    ini.SetVal("COMMAND", QString("a\r\nb\nc\u2021d"));
    ini.SetVal("PATH", path);
    ini.SetGtx();
    ASSERT_TRUE(ini.SetTxt());
    const QByteArray bytes = readAll(xml());
    EXPECT_TRUE(bytes.contains("<COMMAND>a b c d</COMMAND>\r\n"));
    EXPECT_TRUE(bytes.contains(
        cp932("<PATH>/home/M&#252;ller/&#54620;/&#128512;/R&D/&#38;#1;/ｶﾅ</PATH>\r\n")));

    YIni again;
    ASSERT_TRUE(again.GetTxt(xml()));
    again.GetGtx("マクロ");
    EXPECT_EQ(again.vGtVal("PATH", ""), path);
    // References written by hand read the same way; malformed ones stay as they are.
    again.SetVal("HAND", QString("x"));
    writeAll(xml(), cp932("<運用>\r\n   <G>\r\n      <A>M&#xFC;ller &#; &#12a; &#x110000;</A>\r\n"
                          "   </G>\r\n</運用>\r\n"));
    ASSERT_TRUE(again.GetTxt(xml()));
    again.GetGtx("G");
    EXPECT_EQ(again.vGtVal("A", ""), QString::fromUtf8("Müller &#; &#12a; &#x110000;"));
}
