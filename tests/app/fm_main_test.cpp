#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include "app/fm_main.h"
#include "settings/y_ini.h"
#include "support/scoped_env.h"
#include "util/scripted_messages.h"
#include "util/shared_values.h"

using namespace ximora;
using app::FmMain;

namespace {
// A main window whose controls are recorded instead of shown.
class RecordingMain : public FmMain {
  public:
    QStringList actions;
    QStringList stored;
    QString opened;
    QString produce;
    bool produceGif = false;
    bool storeOk = true;

  protected:
    void editorAction(const QString& group, const QString& job) override {
        actions << group + "/" + job;
    }
    void editorOpen(const QString& file) override { opened = file; }
    bool storeResult(const QString& job) override {
        stored << job;
        if (!produce.isEmpty()) setProduced(produce, produceGif);
        return storeOk;
    }
};

class FmMainTest : public ::testing::Test {
  protected:
    void SetUp() override {
        saved_ = util::shared();
        auto& v = util::shared();
        v.sUsrDir = dir_.path() + "/";
        v.nScrDpiX = v.nScrDpiY = 96;
        QGuiApplication::clipboard()->clear();
        settings::setYIni(std::make_unique<settings::YIni>(dir_.path() + "/"));
    }
    void TearDown() override {
        settings::releaseYIni();
        util::shared() = saved_;
    }
    QTemporaryDir dir_;
    ScopedEnv data_{"XDG_DATA_HOME", (dir_.path() + "/data").toUtf8()};
    ScopedEnv home_{"HOME", dir_.path().toUtf8()};
    util::ScopedMessages messages_{std::make_unique<util::ScriptedMessages>()};
    util::SharedValues saved_;
};
}  // namespace

TEST_F(FmMainTest, LoadCreatesSubfoldersAndTheEnvironmentFile) {
    FmMain main;
    EXPECT_TRUE(main.load());
    for (const char* sub : {"Thumb", "Wrk", "Temp"}) EXPECT_TRUE(QDir(dir_.filePath(sub)).exists());
    EXPECT_TRUE(QFile::exists(dir_.filePath("User.xml")));
}

TEST_F(FmMainTest, FileJobReturnsTheResultThroughTheScriptAndWritesSettings) {
    const QString image = dir_.filePath("a.bmp");
    QFile(image).open(QIODevice::WriteOnly);
    RecordingMain main;
    ASSERT_TRUE(main.load());
    main.pcDpi(300);
    main.setAutorun({"", "画像編集⇒ﾄﾘﾐﾝｸﾞ", "no arrow here", "取込⇒選択256", "ﾌｧｲﾙ⇒終了"});
    QString file = image;
    float w = 7200, h = 4800;
    bool ok = false, gif = true;
    main.Act(app::kJobFile, file, w, h, true, true, ok, gif);
    EXPECT_TRUE(ok);
    EXPECT_TRUE(gif);  // only job 3 hands the GIF flag back
    EXPECT_EQ(file, image);
    EXPECT_FLOAT_EQ(w, 480);
    EXPECT_FLOAT_EQ(h, 320);
    EXPECT_EQ(main.rangeCaption(), "User.Range (480.0 * 320.0 px)");
    EXPECT_EQ(main.outputDpi(), 300);
    EXPECT_EQ(main.opened, image);
    EXPECT_EQ(main.jobFolder(), dir_.path());
    EXPECT_EQ(main.actions, QStringList{"画像編集/ﾄﾘﾐﾝｸﾞ"});
    EXPECT_EQ(main.stored, QStringList{"選択256"});
    EXPECT_FALSE(main.isVisible());
    // EndApp wrote the document and released the store.
    EXPECT_EQ(settings::yIni(), nullptr);
    QFile xml(dir_.filePath("User.xml"));
    ASSERT_TRUE(xml.open(QIODevice::ReadOnly));
    EXPECT_TRUE(xml.readAll().contains("<PATH>"));
}

TEST_F(FmMainTest, NotTakingAndFailingStoresGiveOkFalse) {
    RecordingMain main;
    main.load();
    main.setAutorun({"取込⇒非選択"});
    QString file;
    float w = 0, h = 120;
    bool ok = true, gif = false;
    main.Act(app::kJobClipboard, file, w, h, false, false, ok, gif);
    EXPECT_FALSE(ok);
    EXPECT_TRUE(main.stored.isEmpty());
    EXPECT_EQ(main.rangeCaption(), "");
    EXPECT_EQ(h, 120);

    settings::setYIni(std::make_unique<settings::YIni>(dir_.path() + "/"));
    RecordingMain failing;
    failing.storeOk = false;
    failing.setAutorun({"取込⇒範囲"});
    ok = true;
    failing.Act(app::kJobClipboard, file, w, h, false, false, ok, gif);
    EXPECT_EQ(failing.stored, QStringList{"範囲"});
    EXPECT_FALSE(ok);

    // Lines used up: the job ends with the flag as it stands (cleared at job start).
    settings::setYIni(std::make_unique<settings::YIni>(dir_.path() + "/"));
    RecordingMain idle;
    idle.setAutorun({});
    ok = true;
    idle.Act(app::kJobClipboard, file, w, h, false, false, ok, gif);
    EXPECT_FALSE(ok);
}

