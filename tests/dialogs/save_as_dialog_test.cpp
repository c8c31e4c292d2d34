// The save-as dialog driven through its controls offscreen; every file it writes is read back
// with the engine (depth, format, quality, interlacing, transparent colour).
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTemporaryDir>

#include "dialogs/save_as_dialog.h"
#include "editor/document/picture_document.h"
#include "editor/upce.h"
#include "editor/view/picture_view.h"
#include "engine/codecs/registry.h"
#include "engine/core/error.h"
#include "engine/core/handles.h"
#include "engine/formats/format_rules.h"
#include "engine/test_images.h"
#include "util/scripted_messages.h"

namespace ximora::dialogs {
namespace {

using engine::Image;
using engine::testing::randomImage;
using engine::testing::samePixels;
using util::ScriptedMessages;

const QString kCannotSave = QStringLiteral("画像を保存できませんでした");

QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The packed byte of a GIF's first image descriptor and its graphic control block (empty when
// the file has none).
struct GifBlocks {
    int descriptorFlags = -1;
    QByteArray control;
};
GifBlocks gifBlocks(const QByteArray& gif) {
    GifBlocks blocks;
    int at = 13;
    if (uint8_t(gif[10]) & 0x80) at += 3 << ((uint8_t(gif[10]) & 7) + 1);
    while (at < gif.size()) {
        if (uint8_t(gif[at]) == 0x2C) {
            blocks.descriptorFlags = uint8_t(gif[at + 9]);
            return blocks;
        }
        if (uint8_t(gif[at]) != 0x21) break;
        if (uint8_t(gif[at + 1]) == 0xF9) blocks.control = gif.mid(at + 3, 4);
        at += 2;
        while (at < gif.size() && gif[at] != 0) at += uint8_t(gif[at]) + 1;
        ++at;
    }
    return blocks;
}

class SaveAsDialogTest : public ::testing::Test {
  protected:
    SaveAsDialogTest() {
        auto owned = std::make_unique<ScriptedMessages>();
        msg_ = owned.get();
        guard_ = std::make_unique<util::ScopedMessages>(std::move(owned));
    }

    QString path(const QString& name) const { return dir_.filePath(name); }

    // Opens the dialog on `image`, chooses the option, answers the file dialog with `name`
    // (empty: cancelled) and presses "保存(&S)".
    void saveAs(const Image& image, spImgSV::Format format, int index, const QString& name,
                int quality = 85) {
        spImgSV dialog(image, dir_.path());
        dialog.formatOption(format, index)->setChecked(true);
        dialog.quality()->setValue(quality);
        msg_->answerPath(name.isEmpty() ? QString() : path(name));
        dialog.button(0)->click();
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_FALSE(dialog.replaced());
    }

    Image load(const QString& name, engine::FileFormat* format = nullptr) {
        Image image;
        EXPECT_TRUE(engine::loadImage(path(name).toStdString(), image, {}, format))
            << qPrintable(name);
        return image;
    }

