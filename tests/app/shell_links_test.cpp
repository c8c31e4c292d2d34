#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

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
    EXPECT_TRUE(
        messages->messageTexts().first().endsWith(" のｼｮｰﾄｶｯﾄを " + entry + " に作成しました"));
    util::shared() = saved;
}

TEST(Mail, AMailProgramThatCannotStartIsReported) {
    auto scripted = std::make_unique<util::ScriptedMessages>();
    auto* messages = scripted.get();
    util::ScopedMessages guard(std::move(scripted));
    app::Mail("s", "t", "/a.jpg", "/no/such/mailer");
    app::Mail("s", "t", "/a.jpg", "false");  // starts, then fails
    EXPECT_EQ(
        messages->messageTexts(),
        QStringList(2, "OutLook Express が既定のﾒｰﾙﾊﾝﾄﾞﾗとして指定されているかﾁｪｯｸして下さい"));
}
