// Undo snapshots and revert; view settings and parameters; the info texts.
#include <QDir>
#include <QFileInfo>
#include <QSignalSpy>

#include "editor/document/numeric_value.h"
#include "editor/document/picture_facts.h"
#include "editor_fixture.h"

namespace ximora::editor::testing {
namespace {

TEST_F(DocumentTest, ThreeEditsAndThreeUndosReturnToTheLoadedPixels) {
    const engine::Image loaded = open(9, 7);
    doc_.pcAct(QStringLiteral("回転"), QStringLiteral("右90度"));
    doc_.pcAct(QStringLiteral("明度"), QStringLiteral("暗く"));
    doc_.pcAct(QStringLiteral("色数"), QStringLiteral("白黒"));
    EXPECT_EQ(doc_.undoCount(), 3);
    const QString snapshot = doc_.backingFile();
    EXPECT_TRUE(snapshot.endsWith(QStringLiteral("/$$Undo003.bmp")));
    EXPECT_TRUE(snapshot.startsWith(work() + QStringLiteral("/Undo-")));
    for (int i = 0; i < 3; ++i)
        doc_.pcAct(QStringLiteral("画像編集"), QStringLiteral("編集を一つ戻す"));
    EXPECT_TRUE(engine::testing::samePixels(doc_.image(), loaded));
    EXPECT_EQ(doc_.editState(), kStateLoaded);
    EXPECT_EQ(doc_.undoCount(), 0);
    doc_.pcAct(QStringLiteral("画像編集"), QStringLiteral("編集を一つ戻す"));  // nothing left
    EXPECT_TRUE(engine::testing::samePixels(doc_.image(), loaded));
}

TEST_F(DocumentTest, RedoTakesBackWhatUndoTookUntilTheNextEdit) {
    const engine::Image loaded = open(9, 7);
    const auto act = [this](const char* group, const char* job) {
        doc_.pcAct(QString::fromUtf8(group), QString::fromUtf8(job));
    };
    const auto undo = [&] { act("画像編集", "編集を一つ戻す"); };
    const auto redo = [&] { act("画像編集", "やり直し"); };
    act("回転", "右90度");
    const engine::Image turned = doc_.image();
    act("明度", "暗く");
    const engine::Image darker = doc_.image();
    redo();  // nothing undone yet: nothing to redo
    EXPECT_TRUE(engine::testing::samePixels(doc_.image(), darker));

    undo();
    undo();
    EXPECT_TRUE(engine::testing::samePixels(doc_.image(), loaded));
    EXPECT_EQ(doc_.editState(), kStateLoaded);
    redo();
    EXPECT_TRUE(engine::testing::samePixels(doc_.image(), turned));
    EXPECT_EQ(doc_.editState(), kStateEdited);  // saving is asked about again
    redo();
    EXPECT_TRUE(engine::testing::samePixels(doc_.image(), darker));
    redo();  // the end of what was undone
    EXPECT_TRUE(engine::testing::samePixels(doc_.image(), darker));
    // The redone steps are undo steps again, as the edits made them.
    EXPECT_EQ(doc_.undoCount(), 2);
    undo();
    EXPECT_TRUE(engine::testing::samePixels(doc_.image(), turned));

    // An edit after an undo drops what was undone.
    act("回転", "上下反転");
    redo();
    EXPECT_FALSE(engine::testing::samePixels(doc_.image(), darker));
    undo();
    EXPECT_TRUE(engine::testing::samePixels(doc_.image(), turned));
    // So does another picture.
    open(9, 7);
    redo();
    EXPECT_TRUE(engine::testing::samePixels(doc_.image(), loaded));
    EXPECT_EQ(doc_.editState(), kStateLoaded);
}

TEST_F(DocumentTest, ADamagedPictureIsReportedWithItsNameAndTheDecodersReason) {
    const engine::Image loaded = open(9, 7);
    // A PNG whose picture data was changed after its checksum was written.
    const QString file = write(QStringLiteral("damaged.png"),
                               engine::testing::randomImage(8, 8, 24), engine::kSavePng);
    {
        QFile written(file);
        ASSERT_TRUE(written.open(QIODevice::ReadWrite));
        QByteArray bytes = written.readAll();
        const qsizetype data = bytes.indexOf("IDAT") + 8;  // inside the picture data
        bytes[data] = char(bytes[data] ^ 0x01);
        written.seek(0);
        written.write(bytes);
    }
    script_->clear();
    doc_.pcOpen(0, file);
    ASSERT_EQ(script_->messageTexts().size(), 1);
    const QStringList lines = script_->messageTexts().front().split('\r');
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[0], QStringLiteral("ﾌｧｲﾙが壊れています"));
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("damaged.png: ")));
    EXPECT_TRUE(lines[1].contains(QStringLiteral("IDAT")))
        << lines[1].toStdString();  // libpng's words

    // Stepping through a folder, it is told by the document instead, and nothing blocks.
    QSignalSpy failed(&doc_, &PictureDocument::loadFailed);
    script_->clear();
    doc_.setQuietLoadErrors(true);
    doc_.pcOpen(0, file);
    doc_.setQuietLoadErrors(false);
    EXPECT_TRUE(script_->messageTexts().isEmpty());
    ASSERT_EQ(failed.count(), 1);
    EXPECT_TRUE(
        failed[0][0].toString().startsWith(QStringLiteral("damaged.png: ﾌｧｲﾙが壊れています (")));
    EXPECT_TRUE(engine::testing::samePixels(doc_.image(), loaded));  // the picture stays
}

