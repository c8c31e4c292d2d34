// Saving and naming: overwrite, names without extension, selection-only saves, copies under
// "~NN", serial copies, the JPEG quality prompt and failed saves.
#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <QSignalSpy>

#include "editor/document/picture_facts.h"
#include "editor/document/save_naming.h"
#include "editor_fixture.h"
#include "platform/file_names.h"
#include "support/multi_page_files.h"
#include "util/shared_values.h"

namespace ximora::editor::testing {
namespace {

QByteArray bytesOf(const QString& file) {
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void touch(const QString& file) {
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
}

TEST_F(DocumentTest, CopyNamesCountOnFromTheLastTilde) {
    touch(path(QStringLiteral("cat~07.jpg")));
    EXPECT_EQ(nextCopyName(path(QStringLiteral("cat~07.jpg"))), path(QStringLiteral("cat~08.jpg")));
    touch(path(QStringLiteral("cat~08.jpg")));
    EXPECT_EQ(nextCopyName(path(QStringLiteral("cat~07.jpg"))), path(QStringLiteral("cat~09.jpg")));
    EXPECT_EQ(nextCopyName(path(QStringLiteral("dog.PNG"))), path(QStringLiteral("dog~01.png")));
    EXPECT_EQ(nextCopyName(path(QStringLiteral("noext"))), QString());
    touch(path(QStringLiteral("x~100.bmp")));
    EXPECT_EQ(nextCopyName(path(QStringLiteral("x~99.bmp"))), QString());  // gives up at 100
}

TEST_F(DocumentTest, SerialNamesFollowTheLargestNumber) {
    const QString folder = path(QStringLiteral("Temp/"));
    QDir().mkpath(folder);
    EXPECT_EQ(nextSerialName(folder), folder + QStringLiteral("00000.bmp"));
    touch(folder + QStringLiteral("00003.bmp"));
    touch(folder + QStringLiteral("00010.bmp"));
    touch(folder + QStringLiteral("notes.bmp"));
    EXPECT_EQ(nextSerialName(folder), folder + QStringLiteral("00011.bmp"));
}

TEST_F(DocumentTest, CopyAsNewWritesBesideAndKeepsTheCurrentPath) {
    const engine::Image original = open(12, 8, 24, QStringLiteral("cat~07.bmp"));
    QSignalSpy files(&doc_, &PictureDocument::eStFile);
    doc_.pcAct(QStringLiteral("ﾌｧｲﾙ"), QStringLiteral("複写して新規"));
    ASSERT_TRUE(QFileInfo::exists(path(QStringLiteral("cat~08.bmp"))));
    EXPECT_TRUE(engine::testing::samePixels(read(path(QStringLiteral("cat~08.bmp"))), original));
    EXPECT_EQ(doc_.file(), path(QStringLiteral("cat~07.bmp")));
    ASSERT_EQ(files.count(), 1);
    EXPECT_EQ(files.at(0).at(0).toString(), path(QStringLiteral("cat~08.bmp")));

    PictureDocument untitled;
    untitled.pcAct(QStringLiteral("ﾌｧｲﾙ"), QStringLiteral("複写して新規"));
    EXPECT_EQ(script_->messageTexts().last(), QStringLiteral("複写して新規できませんでした"));
}

TEST_F(DocumentTest, SerialCopyBecomesTheCurrentFile) {
    util::shared().sUsrDir = dir_.path() + '/';
    open(6, 6);
    doc_.pcAct(QStringLiteral("ﾌｧｲﾙ"), QStringLiteral("連番をつけて保存"));
    EXPECT_EQ(doc_.file(), path(QStringLiteral("Temp/00000.bmp")));
    doc_.pcAct(QStringLiteral("ﾌｧｲﾙ"), QStringLiteral("連番をつけて作業ﾌｫﾙﾀﾞに複写"));
    EXPECT_EQ(doc_.file(), path(QStringLiteral("Temp/00001.bmp")));
    util::shared().sUsrDir.clear();
}

TEST_F(DocumentTest, DefaultExtensionIsAppendedAndRemembered) {
    open(6, 6);
    QString name = path(QStringLiteral("plain"));
    ASSERT_TRUE(doc_.pcSaveAs(name, false, false));
    EXPECT_EQ(name, path(QStringLiteral("plain.bmp")));
    EXPECT_EQ(script_->messageTexts().last(),
              QStringLiteral("拡張子が指定されなかったので､bmpを使用しました"));
    name = path(QStringLiteral("upper.BMP"));
    ASSERT_TRUE(doc_.pcSaveAs(name, false, false));
    EXPECT_EQ(name, path(QStringLiteral("upper.bmp")));
    EXPECT_EQ(doc_.defaultExtension(), QStringLiteral("bmp"));
    EXPECT_TRUE(QFileInfo::exists(path(QStringLiteral("upper.bmp"))));
}

TEST_F(DocumentTest, SelectionOnlySaveWritesTheSelection) {
    const engine::Image original = open(30, 20);
    doc_.setSelection({4, 5, 14, 11});
    QString name = path(QStringLiteral("part.bmp"));
    ASSERT_TRUE(doc_.pcSaveAs(name, true, false));
    const engine::Image part = read(name);
    EXPECT_EQ(part.width(), 10);
    EXPECT_EQ(part.height(), 6);
    EXPECT_EQ(part.pixel(0, 0), original.pixel(4, 5));
    EXPECT_EQ(doc_.image().width(), 30);  // the visible image stays whole
    EXPECT_EQ(doc_.file(), name);
    EXPECT_EQ(doc_.editState(), kStateLoaded);
}

TEST_F(DocumentTest, OverwriteSavesAndAFailedSaveChangesNothing) {
    open(10, 10);
    doc_.pcAct(QStringLiteral("回転"), QStringLiteral("右90度"));
    doc_.pcAct(QStringLiteral("ﾌｧｲﾙ"), QStringLiteral("上書き保存"));
    EXPECT_EQ(doc_.editState(), kStateLoaded);
    EXPECT_TRUE(engine::testing::samePixels(read(path(QStringLiteral("a.bmp"))), doc_.image()));

    // A save the engine refuses (here: past the memory limit, which the picture fits and its
    // FlashPix pyramid does not): the old file and the edited document stay as they were.
    QFile::copy(path(QStringLiteral("a.bmp")), path(QStringLiteral("b.fpx")));
    doc_.pcOpen(0, path(QStringLiteral("b.fpx")));
    const QByteArray before = bytesOf(path(QStringLiteral("b.fpx")));
    doc_.pcAct(QStringLiteral("回転"), QStringLiteral("左右反転"));
    const engine::Image edited = doc_.image();
    script_->clear();
    const uint64_t limit = engine::memoryLimit();
    engine::setMemoryLimit(500);
    doc_.pcAct(QStringLiteral("ﾌｧｲﾙ"), QStringLiteral("上書き保存"));
    engine::setMemoryLimit(limit);
    EXPECT_EQ(script_->messageTexts(), QStringList{QStringLiteral("ﾒﾓﾘｴﾗｰが発生しました")});
    EXPECT_EQ(bytesOf(path(QStringLiteral("b.fpx"))), before);
    EXPECT_EQ(doc_.editState(), kStateEdited);
    EXPECT_TRUE(engine::testing::samePixels(doc_.image(), edited));
    EXPECT_EQ(QDir(path(QString())).entryList(QDir::Files).size(), 2);  // no leftovers
}

TEST_F(DocumentTest, AMultiPageFileSaysSoAndLosesPagesOnlyWhenTheUserAgrees) {
    const QString gif = path(QStringLiteral("anim.gif"));
    const auto frames = ximora::test::animatedGif(3);
    QFile file(gif);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(reinterpret_cast<const char*>(frames.data()), qsizetype(frames.size()));
    file.close();
    QSignalSpy facts(&doc_, &PictureDocument::eStPcTyp);
    doc_.pcOpen(0, gif);
    ASSERT_TRUE(doc_.hasImage());
    EXPECT_EQ(filePages(gif), 3);
    ASSERT_FALSE(facts.isEmpty());
    EXPECT_TRUE(facts.last().at(2).toString().endsWith(QStringLiteral("  ﾍﾟｰｼﾞ数:3")));

    // Overwriting after an edit asks first; No keeps every page.
    doc_.pcAct(QStringLiteral("回転"), QStringLiteral("左右反転"));
    script_->clear();
    script_->answer(util::MsgAnswer::No);
    doc_.pcAct(QStringLiteral("ﾌｧｲﾙ"), QStringLiteral("上書き保存"));
    EXPECT_EQ(script_->messageTexts(),
              QStringList{QStringLiteral("このﾌｧｲﾙには3ﾍﾟｰｼﾞありますが､上書きすると1ﾍﾟｰｼﾞ目"
                                         "だけになります｡上書きしますか")});
    EXPECT_EQ(bytesOf(gif).size(), qsizetype(frames.size()));

    // Yes writes the one page; the file and the info line say one page from then on.
    doc_.pcAct(QStringLiteral("回転"), QStringLiteral("左右反転"));
    script_->answer(util::MsgAnswer::Yes);
    doc_.pcAct(QStringLiteral("ﾌｧｲﾙ"), QStringLiteral("上書き保存"));
    EXPECT_EQ(filePages(gif), 1);
    EXPECT_EQ(read(gif).width(), 5);
    EXPECT_FALSE(facts.last().at(2).toString().contains(QStringLiteral("ﾍﾟｰｼﾞ")));
}

TEST_F(DocumentTest, SaveQuestionByUpdateMode) {
    open(8, 8);
    doc_.pcAct(QStringLiteral("色反転"), QStringLiteral("全て"));
    script_->answer(util::MsgAnswer::Cancel);
    EXPECT_EQ(doc_.vCheckSave(), PictureDocument::SaveAnswer::Cancel);
    EXPECT_EQ(doc_.editState(), kStateEdited);
    script_->answer(util::MsgAnswer::No);
    EXPECT_EQ(doc_.vCheckSave(), PictureDocument::SaveAnswer::No);
    EXPECT_EQ(doc_.editState(), kStateLoaded);

    const QByteArray before = bytesOf(path(QStringLiteral("a.bmp")));
    doc_.pcAct(QStringLiteral("明度"), QStringLiteral("明るく"));
    doc_.pcAct(QStringLiteral("編集更新"), QStringLiteral("確認無"));
    script_->clear();
    EXPECT_EQ(doc_.vCheckSave(), PictureDocument::SaveAnswer::No);
    EXPECT_TRUE(script_->calls().empty());
    EXPECT_EQ(bytesOf(path(QStringLiteral("a.bmp"))), before);
    doc_.pcAct(QStringLiteral("編集更新"), QStringLiteral("自動更新"));
    EXPECT_EQ(doc_.vCheckSave(), PictureDocument::SaveAnswer::Yes);
    EXPECT_NE(bytesOf(path(QStringLiteral("a.bmp"))), before);
}

TEST_F(DocumentTest, EachFormatGetsTheColourDepthItAccepts) {
    struct Case {
        int bits;
        const char* name;
        int savedCode;
    };
    const Case cases[] = {{8, "k.png", 8}, {8, "k.jpg", 24},  {24, "k.gif", 8}, {24, "k.png", 24},
                          {1, "k.pcx", 1}, {16, "k.png", 24}, {16, "k.bmp", 16}};
    for (const Case& c : cases) {
        open(12, 10, c.bits);
        QString name = path(QString::fromUtf8(c.name));
        ASSERT_TRUE(doc_.pcSaveAs(name, false, false)) << c.name;
        EXPECT_EQ(read(name).colourCode(), c.savedCode) << c.bits << " " << c.name;
        EXPECT_EQ(doc_.colourCode(), QString::number(c.savedCode) + '.') << c.name;
    }
}

TEST_F(DocumentTest, OverwriteKeepsAnUpperCaseExtension) {
    open(6, 6, 24, QStringLiteral("UP.BMP"));
    doc_.pcAct(QStringLiteral("回転"), QStringLiteral("左右反転"));
    doc_.pcAct(QStringLiteral("ﾌｧｲﾙ"), QStringLiteral("上書き保存"));
    EXPECT_EQ(doc_.file(), path(QStringLiteral("UP.BMP")));
    EXPECT_FALSE(QFileInfo::exists(path(QStringLiteral("UP.bmp"))));
    EXPECT_TRUE(engine::testing::samePixels(read(path(QStringLiteral("UP.BMP"))), doc_.image()));
}

TEST_F(DocumentTest, AnOverwriteWritesTheFormatTheNameSays) {
    // Each name in any letter case, saved over after an edit, keeps the format its name says.
    const struct {
        const char* name;
        engine::FileFormat format;
    } cases[] = {{"p.jpeg", engine::FileFormat::Jpeg}, {"p.JPE", engine::FileFormat::Jpeg},
                 {"p.Jfif", engine::FileFormat::Jpeg}, {"p.tiff", engine::FileFormat::Tiff},
                 {"p.TIFF", engine::FileFormat::Tiff}, {"p.JPG", engine::FileFormat::Jpeg}};
    for (const auto& c : cases) {
        const QString name = path(QString::fromUtf8(c.name));
        engine::Image picture = engine::testing::randomImage(16, 12, 24);
        engine::SaveOptions options;
        options.format =
            c.format == engine::FileFormat::Jpeg ? engine::kSaveJpeg : engine::kSaveTiff;
        ASSERT_TRUE(engine::saveImage(QFile::encodeName(name).toStdString(), picture, options));
        doc_.pcOpen(0, name);
        doc_.pcAct(QStringLiteral("回転"), QStringLiteral("右90度"));
        doc_.pcAct(QStringLiteral("ﾌｧｲﾙ"), QStringLiteral("上書き保存"));
        EXPECT_EQ(doc_.editState(), kStateLoaded) << c.name;
        const QByteArray bytes = bytesOf(name);
        EXPECT_EQ(engine::detectFormat(reinterpret_cast<const uint8_t*>(bytes.constData()),
                                       size_t(bytes.size())),
                  c.format)
            << c.name;
        EXPECT_EQ(read(name).width(), 12) << c.name;
    }
}

TEST_F(DocumentTest, TheCloseQuestionSavesAPictureWithoutAFileUnderANewName) {
    open(8, 8);
    doc_.takeImage(engine::testing::randomImage(9, 7, 24));  // pasted: no file
    doc_.pcAct(QStringLiteral("回転"), QStringLiteral("右90度"));
    ASSERT_EQ(doc_.editState(), kStateEdited);
    ASSERT_TRUE(doc_.file().isEmpty());

    // Without a window no name can be asked for: the close is refused, nothing is lost.
    script_->answer(util::MsgAnswer::Yes);
    EXPECT_EQ(doc_.vCheckSave(), PictureDocument::SaveAnswer::Cancel);
    EXPECT_EQ(doc_.editState(), kStateEdited);
}

// A read-only file is not replaced by "上書き保存" without a question; No keeps it.
TEST_F(DocumentTest, AReadOnlyFileIsAskedAbout) {
    open(8, 6);
    const QString file = path(QStringLiteral("a.bmp"));
    QFile::setPermissions(file, QFile::ReadOwner | QFile::ReadGroup);
    const QByteArray before = bytesOf(file);
    doc_.pcAct(QStringLiteral("回転"), QStringLiteral("右90度"));
    script_->clear();
    doc_.pcAct(QStringLiteral("ﾌｧｲﾙ"), QStringLiteral("上書き保存"));
    EXPECT_EQ(script_->messageTexts(),
              QStringList{QStringLiteral("このﾌｧｲﾙは読み取り専用です｡上書きしますか")});
    EXPECT_EQ(bytesOf(file), before);
    EXPECT_EQ(doc_.editState(), kStateEdited);
    script_->answer(util::MsgAnswer::Yes);
    doc_.pcAct(QStringLiteral("ﾌｧｲﾙ"), QStringLiteral("上書き保存"));
    EXPECT_EQ(read(file).width(), 6);
    EXPECT_FALSE(QFileInfo(file).permissions() & QFile::WriteOwner);
}

// A picture whose file name is Shift-JIS (from a Windows disk) opens, and is saved over by its
// bytes, not under another name.
TEST_F(DocumentTest, AShiftJisNameIsOpenedAndSavedByItsBytes) {
    const QByteArray bytes = QFile::encodeName(dir_.path()) + "/\x83\x65\x83\x58\x83\x67.bmp";
    ASSERT_TRUE(engine::saveImage(bytes.toStdString(), engine::testing::randomImage(6, 4, 24), {}));
    doc_.pcOpen(0, platform::decodePath(bytes));
    ASSERT_TRUE(doc_.hasImage());
    doc_.pcAct(QStringLiteral("回転"), QStringLiteral("右90度"));
    doc_.pcAct(QStringLiteral("ﾌｧｲﾙ"), QStringLiteral("上書き保存"));
    engine::Image back;
    ASSERT_TRUE(engine::loadImage(bytes.toStdString(), back));
    EXPECT_EQ(back.width(), 4);
    ::unlink(bytes.constData());  // Qt's clean-up of the folder cannot name it
}

}  // namespace
}  // namespace ximora::editor::testing
