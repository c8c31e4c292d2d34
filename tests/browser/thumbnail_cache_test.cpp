#include <zlib.h>
#include <QDialog>
#include <QLineEdit>
#include <QSet>
#include <QSignalSpy>

#include "browser/thumbnail_cache_files.h"
#include "browser/thumbnail_grid.h"
#include "browser/thumbnail_layout_dialog.h"
#include "browser/utrp.h"
#include "browser_fixture.h"

namespace ximora::browser::testing {
namespace {

using ThumbnailCacheTest = BrowserFixture;

TEST_F(ThumbnailCacheTest, CacheNamesInBothPlaces) {
    setCacheBesideImages(false);
    EXPECT_EQ(cacheFileName("/home/a/pics", 100), userData + "Thumb/~home~a~pics~100.Dat");
    EXPECT_EQ(cacheFileName("/home/a~b", 80), userData + "Thumb/~home~a~b~080.Dat");
    EXPECT_EQ(cacheFileName("/", 1200), userData + "Thumb/~~1200.Dat");
    setCacheBesideImages(true);
    EXPECT_EQ(cacheFileName("/home/a/pics", 100), "/home/a/pics/Thmb100.Dat");
    EXPECT_EQ(cacheFileName("/", 100), "/Thmb100.Dat");
    setCacheBesideImages(false);

    EXPECT_EQ(decodeCacheFolder("~home~a~pics~100.Dat"), "/home/a/pics/");
    EXPECT_EQ(decodeCacheFolder("~home~a~b~080.Dat"), "/home/a/b/");  // "~" in a name is lost
    EXPECT_EQ(decodeCacheFolder("~~100.Dat"), "//");                  // the root
}

TEST_F(ThumbnailCacheTest, CleanUpDeletesCachesOfVanishedFoldersOnly) {
    const QString kept = folder("kept");
    folder("a~b");  // encoded like a/b, which does not exist
    const QString thumbs = userData + "Thumb/";
    const QStringList keepNames{cacheFileName(kept, 100).mid(thumbs.size()), "~~100.Dat",
                                "notes.dat", "x.Dat"};
    const QStringList goneNames{cacheFileName(root + "/a~b", 100).mid(thumbs.size()),
                                cacheFileName(root + "/gone", 80).mid(thumbs.size()),
                                cacheFileName(kept, 1000).mid(thumbs.size())};
    for (const QString& name : keepNames + goneNames) {
        QFile out(thumbs + name);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    }
    QFile::setPermissions(thumbs + goneNames[1], QFileDevice::ReadOwner);  // read-only too

    uTrP control;
    ASSERT_TRUE(control.CleanThmb());
    for (const QString& name : keepNames)
        EXPECT_TRUE(QFile::exists(thumbs + name)) << qPrintable(name);
    for (const QString& name : goneNames)
        EXPECT_FALSE(QFile::exists(thumbs + name)) << qPrintable(name);
    ASSERT_EQ(messages->messageTexts().size(), 1);
    const QString text = messages->messageTexts()[0];
    EXPECT_TRUE(text.endsWith("\nを削除しました"));
    EXPECT_EQ(text.count('\n'), 3);
    EXPECT_TRUE(text.contains(thumbs + goneNames[0] + "\n"));

    messages->clear();
    ASSERT_TRUE(control.CleanThmb());
    EXPECT_EQ(messages->messageTexts(), QStringList{"不要なｻﾑﾈｲﾙはありませんでした"});

    messages->clear();
    QDir(thumbs).removeRecursively();
    EXPECT_FALSE(control.CleanThmb());
    EXPECT_TRUE(messages->messageTexts().isEmpty());
}

TEST_F(ThumbnailCacheTest, GridFillsFromWorkersAndCacheIsSavedWhenMovingOn) {
    image("a.png");
    image("b.bmp", 300, 100);
    file("broken.jpg", 100);  // not an image: the placeholder stays
    folder("other");
    uTrP control;
    control.cOn(root, root, false, QString());
    control.setShwThmb(true);
    ThumbnailGrid* grid = control.grid();
    ASSERT_EQ(grid->count(), 3);
    grid->thumbnails().waitUntilDone();
    EXPECT_EQ(grid->thumbnails().state(0), ThumbnailSet::State::Ready);
    EXPECT_EQ(grid->thumbnails().picture(1).size(), QSize(100, 33));  // fitted into 100
    EXPECT_EQ(grid->thumbnails().state(2), ThumbnailSet::State::Failed);
    EXPECT_TRUE(grid->thumbnails().picture(2).isNull());

    const QString cache = cacheFileName(root, 100);
    EXPECT_EQ(grid->cacheFile(), cache);
    EXPECT_FALSE(QFile::exists(cache));  // written only when the browser moves on
    control.setPath(root + "/other");
    EXPECT_TRUE(QFile::exists(cache));
    EXPECT_EQ(grid->cacheFile(), cacheFileName(root + "/other", 100));

    // Back again, the pictures come from the cache file, unpacked when asked for.
    control.setPath(root);
    grid->thumbnails().waitUntilDone();
    EXPECT_EQ(grid->thumbnails().state(0), ThumbnailSet::State::Ready);
    EXPECT_EQ(grid->thumbnails().picture(1).size(), QSize(100, 33));
    EXPECT_EQ(grid->thumbnails().state(2), ThumbnailSet::State::Failed);
}

// A transparent picture's thumbnail shows the checkerboard behind its clear part, as the
// editor does, also when it comes back from the cache file.
TEST_F(ThumbnailCacheTest, TransparentPartsShowTheCheckerboardFreshAndFromTheCache) {
    QImage half(80, 40, QImage::Format_ARGB32);
    half.fill(Qt::transparent);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x) half.setPixelColor(x, y, Qt::red);
    ASSERT_TRUE(half.save(root + "/half.png"));
    folder("other");
    uTrP control;
    control.cOn(root, root, false, QString());
    control.setShwThmb(true);
    control.resize(600, 400);
    control.show();
    ThumbnailGrid* grid = control.grid();
    const auto clearPartShowsTheBoard = [&] {
        grid->thumbnails().waitUntilDone();
        EXPECT_TRUE(grid->thumbnails().picture(0).hasAlphaChannel());
        // The only cell: its clear half shows both squares of the board, its other half red.
        const QImage shot =
            grid->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        QSet<QRgb> colours;
        for (int y = 0; y < shot.height(); ++y)
            for (int x = 0; x < shot.width(); ++x) colours.insert(shot.pixel(x, y) & 0xffffff);
        EXPECT_TRUE(colours.contains(0xcccccc) && colours.contains(0x999999))
            << colours.size() << " colours";
        EXPECT_TRUE(std::any_of(colours.begin(), colours.end(), [](QRgb c) {
            return qRed(c) > 200 && qGreen(c) < 60;  // under the selection's tint, if any
        }));
    };
    clearPartShowsTheBoard();
    control.setPath(root + "/other");  // the cache is written
    control.setPath(root);
    clearPartShowsTheBoard();
}

// Progress counts every item up to the total; stopping leaves the rest as placeholders, ends
// the busy state once, and the next listing makes them.
TEST_F(ThumbnailCacheTest, ProgressReachesTheTotalAndStoppingLeavesPlaceholders) {
    for (int i = 0; i < 12; ++i) image(QStringLiteral("p%1.png").arg(i, 2, 10, QChar('0')));
    ThumbnailGrid grid;
    grid.setFolder(root);
    grid.setFilter(QStringLiteral("PNG"));
    QSignalSpy progress(&grid.thumbnails(), &ThumbnailSet::progress);
    QSignalSpy ended(&grid.thumbnails(), &ThumbnailSet::busyEnd);
    grid.listFolder();
    grid.thumbnails().waitUntilDone();
    ASSERT_FALSE(progress.isEmpty());
    EXPECT_EQ(progress.first(), (QVariantList{0, 12}));
    EXPECT_EQ(progress.last(), (QVariantList{12, 12}));
    EXPECT_EQ(ended.count(), 1);

    grid.listFolder();
    grid.thumbnails().stop();
    EXPECT_FALSE(grid.thumbnails().busy());
    EXPECT_EQ(ended.count(), 2);
    grid.thumbnails().stop();  // stopping twice ends nothing twice
    EXPECT_EQ(ended.count(), 2);
    EXPECT_EQ(grid.count(), 12);
    grid.listFolder();
    grid.thumbnails().waitUntilDone();
    for (int i = 0; i < 12; ++i) EXPECT_EQ(grid.thumbnails().state(i), ThumbnailSet::State::Ready);
}

TEST_F(ThumbnailCacheTest, DamagedCacheIsIgnoredAndRewritten) {
    image("a.png");
    const QString cache = cacheFileName(root, 100);
    {
        QFile out(cache);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write("garbage that is no cache file");
    }
    uTrP control;
    control.cOn(root, root, false, QString());
    control.setShwThmb(true);
    control.grid()->thumbnails().waitUntilDone();
    EXPECT_EQ(control.grid()->thumbnails().state(0), ThumbnailSet::State::Ready);
    control.setPath(root);  // moving on writes the cache
    QFile in(cache);
    ASSERT_TRUE(in.open(QIODevice::ReadOnly));
    EXPECT_FALSE(in.readAll().startsWith("garbage"));
}

TEST_F(ThumbnailCacheTest, CachedPictureThatDoesNotUnpackShowsThePlaceholderAndIsMadeAgain) {
    image("a.png");
    folder("other");
    const QString cache = cacheFileName(root, 100);
    {
        uTrP control;
        control.cOn(root, root, false, QString());
        control.setShwThmb(true);
        control.grid()->thumbnails().waitUntilDone();
        control.setPath(root + "/other");  // writes the cache
    }
    // The one entry's packed pixels (after the header, which records the folder, the body
    // length and a body start of 32 bytes for "a.png") are wiped but for their end markers, the
    // body's checksum is made right again: damage that only unpacking finds.
    QFile file(cache);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    QByteArray bytes = file.readAll();
    ASSERT_GT(bytes.size(), 64);
    const qsizetype header = 26 + QFile::encodeName(root).size();
    const qsizetype bodyAt = header + 4, bodySize = bytes.size() - bodyAt - 4,
                    packedAt = bodyAt + 32;
    bytes.replace(packedAt + 2, bytes.size() - 6 - packedAt - 2,
                  QByteArray(bytes.size() - 6 - packedAt - 2, '\0'));
    const uLong crc =
        crc32(0, reinterpret_cast<const Bytef*>(bytes.constData() + bodyAt), uInt(bodySize));
    for (int i = 0; i < 4; ++i) bytes[bodyAt + bodySize + i] = char(crc >> (8 * i));
    file.seek(0);
    file.write(bytes);
    file.close();

    uTrP control;
    control.cOn(root, root, false, QString());
    control.setShwThmb(true);
    ThumbnailSet& set = control.grid()->thumbnails();
    set.waitUntilDone();
    EXPECT_EQ(set.state(0), ThumbnailSet::State::Ready);  // known to the cache, not unpacked
    EXPECT_TRUE(set.picture(0).isNull());
    EXPECT_EQ(set.state(0), ThumbnailSet::State::Failed);

    control.setPath(root + "/other");  // the cache is written without the entry
    control.setPath(root);
    set.waitUntilDone();
    EXPECT_EQ(set.picture(0).size(), QSize(40, 30));
}

TEST_F(ThumbnailCacheTest, LayoutDialogReadsNumbersAndNewSizeAppliesAtOnce) {
    EXPECT_EQ(leadingNumber("12abc"), 12);
    EXPECT_EQ(leadingNumber("2.6"), 3);
    EXPECT_EQ(leadingNumber("abc"), 0);
    EXPECT_EQ(leadingNumber(""), 0);

    image("a.png");
    uTrP control;
    control.cOn(root, root, false, QString());
    control.setShwThmb(true);
    messages->onModal([](QDialog& dialog) {
        EXPECT_EQ(dialog.windowTitle(), "ｻﾑﾈｲﾙの表示設定");
        EXPECT_EQ(dialog.findChild<QLineEdit*>("txCL")->text(), "1");
        dialog.findChild<QLineEdit*>("txCL")->setText("2");
        dialog.findChild<QLineEdit*>("txRw")->setText("4");
        dialog.findChild<QLineEdit*>("txSz")->setText("80");
        return int(QDialog::Accepted);
    });
    control.SetThmb();
    EXPECT_EQ(control.grid()->columns(), 2);
    EXPECT_EQ(control.grid()->rows(), 4);
    EXPECT_EQ(control.grid()->thumbnailSize(), 80);
    EXPECT_EQ(control.grid()->cacheFile(), cacheFileName(root, 80));
    control.grid()->thumbnails().waitUntilDone();
    EXPECT_EQ(control.grid()->thumbnails().picture(0).width(), 40);  // never enlarged

    messages->onModal([](QDialog&) { return int(QDialog::Rejected); });
    control.SetThmb();
    EXPECT_EQ(control.grid()->columns(), 2);
}

}  // namespace
}  // namespace ximora::browser::testing