TEST_F(DocumentTest, SnapshotsComeBackExactAtEveryWidthAndDepth) {
    UndoStore store;
    store.setWorkFolder(work() + '/');
    // Full-colour rows go five pixels at a time with a scalar tail; the last, narrow image
    // reuses the file of a wider one, which must shrink to its own length.
    for (const int bits : {1, 4, 8, 16, 24, 32})
        for (const int width : {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 16, 33, 2}) {
            engine::Image image = engine::testing::randomImage(width, 3, bits, 0, uint32_t(width));
            image.dpiX = 300;
            image.dpiY = 150;
            store.reset();
            ASSERT_EQ(store.push(image), UndoStore::Push::Written);
            engine::Image back;
            QString file;
            ASSERT_TRUE(store.load(back, file));
            EXPECT_TRUE(engine::testing::samePixels(back, image)) << bits << " " << width;
            EXPECT_EQ(back.dpiX, 300);
            if (bits == 24) {
                EXPECT_EQ(QFileInfo(file).size(), 54 + 3 * ((3 * width + 3) / 4 * 4));
            }
        }
    store.cleanUp();
}

TEST_F(DocumentTest, RevertReloadsTheFileAndEndsTheHistory) {
    const engine::Image loaded = open(9, 7);
    doc_.pcAct(QStringLiteral("回転"), QStringLiteral("上下反転"));
    doc_.pcAct(QStringLiteral("画像編集"), QStringLiteral("読込時に戻す"));
    EXPECT_TRUE(engine::testing::samePixels(doc_.image(), loaded));
    EXPECT_EQ(doc_.undoCount(), 0);
    EXPECT_TRUE(script_->calls().empty());  // no save question
}

