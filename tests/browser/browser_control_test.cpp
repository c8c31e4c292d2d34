#include <sys/stat.h>
#include <unistd.h>
#include <QApplication>
#include <QFocusEvent>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include "browser/file_list.h"
#include "browser/file_transfer.h"
#include "browser/thumbnail_grid.h"
#include "browser/utrp.h"
#include "browser_fixture.h"
#include "engine/codecs/registry.h"
#include "engine/test_images.h"
#include "platform/file_names.h"
#include "util/shared_values.h"
#include "util/usr.h"

namespace ximora::browser::testing {
namespace {

using BrowserControlTest = BrowserFixture;

QStringList names(const FileList* list) {
    QStringList texts;
    for (int i = 0; i < list->topLevelItemCount(); ++i) texts << list->topLevelItem(i)->text(0);
    return texts;
}

TEST_F(BrowserControlTest, FileListItemsHaveKeysSizesAndDates) {
    file("big.jpg", 1234567);
    file("small.BMP", 7);
    file("notes.txt", 5);
    file(".hidden.png", 5);
    file("x.PG", 3);  // "PG" occurs inside the filter text
    struct utimbuf times {};
    times.actime = times.modtime = QDateTime(QDate(2009, 3, 4), QTime(12, 0)).toSecsSinceEpoch();
    utime(QFile::encodeName(root + "/big.jpg").constData(), &times);

    uTrP control;
    control.cOn(root, root, false, QString());
    const FileList* list = control.fileList();
    ASSERT_EQ(names(list), (QStringList{"big.jpg", "small.BMP", "x.PG"}));
    EXPECT_EQ(FileList::key(list->topLevelItem(0)), "F0001");
    EXPECT_EQ(FileList::key(list->topLevelItem(2)), "F0003");
    EXPECT_EQ(list->topLevelItem(0)->text(1), "1,234,567");
    EXPECT_EQ(list->topLevelItem(1)->text(1), "7");
    EXPECT_EQ(list->topLevelItem(0)->text(2), "09/03/04");
    EXPECT_EQ(list->headerItem()->text(0), "名前");
    EXPECT_EQ(list->headerItem()->text(1), "ｻｲｽﾞ");
    EXPECT_EQ(list->headerItem()->text(2), "更新日時");
    EXPECT_EQ(formatSize(0), "0");
    EXPECT_EQ(formatSize(1000), "1,000");
}

TEST_F(BrowserControlTest, ChildrenCarryTheirFixedNames) {
    uTrP control;
    for (const char* name : {"Drive1", "cmFld", "trView", "lsFile", "IkThmb", "Timer1", "Splitter",
                             "pDrive", "pFld", "pDir", "pFile"})
        EXPECT_NE(control.findChild<QObject*>(name), nullptr) << name;
    EXPECT_EQ(control.timer()->interval(), 1000);
    EXPECT_FALSE(control.timer()->isActive());
}

TEST_F(BrowserControlTest, ChoosingReportsOnceAndEnterOnlyModeWaitsForEnter) {
    image("a.png");
    image("b.png");
    uTrP control;
    control.cOn(root, root, false, QString());
    QSignalSpy chosen(&control, &uTrP::eSlcFile);
    FileList* list = control.fileList();

    list->setCurrentItem(list->topLevelItem(1));  // an arrow key or a click
    ASSERT_EQ(chosen.size(), 1);
    EXPECT_EQ(chosen[0][0].toString(), root + "/b.png");
    emit list->itemClicked(list->topLevelItem(1), 0);  // the click notification of the same
    EXPECT_EQ(chosen.size(), 1);

    control.setSlcEnt(true);
    list->setCurrentItem(list->topLevelItem(0));
    EXPECT_EQ(chosen.size(), 1);
    QTest::keyClick(list, Qt::Key_Return);
    ASSERT_EQ(chosen.size(), 2);
    EXPECT_EQ(chosen[1][0].toString(), root + "/a.png");

    QSignalSpy deleted(&control, &uTrP::eDelKeyF);
    QTest::keyClick(list, Qt::Key_Delete);
    EXPECT_EQ(deleted.size(), 1);

    util::shared().bSuppress = true;  // the program's own changes raise nothing
    control.setSlcEnt(false);
    list->setCurrentItem(list->topLevelItem(1));
    EXPECT_EQ(chosen.size(), 2);
    util::shared().bSuppress = false;
}

TEST_F(BrowserControlTest, StartFileIsSelectedAndReported) {
    image("a.png");
    image("b.png");
    uTrP control;
    QSignalSpy chosen(&control, &uTrP::eSlcFile);
    // The host's start holds the suppression flag; the start file is selected all the same.
    util::shared().bSuppress = true;
    control.cOn(root, root, true, root + "/b.png");
    EXPECT_TRUE(util::shared().bSuppress);
    util::shared().bSuppress = false;
    ASSERT_EQ(chosen.size(), 1);
    EXPECT_EQ(chosen[0][0].toString(), root + "/b.png");
    EXPECT_EQ(control.iGetFls(), 1);

    // In thumbnail mode the start file becomes the current thumbnail: the next one follows it.
    control.setShwThmb(true);
    chosen.clear();
    util::shared().bSuppress = true;
    control.cOn(root, root, false, root + "/a.png");
    util::shared().bSuppress = false;
    control.MoveNxt(1);
    ASSERT_EQ(chosen.size(), 2);
    EXPECT_EQ(chosen[0][0].toString(), root + "/a.png");
    EXPECT_EQ(chosen[1][0].toString(), root + "/b.png");
    control.grid()->thumbnails().waitUntilDone();
}

TEST_F(BrowserControlTest, MoveNextWrapsAroundInTheList) {
    for (const char* name : {"1.png", "2.png", "3.png"}) image(name);
    uTrP control;
    control.cOn(root, root, false, root + "/1.png");
    QSignalSpy chosen(&control, &uTrP::eSlcFile);
    control.MoveNxt(-1);
    control.MoveNxt(1);
    control.MoveNxt(1);
    ASSERT_EQ(chosen.size(), 3);
    EXPECT_EQ(chosen[0][0].toString(), root + "/3.png");
    EXPECT_EQ(chosen[1][0].toString(), root + "/1.png");
    EXPECT_EQ(chosen[2][0].toString(), root + "/2.png");
}

TEST_F(BrowserControlTest, MoveNextWrapsAroundInTheThumbnails) {
    for (const char* name : {"1.png", "2.png", "3.png"}) image(name);
    uTrP control;
    control.cOn(root, root, false, QString());
    control.setShwThmb(true);
    ASSERT_EQ(control.grid()->count(), 3);
    QSignalSpy chosen(&control, &uTrP::eSlcFile);
    control.grid()->selectItem(1);  // the user picks the first thumbnail
    control.MoveNxt(-1);
    control.MoveNxt(1);
    ASSERT_EQ(chosen.size(), 3);
    EXPECT_EQ(chosen[0][0].toString(), root + "/1.png");
    EXPECT_EQ(chosen[1][0].toString(), root + "/3.png");
    EXPECT_EQ(chosen[2][0].toString(), root + "/1.png");
    control.grid()->thumbnails().waitUntilDone();
}

TEST_F(BrowserControlTest, UpAndDownInTheThumbnailsMoveByARow) {
    for (const char* name : {"1.png", "2.png", "3.png", "4.png", "5.png"}) image(name);
    uTrP control;
    control.cOn(root, root, false, QString());
    control.setShwThmb(true);
    ThumbnailGrid* grid = control.grid();
    grid->setColumns(2);
    grid->selectItem(1);
    QSignalSpy chosen(&control, &uTrP::eSlcFile);
    QFocusEvent focusIn(QEvent::FocusIn);  // as when the user clicks into the grid
    QApplication::sendEvent(grid, &focusIn);
    ASSERT_EQ(control.focusedPart(), "IkThmb");
    QTest::keyClick(grid, Qt::Key_Down);
    ASSERT_EQ(chosen.size(), 1);
    EXPECT_EQ(chosen[0][0].toString(), root + "/3.png");
    EXPECT_TRUE(grid->isSelected(3));
    QTest::keyClick(grid, Qt::Key_Up);
    ASSERT_EQ(chosen.size(), 2);
    EXPECT_EQ(chosen[1][0].toString(), root + "/1.png");

    control.setSlcEnt(true);  // open on Enter only: the keys only scroll
    QTest::keyClick(grid, Qt::Key_Down);
    EXPECT_EQ(chosen.size(), 2);
    EXPECT_TRUE(grid->isSelected(1));
    grid->thumbnails().waitUntilDone();
}

TEST_F(BrowserControlTest, SelectedOrAllFiles) {
    for (const char* name : {"a.png", "b.png", "c.png"}) image(name);
    uTrP control;
    control.cOn(root, root, true, QString());
    FileList* list = control.fileList();
    list->topLevelItem(0)->setSelected(true);
    list->topLevelItem(2)->setSelected(true);
    EXPECT_EQ(control.iGetFls(), 2);
    EXPECT_EQ(control.sGetFls(), root + "/a.png\t" + root + "/c.png");
    EXPECT_EQ(control.sGetFls(true), control.sGetFls());
    EXPECT_EQ(control.sGetFls(false), root + "/a.png\t" + root + "/b.png\t" + root + "/c.png");

    list->clearSelection();
    EXPECT_EQ(control.sGetFls(), "");  // nothing selected: nothing to delete

    control.setShwThmb(true);
    control.grid()->selectItem(2);
    EXPECT_EQ(control.iGetFls(), 1);
    EXPECT_EQ(control.sGetFls(), root + "/b.png");
    EXPECT_EQ(control.sGetFls(false).count('\t'), 2);
    control.grid()->thumbnails().waitUntilDone();
}

TEST_F(BrowserControlTest, AfterDeleteReportsTheNeighbourOnceAndNothingWhenEmpty) {
    image("a.png");
    image("b.png");
    uTrP control;
    control.cOn(root, root, false, root + "/b.png");
    QSignalSpy chosen(&control, &uTrP::eSlcFile);
    QFile::remove(root + "/b.png");
    control.AftDel();
    ASSERT_EQ(chosen.size(), 1);
    EXPECT_EQ(chosen[0][0].toString(), root + "/a.png");
    QFile::remove(root + "/a.png");
    control.AftDel();
    EXPECT_EQ(control.fileList()->topLevelItemCount(), 0);
    EXPECT_EQ(chosen.size(), 1);
}

TEST_F(BrowserControlTest, AfterDeleteInTheThumbnailsReportsTheNeighbour) {
    for (const char* name : {"1.png", "2.png", "3.png"}) image(name);
    uTrP control;
    control.cOn(root, root, false, QString());
    control.setShwThmb(true);
    control.grid()->selectItem(3);
    QSignalSpy chosen(&control, &uTrP::eSlcFile);
    QFile::remove(root + "/3.png");
    control.AftDel();
    ASSERT_EQ(chosen.size(), 1);
    EXPECT_EQ(chosen[0][0].toString(), root + "/2.png");
    EXPECT_EQ(control.grid()->count(), 2);
    control.grid()->thumbnails().waitUntilDone();
}

TEST_F(BrowserControlTest, ColumnWidthsAndTreeHeightInTwips) {
    uTrP control;
    control.resize(300, 700);
    control.show();
    control.setDirHi(3000);  // 200 pixels at 96 dots per inch
    EXPECT_EQ(control.DirHi(), 3000);
    control.setDirHi(0);
    EXPECT_EQ(control.DirHi(), 3000);
    control.resize(300, 900);  // the locked tree keeps its height
    QApplication::sendPostedEvents();
    EXPECT_EQ(control.DirHi(), 3000);

    EXPECT_TRUE(control.setSClWds("1500/750/1200"));
    EXPECT_EQ(control.sClWds(), "1500/750/1200");
    EXPECT_TRUE(control.setSClWds(""));
    EXPECT_FALSE(control.setSClWds("1500/750"));
    EXPECT_EQ(control.sClWds(), "1500/750/1200");
}

TEST_F(BrowserControlTest, RightButtonTellsTreeFromFileArea) {
    uTrP control;
    control.cOn(root, root, false, QString());
    QSignalSpy clicks(&control, &uTrP::eRClick);
    QTest::mousePress(control.tree()->viewport(), Qt::RightButton);
    QTest::mousePress(control.fileList()->viewport(), Qt::RightButton);
    ASSERT_EQ(clicks.size(), 2);
    EXPECT_TRUE(clicks[0][0].toBool());
    EXPECT_FALSE(clicks[1][0].toBool());
}

TEST_F(BrowserControlTest, NamesThatAreNotUtf8AreShownAndReportedWithoutHarm) {
    const QByteArray raw = QFile::encodeName(root) + "/bad\xff.png";
    FILE* out = fopen(raw.constData(), "wb");
    ASSERT_NE(out, nullptr);
    fputs("not an image", out);
    fclose(out);
    uTrP control;
    control.cOn(root, root, false, QString());
    ASSERT_EQ(control.fileList()->topLevelItemCount(), 1);
    EXPECT_EQ(control.fileList()->topLevelItem(0)->text(0),
              QString::fromUtf8("bad\xef\xbf\xbd.png"));
    control.setShwThmb(true);
    control.grid()->thumbnails().waitUntilDone();
    EXPECT_EQ(control.grid()->thumbnails().state(0), ThumbnailSet::State::Failed);
    unlink(raw.constData());  // Qt could not name it to clean up the scratch folder
}

// A file whose name is Shift-JIS (from a Windows disk) is listed readably and reported with its
// bytes, so that the editor opens it; copying, moving and deleting reach it too.
TEST_F(BrowserControlTest, AShiftJisNameIsListedReadablyAndReachedByItsBytes) {
    const QByteArray bytes = QFile::encodeName(root) + "/\x83\x65\x83\x58\x83\x67.bmp";
    ASSERT_TRUE(engine::saveImage(bytes.toStdString(), engine::testing::randomImage(6, 4, 24), {}));
    uTrP control;
    control.cOn(root, root, false, QString());
    QSignalSpy chosen(&control, &uTrP::eSlcFile);
    FileList* list = control.fileList();
    ASSERT_EQ(list->topLevelItemCount(), 1);
    EXPECT_EQ(list->topLevelItem(0)->text(0), QStringLiteral("テスト.bmp"));
    list->setCurrentItem(list->topLevelItem(0));
    ASSERT_EQ(chosen.size(), 1);
    const QString path = chosen[0][0].toString();
    EXPECT_EQ(platform::encodePath(path), bytes);

    const QString other = folder("other");
    EXPECT_EQ(transferFiles({path}, other, Transfer::Copy, nullptr), 1);
    const QByteArray copied = QFile::encodeName(other) + "/\x83\x65\x83\x58\x83\x67.bmp";
    EXPECT_EQ(::access(copied.constData(), F_OK), 0);
    EXPECT_EQ(::access(bytes.constData(), F_OK), 0);
    ASSERT_TRUE(Usr::DeleteToBin(nullptr, {platform::decodePath(copied)}, false, true));
    EXPECT_NE(::access(copied.constData(), F_OK), 0);
    ::unlink(bytes.constData());  // Qt's clean-up of the folder cannot name it
}

}  // namespace
}  // namespace ximora::browser::testing
