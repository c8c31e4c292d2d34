#include <gtest/gtest.h>

#include <QDesktopServices>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>

#include "app/shell_links.h"
#include "app/windows/mail.h"
#include "support/scoped_env.h"
#include "util/scripted_messages.h"
#include "util/shared_values.h"

using namespace ximora;

TEST(ShellLinks, HelpPagesAreLowerCasedAndGetAnExtension) {
    EXPECT_EQ(app::helpPageName("Index"), "index.htm");
    EXPECT_EQ(app::helpPageName("a.html"), "a.html");
    QTemporaryDir dir;
    const QString link = dir.filePath("x_help.desktop");
    ASSERT_TRUE(app::writeLinkFile(link, "https://example.org/a.htm"));
    ASSERT_TRUE(app::writeLinkFile(link, "https://example.org/b.htm"));  // replaced in place
    QFile file(link);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    EXPECT_TRUE(text.contains("Type=Link\n"));
    EXPECT_TRUE(text.contains("URL=https://example.org/b.htm\n"));
    EXPECT_FALSE(text.contains("a.htm"));
}

// Stands in for the desktop's browser: takes the addresses handed to it.
class UrlCatcher : public QObject {
    Q_OBJECT
  public:
    QList<QUrl> opened;
  public slots:
    void open(const QUrl& url) { opened << url; }
};

TEST(ShellLinks, HelpOpensThePageInTheBrowser) {
    QTemporaryDir dir;
    const auto saved = util::shared();
    util::shared().sUsrDir = dir.path() + "/";
    util::shared().sExeNm = "ximora";
    UrlCatcher browser;
    QDesktopServices::setUrlHandler("https", &browser, "open");
    app::W_Help("ximoraa.htm");
    QDesktopServices::unsetUrlHandler("https");
    ASSERT_EQ(browser.opened.size(), 1);
    EXPECT_TRUE(browser.opened[0].toString().endsWith("/ximoraa.htm"));
    EXPECT_TRUE(QFile::exists(dir.filePath("ximora_help.desktop")));
    util::shared() = saved;
}

TEST(ShellLinks, OpenWithEntryIsWrittenAndConfirmed) {
    QTemporaryDir dir;
    ScopedEnv data("XDG_DATA_HOME", dir.path().toUtf8());
    const auto saved = util::shared();
    util::shared().sExeNm = "ximora";
    auto scripted = std::make_unique<util::ScriptedMessages>();
    auto* messages = scripted.get();
    util::ScopedMessages guard(std::move(scripted));
    app::W_SendTo();
    const QString entry = dir.path() + "/applications/ximora.desktop";
    QFile file(entry);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    EXPECT_TRUE(text.contains("Exec=\""));
    EXPECT_TRUE(text.contains("MimeType=image/bmp;image/jpeg;"));
    ASSERT_EQ(messages->messageTexts().size(), 1);
    EXPECT_TRUE(messages->messageTexts().first().endsWith(" のｼｮｰﾄｶｯﾄを " + dir.path() +
                                                          "/applications に作成しました"));
    util::shared() = saved;
}

TEST(Mail, TheMailToolRunsOnItsOwnAndOneThatFailsIsReported) {
    auto scripted = std::make_unique<util::ScriptedMessages>();
    auto* messages = scripted.get();
    util::ScopedMessages guard(std::move(scripted));
    // A mail program that stays open as long as the user writes.
    QTemporaryDir dir;
    const QString tool = dir.filePath("mailer");
    QFile script(tool);
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write(QStringLiteral("#!/bin/sh\necho \"$@\" > '%1'\necho $$ > '%2'\nexec sleep 60\n")
                     .arg(dir.filePath("arguments"), dir.filePath("pid"))
                     .toUtf8());
    script.close();
    script.setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner);

    app::Mail("s", "t", {"/a,b.jpg", "/b c.jpg"}, tool);
    QFile pidFile(dir.filePath("pid"));
    for (int wait = 0; wait < 200 && pidFile.size() == 0; ++wait) QTest::qWait(50);
    ASSERT_TRUE(pidFile.open(QIODevice::ReadOnly));
    const pid_t pid = pidFile.readAll().trimmed().toInt();
    ASSERT_GT(pid, 0);
    EXPECT_EQ(kill(pid, 0), 0);  // Mail came back while the mail program runs on
    kill(pid, SIGTERM);
    QFile arguments(dir.filePath("arguments"));
    ASSERT_TRUE(arguments.open(QIODevice::ReadOnly));
    EXPECT_EQ(arguments.readAll().trimmed(),
              "--utf8 --subject s --body t --attach /a,b.jpg --attach /b c.jpg");
    for (int wait = 0; wait < 20; ++wait) QTest::qWait(10);
    EXPECT_TRUE(messages->messageTexts().isEmpty());  // ended by a signal: not the tool's error

    // A tool that ends with an error (xdg-email without a mail program) or cannot start.
    const QString failure =
        QStringLiteral("OutLook Express が既定のﾒｰﾙﾊﾝﾄﾞﾗとして指定されているかﾁｪｯｸして下さい");
    app::Mail("s", "t", {"/a.jpg"}, "false");
    for (int wait = 0; wait < 200 && messages->messageTexts().isEmpty(); ++wait) QTest::qWait(20);
    EXPECT_EQ(messages->messageTexts(), QStringList{failure});
    app::Mail("s", "t", {"/a.jpg"}, "/no/such/mailer");
    for (int wait = 0; wait < 200 && messages->messageTexts().size() < 2; ++wait) QTest::qWait(20);
    EXPECT_EQ(messages->messageTexts(), (QStringList{failure, failure}));
    app::Mail("s", "t", {"/a.jpg"}, "true");
    for (int wait = 0; wait < 20; ++wait) QTest::qWait(10);
    EXPECT_EQ(messages->messageTexts().size(), 2);
}

// The "Open With" entry starts the program wherever it lies: its path is one quoted, escaped
// argument whatever it holds, and the entry passes desktop-file-validate.
TEST(ShellLinks, TheOpenWithEntryEscapesEveryPath) {
    const QString program = QStringLiteral("/opt/my apps/$HOME %f \"q\" `x` back\\slash/ximora");
    const QString text = app::openWithEntry(QStringLiteral("ximora"), program);
    EXPECT_TRUE(
        text.contains(QStringLiteral("\nExec=\"/opt/my apps/\\\\$HOME %%f \\\\\"q\\\\\" "
                                     "\\\\`x\\\\` back\\\\\\\\slash/ximora\" %f\n")))
        << text.toStdString();
    QTemporaryDir dir;
    QFile entry(dir.filePath("ximora.desktop"));
    ASSERT_TRUE(entry.open(QIODevice::WriteOnly));
    entry.write(text.toUtf8());
    entry.close();
    QProcess validate;
    validate.start(QStringLiteral("desktop-file-validate"), {entry.fileName()});
    ASSERT_TRUE(validate.waitForFinished(60000));
    EXPECT_EQ(validate.exitCode(), 0) << validate.readAllStandardOutput().toStdString();
    // A line break in a link's address stays inside its value.
    ASSERT_TRUE(app::writeLinkFile(dir.filePath("x.desktop"), "https://a.example/\nExec=rm"));
    QFile link(dir.filePath("x.desktop"));
    ASSERT_TRUE(link.open(QIODevice::ReadOnly));
    EXPECT_TRUE(link.readAll().contains("URL=https://a.example/\\nExec=rm\n"));
}

#include "shell_links_test.moc"