    QTemporaryDir dir_;
    ScriptedMessages* msg_;
    std::unique_ptr<util::ScopedMessages> guard_;
};

TEST_F(SaveAsDialogTest, OpensOnUncompressedBmpAndShowsACopy) {
    const Image image = randomImage(30, 20, 24);
    spImgSV dialog(image);
    EXPECT_TRUE(dialog.formatOption(spImgSV::Bmp, 0)->isChecked());
    EXPECT_EQ(dialog.quality()->value(), 85);
    EXPECT_FALSE(dialog.actualSizeBox()->isChecked());
    EXPECT_FALSE(dialog.zoomPicture()->isEnabled());
    EXPECT_TRUE(samePixels(dialog.working(), image));
    EXPECT_EQ(dialog.choice().code, 0);
    dialog.formatOption(spImgSV::Tiff, 1)->setChecked(true);
    EXPECT_EQ(dialog.choice().code, 11);
    EXPECT_STREQ(dialog.choice().extension, "tif");

    // "実寸表示" shows actual size and lets the zoom picture zoom in (left) and out (right).
    const editor::PictureDocument* shown = dialog.preview()->GetObject();
    EXPECT_EQ(shown->scaleMode(), 1);
    dialog.actualSizeBox()->setChecked(true);
    EXPECT_EQ(shown->scaleMode(), 3);
    EXPECT_DOUBLE_EQ(shown->zoomX(), 1.0);
    QMouseEvent left(QEvent::MouseButtonPress, QPointF(2, 2), QPointF(2, 2), Qt::LeftButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(dialog.zoomPicture(), &left);
    EXPECT_DOUBLE_EQ(shown->zoomX(), 1.5);
    dialog.actualSizeBox()->setChecked(false);
    EXPECT_FALSE(dialog.zoomPicture()->isEnabled());
    EXPECT_EQ(shown->scaleMode(), 1);
}

TEST_F(SaveAsDialogTest, EachFormatGetsTheDepthItAccepts) {
    struct Case {
        int bits;
        bool grey;
        spImgSV::Format format;
        const char* name;
        int savedCode;
    };
    const Case cases[] = {
        {32, false, spImgSV::Jpeg, "a32.jpg", 24}, {24, false, spImgSV::Gif, "a24.gif", 8},
        {24, false, spImgSV::Bmp, "a24.bmp", 24},  {24, false, spImgSV::Tiff, "a24.tif", 24},
        {8, false, spImgSV::Jpeg, "a8.jpg", 24},   {8, true, spImgSV::Jpeg, "g8.jpg", 80},
        {8, false, spImgSV::Png, "a8.png", 8},     {4, false, spImgSV::Png, "a4.png", 4},
        {32, false, spImgSV::Png, "a32.png", 32},  {16, false, spImgSV::Jpeg2000, "a16.jp2", 24},
        {1, false, spImgSV::Gif, "a1.gif", 1},     {32, false, spImgSV::Fpx, "a32.fpx", 24},
        {8, true, spImgSV::Fpx, "g8.fpx", 80},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Image image = engine::test::makeImage(24, 16, engine::test::Depth{c.bits, c.grey}, 3);
        saveAs(image, c.format, 0, QString::fromUtf8(c.name));
        EXPECT_EQ(load(QString::fromUtf8(c.name)).colourCode(), c.savedCode);
    }
    // Lossless formats keep a 24-bit image exactly.
    const Image image = engine::test::makeImage(24, 16, engine::test::Depth{24, false}, 3);
    EXPECT_TRUE(samePixels(load("a24.bmp"), image));
    EXPECT_TRUE(samePixels(load("a24.tif"), image));
    saveAs(image, spImgSV::Fpx, 0, "a24.fpx");
    EXPECT_TRUE(samePixels(load("a24.fpx"), image));
    EXPECT_TRUE(msg_->messageTexts().isEmpty());
}

TEST_F(SaveAsDialogTest, QualityIsAtLeastTwentyAndProgressiveAndCodeStreamAreWritten) {
    const Image image = engine::test::makeImage(64, 48, engine::test::Depth{24, false}, 7);
    saveAs(image, spImgSV::Jpeg, 0, "q5.jpg", 5);
    saveAs(image, spImgSV::Jpeg, 0, "q100.jpg", 100);
    std::vector<uint8_t> expected;
    engine::SaveOptions options;
    options.format = engine::kSaveJpeg;
    options.jpegQuality = 20;
    ASSERT_TRUE(engine::encodeImage(image, options, expected));
    const QByteArray q5 = fileBytes(path("q5.jpg"));
    EXPECT_EQ(
        q5, QByteArray(reinterpret_cast<const char*>(expected.data()), qsizetype(expected.size())));
    EXPECT_LT(q5.size(), fileBytes(path("q100.jpg")).size());

    saveAs(image, spImgSV::Jpeg, 1, "progressive.jpg");
    EXPECT_TRUE(fileBytes(path("progressive.jpg")).contains("\xFF\xC2"));
    EXPECT_FALSE(q5.contains("\xFF\xC2"));

    // JPEG 2000: quality 100 is lossless; the second button writes a bare code stream.
    saveAs(image, spImgSV::Jpeg2000, 0, "lossless.jp2", 100);
    engine::FileFormat format{};
    EXPECT_TRUE(samePixels(load("lossless.jp2", &format), image));
    EXPECT_EQ(format, engine::FileFormat::Jp2);
    saveAs(image, spImgSV::Jpeg2000, 1, "stream.jp2", 40);
    const Image stream = load("stream.jp2", &format);
    EXPECT_EQ(format, engine::FileFormat::J2k);
    EXPECT_EQ(stream.width(), 64);
    EXPECT_LT(fileBytes(path("stream.jp2")).size(), fileBytes(path("lossless.jp2")).size());

    // FlashPix: the second button writes JPEG tiles at the slider's quality.
    saveAs(image, spImgSV::Fpx, 1, "q30.fpx", 30);
    saveAs(image, spImgSV::Fpx, 1, "q95.fpx", 95);
    EXPECT_EQ(load("q95.fpx", &format).width(), 64);
    EXPECT_EQ(format, engine::FileFormat::FlashPix);
    EXPECT_LT(fileBytes(path("q30.fpx")).size(), fileBytes(path("q95.fpx")).size());
    saveAs(image, spImgSV::Fpx, 0, "raw.fpx", 30);
    EXPECT_LT(fileBytes(path("q95.fpx")).size(), fileBytes(path("raw.fpx")).size());
}

TEST_F(SaveAsDialogTest, InterlaceButtonsSetTheFilesInterlaceFlag) {
    const Image image = randomImage(20, 20, 8);
    saveAs(image, spImgSV::Png, 0, "plain.png");
    saveAs(image, spImgSV::Png, 1, "laced.png");
    EXPECT_EQ(fileBytes(path("plain.png"))[28], 0);
    EXPECT_EQ(fileBytes(path("laced.png"))[28], 1);
    saveAs(image, spImgSV::Gif, 0, "plain.gif");
    saveAs(image, spImgSV::Gif, 1, "laced.gif");
    EXPECT_EQ(gifBlocks(fileBytes(path("plain.gif"))).descriptorFlags & 0x40, 0);
    EXPECT_EQ(gifBlocks(fileBytes(path("laced.gif"))).descriptorFlags & 0x40, 0x40);
    EXPECT_TRUE(samePixels(load("laced.gif"), image));
}

TEST_F(SaveAsDialogTest, ColourPickedOnThePreviewBecomesTheTransparentColour) {
    const Image image = randomImage(16, 12, 24, 0, 5);
    spImgSV dialog(image, dir_.path());
    dialog.formatOption(spImgSV::Gif, 0)->setChecked(true);
    // The colour is the one the picture prepared for GIF shows: one of the 256 it keeps. The
    // preview itself stays as it was.
    emit dialog.preview()->view()->imageClicked(QPointF(3.5, 2.5));
    EXPECT_EQ(dialog.working().bitsPerPixel(), 24);
    Image forGif = image;
    ASSERT_TRUE(engine::prepareForExtension(forGif, "gif", 24));
    const engine::Colour picked = forGif.pixel(3, 2);
    const int rgb = (picked.r << 16) | (picked.g << 8) | picked.b;
    EXPECT_EQ(dialog.transparentColour(), rgb);
    EXPECT_EQ(dialog.colourSample()->palette().color(QPalette::Window),
              QColor(picked.r, picked.g, picked.b));
    dialog.pickColour(QPoint(100, 100));  // outside: nothing changes
    EXPECT_EQ(dialog.transparentColour(), rgb);

    dialog.transparent()->setChecked(true);
    msg_->answerPath(path("clear.gif"));
    dialog.button(0)->click();
    const GifBlocks blocks = gifBlocks(fileBytes(path("clear.gif")));
    ASSERT_EQ(blocks.control.size(), 4);
    EXPECT_EQ(blocks.control[0] & 1, 1);
    const engine::Colour key = load("clear.gif").palette.at(uint8_t(blocks.control[3]));
    EXPECT_EQ((key.r << 16) | (key.g << 8) | key.b, rgb);

    // Picked while GIF was chosen, then saved as PNG: still 24 bits.
    spImgSV tried(image, dir_.path());
    tried.formatOption(spImgSV::Gif, 0)->setChecked(true);
    tried.pickColour(QPoint(1, 1));
    tried.formatOption(spImgSV::Png, 0)->setChecked(true);
    msg_->answerPath(path("tried.png"));
    tried.button(0)->click();
    EXPECT_EQ(fileBytes(path("tried.png"))[25], 2);  // colour type: RGB
    EXPECT_TRUE(samePixels(load("tried.png"), image));

    // PNG keeps 24 bits and writes the picked colour as its colour key; unchecked, none.
    spImgSV png(image, dir_.path());
    png.formatOption(spImgSV::Png, 0)->setChecked(true);
    png.pickColour(QPoint(0, 0));
    png.transparent()->setChecked(true);
    msg_->answerPath(path("key.png"));
    png.button(0)->click();
    const QByteArray bytes = fileBytes(path("key.png"));
    const qsizetype at = bytes.indexOf("tRNS");
    ASSERT_GT(at, 0);
    const engine::Colour first = image.pixel(0, 0);
    EXPECT_EQ(uint8_t(bytes[at + 5]), first.r);
    EXPECT_EQ(uint8_t(bytes[at + 7]), first.g);
    EXPECT_EQ(uint8_t(bytes[at + 9]), first.b);
    saveAs(image, spImgSV::Png, 0, "opaque.png");
    EXPECT_FALSE(fileBytes(path("opaque.png")).contains("tRNS"));
}

TEST_F(SaveAsDialogTest, NamesWithoutADotGetTheExtensionOthersAreKept) {
    const Image image = randomImage(8, 8, 24);
    saveAs(image, spImgSV::Png, 0, "plain");
    EXPECT_TRUE(QFile::exists(path("plain.png")));
    EXPECT_FALSE(QFile::exists(path("plain")));
    saveAs(image, spImgSV::Png, 0, "named.data");
    EXPECT_TRUE(QFile::exists(path("named.data")));
    EXPECT_EQ(load("named.data").width(), 8);
    // A name of another format gets the chosen one's extension: never PNG bytes in "x.jpg".
    saveAs(image, spImgSV::Png, 0, "other.jpg");
    EXPECT_TRUE(QFile::exists(path("other.jpg.png")));
    EXPECT_FALSE(QFile::exists(path("other.jpg")));
    saveAs(image, spImgSV::Png, 0, "phone.heic");
    EXPECT_TRUE(QFile::exists(path("phone.heic.png")));
    // A dot in a folder's name is not the file's.
    ASSERT_TRUE(QDir(dir_.path()).mkdir("v1.0"));
    saveAs(image, spImgSV::Bmp, 1, "v1.0/shot");
    EXPECT_TRUE(QFile::exists(path("v1.0/shot.bmp")));
    EXPECT_TRUE(msg_->messageTexts().isEmpty());
}

TEST_F(SaveAsDialogTest, CancelOrAFailedWriteSaysSoAndChangesNoFile) {
    const Image image = randomImage(8, 8, 24);
    saveAs(image, spImgSV::Jpeg, 0, QString());
    EXPECT_EQ(msg_->messageTexts(), QStringList{kCannotSave});
    EXPECT_TRUE(QDir(dir_.path()).entryList(QDir::Files).isEmpty());

    // A save the engine refuses (here: past the memory limit, which the 8 × 8 picture fits
    // and its FlashPix pyramid does not) leaves the file of that name as it was.
    QFile old(path("old.fpx"));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("keep");
    old.close();
    msg_->clear();
    // The budget holds for the process: the pictures the dialog holds count against it.
    engine::setMemoryLimit(engine::liveBytes() + 4000);
    msg_->answer(util::MsgAnswer::Yes);  // replace old.fpx
    saveAs(image, spImgSV::Fpx, 0, "old.fpx");
    engine::setMemoryLimit(0);
    const std::string_view memory = engine::errorText(engine::kErrMemory);
    EXPECT_EQ(msg_->messageTexts(),
              (QStringList{QStringLiteral("old.fpx は既に存在します｡\r置き換えますか"),
                           QString::fromUtf8(memory.data(), qsizetype(memory.size()))}));
    EXPECT_EQ(fileBytes(path("old.fpx")), QByteArray("keep"));

    // An unwritable folder: reported, nothing left behind.
    msg_->clear();
    saveAs(image, spImgSV::Png, 0, "missing/x.png");
    EXPECT_EQ(msg_->messageTexts().size(), 1);
    EXPECT_FALSE(QFile::exists(path("missing/x.png")));

    // Replacing a file is asked first (No keeps it), then writes the new one whole.
    msg_->clear();
    saveAs(image, spImgSV::Fpx, 0, "old.fpx");
    EXPECT_EQ(msg_->messageTexts().size(), 1);
    EXPECT_EQ(fileBytes(path("old.fpx")), QByteArray("keep"));
    msg_->answer(util::MsgAnswer::Yes);
    saveAs(image, spImgSV::Fpx, 0, "old.fpx");
    EXPECT_TRUE(samePixels(load("old.fpx"), image));
}

TEST_F(SaveAsDialogTest, ActOpensOnTheHandlesImageAndIgnoresNoHandle) {
    const Image image = randomImage(10, 6, 24);
    const int handle = engine::imageHandles().add(image);
    int opened = 0;
    msg_->onModal([&](QDialog& d) {
        auto& dialog = static_cast<spImgSV&>(d);
        ++opened;
        EXPECT_TRUE(samePixels(dialog.working(), image));
        dialog.button(1)->click();  // "閉じる"
        return dialog.QDialog::result();
    });
    spImgSV::Act(handle);
    spImgSV::Act(0);
    EXPECT_EQ(opened, 1);
    EXPECT_TRUE(msg_->messageTexts().isEmpty());
    engine::imageHandles().free(handle);
}

// The WebP row: "WebP" at the slider's quality, where 100 writes losslessly, and "WebP 可逆圧縮"
// always lossless; a palette image goes out as RGB without any conversion by the dialog.
TEST_F(SaveAsDialogTest, WebpRowWritesQualityAndLosslessFiles) {
    const Image image = engine::test::makeImage(64, 48, engine::test::Depth{24, false}, 7);
    saveAs(image, spImgSV::Webp, 0, "q50.webp", 50);
    saveAs(image, spImgSV::Webp, 0, "q100.webp", 100);
    saveAs(image, spImgSV::Webp, 1, "lossless.webp", 30);
    engine::FileFormat format{};
    const Image q50 = load("q50.webp", &format);
    EXPECT_EQ(format, engine::FileFormat::Webp);
    EXPECT_EQ(q50.width(), 64);
    EXPECT_FALSE(samePixels(q50, image));
    EXPECT_TRUE(samePixels(load("q100.webp"), image));
    EXPECT_TRUE(samePixels(load("lossless.webp"), image));
    EXPECT_LT(fileBytes(path("q50.webp")).size(), fileBytes(path("lossless.webp")).size());

    const Image palette = randomImage(20, 20, 8);
    saveAs(palette, spImgSV::Webp, 1, "palette.webp");
    EXPECT_TRUE(engine::test::sameColours(load("palette.webp"), palette));
}

}  // namespace
}  // namespace ximora::dialogs
