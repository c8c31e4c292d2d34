// Files on the clipboard as file managers exchange them, copying and moving into a folder, and
// the thumbnail window's own use of both.
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLineEdit>
#include <QMimeData>
#include <QtEndian>

#include "browser/file_clipboard.h"
#include "browser/file_transfer.h"
#include "browser/thumbnail_grid.h"
#include "browser/thumbnail_window.h"
#include "browser_fixture.h"
#include "settings/y_ini.h"
#include "support/scoped_env.h"

namespace ximora::browser::testing {
namespace {

QByteArray read(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("missing");
}

TEST(FileClipboard, CutAndCopyCarryEveryMarkerAndReadBack) {
    const QStringList paths = {"/pics/a,b.jpg", "/pics/c d.png"};  // "," and " " stay in names
    std::unique_ptr<QMimeData> copied(fileClipboardData(paths, false));
    ClipboardFiles files = clipboardFiles(copied.get());
    EXPECT_EQ(files.paths, paths);
    EXPECT_EQ(files.dropEffect, 5);
    EXPECT_TRUE(files.copies());
    EXPECT_TRUE(
        copied->data("x-special/gnome-copied-files").startsWith("copy\nfile:///pics/a,b.jpg"));

    std::unique_ptr<QMimeData> cut(fileClipboardData(paths, true));
    files = clipboardFiles(cut.get());
    EXPECT_EQ(files.dropEffect, 2);
    EXPECT_TRUE(files.moves());
    EXPECT_EQ(cut->data("application/x-kde-cutselection"), "1");
}

TEST(FileClipboard, OtherProgramsMarkersAreUnderstood) {
    QMimeData gnome;  // what GNOME's file manager writes after cut
    gnome.setData("x-special/gnome-copied-files", "cut\nfile:///home/u/x.jpg");
    EXPECT_EQ(clipboardFiles(&gnome).paths, QStringList{"/home/u/x.jpg"});
    EXPECT_TRUE(clipboardFiles(&gnome).moves());

    QMimeData kde;  // KDE: a URI list and its cut flag
    kde.setUrls({QUrl::fromLocalFile("/home/u/y.png")});
    kde.setData("application/x-kde-cutselection", "0");
    EXPECT_TRUE(clipboardFiles(&kde).copies());

    QMimeData both;  // copy and move both set counts as copy
    both.setUrls({QUrl::fromLocalFile("/z.bmp")});
    QByteArray three(4, '\0');
    qToLittleEndian<quint32>(3, three.data());
    both.setData("Preferred DropEffect", three);
    EXPECT_TRUE(clipboardFiles(&both).copies());

    QMimeData bare;  // only a URI list, as browsers and many programs offer files: a copy
    bare.setUrls({QUrl::fromLocalFile("/z.bmp")});
    EXPECT_TRUE(clipboardFiles(&bare).copies());
    QMimeData neither;  // a marker that says neither: a paste does nothing
    neither.setUrls({QUrl::fromLocalFile("/z.bmp")});
    QByteArray link(4, '\0');
    qToLittleEndian<quint32>(4, link.data());
    neither.setData("Preferred DropEffect", link);
    EXPECT_FALSE(clipboardFiles(&neither).copies() || clipboardFiles(&neither).moves());
}

using FileTransferTest = BrowserFixture;

TEST_F(FileTransferTest, CopyAndMoveAskBeforeReplacingAndNeverLoseTheSource) {
    folder("from");
    const QString to = folder("to");
    const QString a = file("from/a.jpg", 100), b = file("from/b.jpg", 200);
    file("to/b.jpg", 7);
    messages->answer(util::MsgAnswer::No);  // keep the b.jpg already there
    EXPECT_EQ(transferFiles({a, b}, to, Transfer::Copy, nullptr), 1);
    EXPECT_EQ(read(to + "/a.jpg").size(), 100);
    EXPECT_EQ(read(to + "/b.jpg").size(), 7);
    EXPECT_TRUE(QFile::exists(a));

    messages->answer(util::MsgAnswer::Yes);
    EXPECT_EQ(transferFiles({b}, to, Transfer::Move, nullptr), 1);
    EXPECT_EQ(read(to + "/b.jpg").size(), 200);
    EXPECT_FALSE(QFile::exists(b));

    messages->answer(util::MsgAnswer::Cancel);  // stops before anything happens
    EXPECT_EQ(transferFiles({a}, to, Transfer::Move, nullptr), 0);
    EXPECT_TRUE(QFile::exists(a));
    EXPECT_EQ(QDir(to).entryList(QDir::Files | QDir::Hidden).size(), 2);  // no temporary left

    // Copied into its own folder: the next free "~NN" name; moved there: nothing to do.
    file("from/a~01.jpg", 1);
    EXPECT_EQ(transferFiles({a}, root + "/from", Transfer::Copy, nullptr), 1);
    EXPECT_EQ(read(root + "/from/a~02.jpg").size(), 100);
    EXPECT_EQ(transferFiles({a}, root + "/from", Transfer::Move, nullptr), 0);
    EXPECT_TRUE(QFile::exists(a));
    // From a missing file: said, and nothing made.
    messages->clear();
    EXPECT_EQ(transferFiles({root + "/none.jpg"}, to, Transfer::Copy, nullptr), 0);
    EXPECT_EQ(messages->messageTexts().size(), 1);
    EXPECT_FALSE(QFile::exists(to + "/none.jpg"));
}

TEST_F(FileTransferTest, FoldersTravelWholeAndProgressNamesEachItem) {
    const QString to = folder("to");
    folder("album/inner");
    file("album/one.jpg", 10);
    file("album/inner/two.jpg", 20);
    ASSERT_EQ(transferFiles({root + "/album"}, to, Transfer::Copy, nullptr), 1);
    EXPECT_EQ(read(to + "/album/one.jpg").size(), 10);
    EXPECT_EQ(read(to + "/album/inner/two.jpg").size(), 20);
    // Copied beside itself, the folder gets a "~NN" name; pasted into itself, it is refused.
    ASSERT_EQ(transferFiles({root + "/album"}, root, Transfer::Copy, nullptr), 1);
    EXPECT_EQ(read(root + "/album~01/inner/two.jpg").size(), 20);
    messages->clear();
    EXPECT_EQ(transferFiles({root + "/album"}, root + "/album/inner", Transfer::Copy, nullptr), 0);
    EXPECT_EQ(messages->messageTexts().size(), 1);
    EXPECT_FALSE(QFile::exists(root + "/album/inner/album"));
    // Moved: the whole folder, and nothing stays behind.
    const QString moved = folder("moved");
    ASSERT_EQ(transferFiles({root + "/album~01"}, moved, Transfer::Move, nullptr), 1);
    EXPECT_EQ(read(moved + "/album~01/one.jpg").size(), 10);
    EXPECT_FALSE(QFile::exists(root + "/album~01"));

    EXPECT_EQ(transferProgressText(Transfer::Copy, "a.jpg", 2, 5),
              "複写しています... a.jpg (2 / 5)");
    EXPECT_EQ(transferProgressText(Transfer::Move, "b.jpg", 1, 1),
              "移動しています... b.jpg (1 / 1)");
}

class ThumbnailWindowTest : public BrowserFixture {
  protected:
    void SetUp() override {
        BrowserFixture::SetUp();
        settings::setYIni(std::make_unique<settings::YIni>(userData));
    }
    void TearDown() override {
        settings::releaseYIni();
        BrowserFixture::TearDown();
    }
};

TEST_F(ThumbnailWindowTest, DoubleClickHandsTheFileBackAndTheLayoutIsKept) {
    const QString pics = folder("set");
    image("set/one.png");
    image("set/two.png");
    messages->onModal([](QDialog& dialog) { return int(dialog.result()); });
    EXPECT_TRUE(spTmS::Act(nullptr, pics).isEmpty());  // closed without a double click

    spTmS window(nullptr, pics);
    window.show();
    ASSERT_EQ(window.grid()->count(), 2);
    EXPECT_EQ(window.columnsBox()->text(), "3");
    EXPECT_EQ(window.sizeBox()->text(), "200");
    window.sizeBox()->setText("120");
    window.namesBox()->setChecked(true);
    window.apply();  // lists again with the cache file of the new size
    EXPECT_EQ(window.grid()->thumbnailSize(), 120);
    EXPECT_TRUE(window.grid()->cacheFile().endsWith("120.Dat"));
    window.grid()->thumbnails().waitUntilDone();
    emit window.grid()->itemActivated(pics + "/", "two.png", 2);
    EXPECT_EQ(window.chosen(), pics + "/two.png");
    EXPECT_FALSE(window.isVisible());

    spTmS again(nullptr, pics);  // the layout came back from the settings
    EXPECT_EQ(again.sizeBox()->text(), "120");
    EXPECT_TRUE(again.namesBox()->isChecked());
}

TEST_F(ThumbnailWindowTest, CopyHereAndPasteThereThenDeleteTakesVanishedItemsOut) {
    const QString from = folder("from"), to = folder("to");
    image("from/a,b.png");
    image("to/x.png");
    spTmS source(nullptr, from);
    source.show();
    QApplication::clipboard()->setText("before");
    source.runFileCommand("ｺﾋﾟｰ");  // nothing selected: the clipboard stays as it was
    EXPECT_EQ(QApplication::clipboard()->text(), "before");
    source.grid()->selectItem(1);
    source.runFileCommand("ｺﾋﾟｰ");

    spTmS target(nullptr, to);
    target.show();
    target.grid()->selectItem(1);
    target.runFileCommand("貼り付け");
    EXPECT_TRUE(QFile::exists(to + "/a,b.png"));
    EXPECT_TRUE(QFile::exists(from + "/a,b.png"));
    EXPECT_EQ(target.grid()->count(), 2);

    // An empty folder receives a paste, with nothing selected.
    spTmS empty(nullptr, folder("empty"));
    empty.show();
    empty.runFileCommand("貼り付け");
    EXPECT_TRUE(QFile::exists(root + "/empty/a,b.png"));
    EXPECT_EQ(empty.grid()->count(), 1);

    // The trash of a scratch home, not the user's.
    const ScopedEnv data("XDG_DATA_HOME", QFile::encodeName(root + "/../data"));
    messages->answer(util::MsgAnswer::Yes);  // the move to the trash is confirmed
    const int before = source.grid()->count();
    source.grid()->selectItem(1);
    source.runFileCommand("削除");
    EXPECT_FALSE(QFile::exists(from + "/a,b.png"));
    EXPECT_EQ(source.grid()->count(), before - 1);
}

}  // namespace
}  // namespace ximora::browser::testing