TEST_F(DocumentTest, TwoEditorsKeepTheirSnapshotsApart) {
    open(5, 5);
    PictureDocument other;
    other.start(work() + '/');
    other.pcOpen(0, path(QStringLiteral("a.bmp")));
    doc_.pcAct(QStringLiteral("回転"), QStringLiteral("右90度"));
    other.pcAct(QStringLiteral("回転"), QStringLiteral("左右反転"));
    const QString mine = doc_.backingFile(), theirs = other.backingFile();
    EXPECT_NE(mine, theirs);
    EXPECT_TRUE(QFileInfo::exists(mine));
    other.stop();
    EXPECT_FALSE(QFileInfo::exists(theirs));
    EXPECT_TRUE(QFileInfo::exists(mine));
    doc_.stop();
    EXPECT_TRUE(QDir(work()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty());
}

TEST_F(DocumentTest, ViewModesAndZoom) {
    PictureDocument::Params fresh;
    ASSERT_TRUE(doc_.params(fresh));
    EXPECT_EQ(fresh.scaleName, QStringLiteral("ｽｹｰﾙ"));
    EXPECT_EQ(fresh.jpegQuality, 85);

    open(20, 20);
    QSignalSpy modes(&doc_, &PictureDocument::eChgViewMode);
    doc_.setView(QStringLiteral("実寸"), 0);
    EXPECT_EQ(doc_.zoomX(), 1.0);
    doc_.pcAct(QStringLiteral("拡大"), QStringLiteral("200%"));
    doc_.setView(QStringLiteral("実寸B"), 0);
    EXPECT_EQ(doc_.zoomX(), 2.0);
    doc_.setView(QStringLiteral("実寸"), 1.0);
    for (int i = 0; i < 3; ++i) doc_.clickZoom(true);
    EXPECT_NEAR(doc_.zoomX(), 1.331, 1e-9);
    doc_.clickZoom(false);
    EXPECT_NEAR(doc_.zoomY(), 1.21, 1e-9);
    const int before = int(modes.count());
    doc_.setView(QStringLiteral("Refresh"), 0);
    EXPECT_EQ(modes.count(), before);
    doc_.setView(QStringLiteral("横合わせ"), 0);
    EXPECT_EQ(modes.last().at(0).toInt(), 4);
    doc_.setView(QStringLiteral("どれでもない"), 0);
    EXPECT_EQ(script_->messageTexts().last(), QStringLiteral("Err pcView"));
    EXPECT_EQ(doc_.scaleMode(), 4);

    doc_.setParams({0, 1, QStringLiteral("縦合わせ"), 2, QStringLiteral("PNG")});
    PictureDocument::Params p;
    ASSERT_TRUE(doc_.params(p));
    EXPECT_EQ(p.jpegQuality, 85);
    EXPECT_EQ(p.scaleName, QStringLiteral("縦合わせ"));
    EXPECT_EQ(p.defaultExtension, QStringLiteral("png"));
}

TEST(PictureFacts, NumbersAndInfoText) {
    EXPECT_EQ(formatThousands(0), QString());
    EXPECT_EQ(formatThousands(1234567), QStringLiteral("1,234,567"));
    engine::Image grey;
    grey.allocateZeroed(10, 2, 8, true);
    grey.palette = engine::greyPalette(8);
    EXPECT_EQ(colourCodeText(grey), QStringLiteral("80."));
    EXPECT_EQ(infoText(grey, 0), QStringLiteral("ｲﾒｰｼﾞｻｲｽﾞ:24  色数:256 (8bit)"));
    EXPECT_EQ(infoText(grey, 1078),
              QStringLiteral("ｲﾒｰｼﾞｻｲｽﾞ:24  色数:256 (8bit)  ﾌｧｲﾙｻｲｽﾞ: 1,078"));
    EXPECT_EQ(infoText(grey, 1078, 1), infoText(grey, 1078));
    EXPECT_EQ(infoText(grey, 1078, 12),
              QStringLiteral("ｲﾒｰｼﾞｻｲｽﾞ:24  色数:256 (8bit)  ﾌｧｲﾙｻｲｽﾞ: 1,078  ﾍﾟｰｼﾞ数:12"));
    EXPECT_TRUE(codeIn(QStringLiteral("8."), QStringLiteral(".1.2.4.8.16.")));
    EXPECT_FALSE(codeIn(QStringLiteral("80."), QStringLiteral(".1.2.4.8.16.")));
    EXPECT_EQ(numericValue(QStringLiteral(" 50%")), 50);
    EXPECT_EQ(numericValue(QStringLiteral("abc")), 0);
}

TEST_F(DocumentTest, OpeningFiles) {
    const engine::Image loaded = open(6, 6);
    QFile::copy(path(QStringLiteral("a.bmp")), path(QStringLiteral("noext")));
    doc_.pcOpen(0, path(QStringLiteral("noext")));  // no "." means raster
    EXPECT_EQ(doc_.file(), path(QStringLiteral("noext")));

    QFile::copy(path(QStringLiteral("a.bmp")), path(QStringLiteral("v.WMF")));
    script_->clear();
    doc_.pcOpen(0, path(QStringLiteral("v.WMF")));
    EXPECT_EQ(script_->messageTexts(), QStringList{QStringLiteral("ｻﾎﾟｰﾄ外の機能です")});
    EXPECT_EQ(doc_.file(), path(QStringLiteral("noext")));

    doc_.pcOpen(0, path(QStringLiteral("missing.bmp")));  // nothing, silently
    EXPECT_EQ(doc_.file(), path(QStringLiteral("noext")));

    QFile junk(path(QStringLiteral("junk.bmp")));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("not an image");
    junk.close();
    script_->clear();
    doc_.pcOpen(0, junk.fileName());
    // The message names the file on a second line.
    EXPECT_EQ(script_->messageTexts(), QStringList{QStringLiteral("ﾌｧｲﾙが不正です\rjunk.bmp")});
    EXPECT_EQ(doc_.file(), path(QStringLiteral("noext")));
    EXPECT_TRUE(engine::testing::samePixels(doc_.image(), loaded));

    doc_.pcAct(QStringLiteral("色反転"), QStringLiteral("Blue"));
    script_->answer(util::MsgAnswer::Cancel);
    QSignalSpy files(&doc_, &PictureDocument::eStFile);
    doc_.pcOpen(1, path(QStringLiteral("a.bmp")));
    ASSERT_EQ(files.count(), 1);
    EXPECT_EQ(files.at(0).at(0).toString(), path(QStringLiteral("noext")));
}

}  // namespace
}  // namespace ximora::editor::testing