TEST_F(FmMainTest, FolderJobCreatesTheFolderAndHandsBackTheProducedFile) {
    RecordingMain main;
    main.load();
    const QString folder = dir_.filePath("out");
    main.produce = folder + "/PIC001.gif";
    main.produceGif = true;
    main.setAutorun({"取込⇒選択"});
    QString name = "PIC*";
    bool ok = false, gif = false;
    main.ActHt(folder, name, 1440, 720, gif, ok);
    EXPECT_TRUE(QDir(folder).exists());
    EXPECT_EQ(main.outputDpi(), 96);
    EXPECT_EQ(main.jobName(), "PIC*");
    EXPECT_EQ(main.jobFile(), "");
    EXPECT_FLOAT_EQ(main.rangeWidth(), 96);
    EXPECT_FLOAT_EQ(main.rangeHeight(), 48);
    EXPECT_EQ(name, folder + "/PIC001.gif");
    EXPECT_TRUE(gif);
    EXPECT_TRUE(ok);
}

TEST_F(FmMainTest, ClipboardPictureStartsANewImageInsteadOfOpening) {
    QImage picture(4, 4, QImage::Format_RGB32);
    picture.fill(Qt::red);
    QGuiApplication::clipboard()->setImage(picture);
    RecordingMain main;
    main.load();
    main.setAutorun({"取込⇒非選択"});
    QString file = dir_.filePath("a.bmp");
    QFile(file).open(QIODevice::WriteOnly);
    float w = 0, h = 0;
    bool ok = false, gif = false;
    main.Act(app::kJobFile, file, w, h, false, true, ok, gif);
    EXPECT_EQ(main.actions, QStringList{"画像編集/ｸﾘｯﾌﾟﾎﾞｰﾄﾞから新規"});
    EXPECT_EQ(main.opened, "");
    QGuiApplication::clipboard()->clear();
}

TEST_F(FmMainTest, InteractiveRunIgnoresReturnCommandsAndClosesAtTheEnd) {
    RecordingMain main;
    main.load();
    main.setAutorun({"取込⇒選択", "表示⇒ｽｹｰﾙ"});
    QString file;
    float w = 0, h = 0;
    bool ok = false, gif = false;
    main.Act(app::kJobInteractive, file, w, h, false, false, ok, gif);
    EXPECT_TRUE(main.isVisible());
    EXPECT_TRUE(util::shared().bAppAct);
    while (main.isVisible()) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_TRUE(main.stored.isEmpty());
    EXPECT_EQ(main.actions, QStringList{"表示/ｽｹｰﾙ"});
    EXPECT_FALSE(util::shared().bAppAct);
    EXPECT_EQ(settings::yIni(), nullptr);  // closing ended the application's settings
}

TEST_F(FmMainTest, StoredGeometryIsFittedIntoTheWorkAreaAndSavedBackWithoutDrift) {
    auto& v = util::shared();
    v.nWaLeft = 0, v.nWaTop = 0, v.nWaWidth = 12000, v.nWaHeight = 9000;
    QFile xml(dir_.filePath("User.xml"));
    ASSERT_TRUE(xml.open(QIODevice::WriteOnly));
    xml.write(
        "<?xml version='1.0' encoding='Shift-JIS' ?>\r\n<\x89\x5e\x97\x70>\r\n"
        "   <\x89\xe6\x96\xca>\r\n      <LEFT>-3000</LEFT>\r\n      <TOP>8000</TOP>\r\n"
        "      <WIDTH>6000</WIDTH>\r\n      <HEIGHT>4500</HEIGHT>\r\n"
        "   </\x89\xe6\x96\xca>\r\n</\x89\x5e\x97\x70>\r\n");  // 運用, 画面 in CP932
    xml.close();
    RecordingMain fitted;
    ASSERT_TRUE(fitted.load());
    fitted.setAutorun({"ﾌｧｲﾙ⇒終了"});
    QString file;
    float w = 0, h = 0;
    bool ok = false, gif = false;
    fitted.Act(app::kJobClipboard, file, w, h, false, false, ok, gif);
    // Left raised to the work area; top + height beyond its height: back to its top.
    EXPECT_EQ(fitted.frameGeometry().topLeft(), QPoint(0, 0));
    EXPECT_EQ(fitted.size(), QSize(400, 300));
    EXPECT_FALSE(fitted.isMaximized());
    // Saved back as loaded (after fitting): no drift by the frame.
    QFile saved(dir_.filePath("User.xml"));
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const QByteArray bytes = saved.readAll();
    EXPECT_TRUE(
        bytes.contains("<LEFT>0</LEFT>\r\n      <TOP>0</TOP>\r\n      <WIDTH>6000</WIDTH>"
                       "\r\n      <HEIGHT>4500</HEIGHT>"))
        << bytes.toStdString();
}
