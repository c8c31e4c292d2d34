// `ximora-batch run` as a program: pairs, macros, output folders, refusals and exit status.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStringEncoder>
#include <QTemporaryDir>

#include "engine/codecs/page_count.h"
#include "engine/codecs/registry.h"
#include "engine/test_images.h"
#include "support/multi_page_files.h"
#include "support/vector_files.h"

namespace {

using ximora::engine::Image;
using ximora::engine::testing::randomImage;
using ximora::engine::testing::samePixels;

class BatchRun : public ::testing::Test {
  protected:
    struct Result {
        int exitCode;
        QString errors;
    };
    Result run(const QStringList& args) {
        QProcess process;
        process.start(QCoreApplication::applicationDirPath() + QStringLiteral("/ximora-batch"),
                      QStringList{QStringLiteral("run")} + args);
        EXPECT_TRUE(process.waitForFinished(120000));
        return {process.exitCode(), QString::fromUtf8(process.readAllStandardError())};
    }
    QString make(const QString& name, const Image& image) {
        const QString file = dir_.filePath(name);
        EXPECT_TRUE(ximora::engine::saveImage(QFile::encodeName(file).toStdString(), image, {}));
        return file;
    }
    Image load(const QString& file) {
        Image image;
        EXPECT_TRUE(ximora::engine::loadImage(QFile::encodeName(file).toStdString(), image))
            << file.toStdString();
        return image;
    }
    QString out(const QString& name = {}) const {
        return dir_.filePath(QStringLiteral("out/") + name);
    }

    QTemporaryDir dir_;
};

TEST_F(BatchRun, TurnsManyFilesIntoTheOutputFolderPixelExact) {
    QStringList files;
    std::vector<Image> originals;
    for (int i = 0; i < 6; ++i) {
        originals.push_back(randomImage(9 + i, 5, 24, 0, uint32_t(i + 1)));
        files << make(QStringLiteral("p%1.bmp").arg(i), originals.back());
    }
    const Result r = run(QStringList{QStringLiteral("-c"), QStringLiteral("回転⇒右90度"),
                                     QStringLiteral("--out"), out()} +
                         files);
    EXPECT_EQ(r.exitCode, 0) << r.errors.toStdString();
    for (int i = 0; i < 6; ++i) {
        const Image turned = load(out(QStringLiteral("p%1.bmp").arg(i)));
        const Image& o = originals[size_t(i)];
        ASSERT_EQ(turned.width(), o.height());
        ASSERT_EQ(turned.height(), o.width());
        for (int y = 0; y < turned.height(); ++y)
            for (int x = 0; x < turned.width(); ++x)
                ASSERT_EQ(turned.pixel(x, y), o.pixel(y, o.height() - 1 - x));
        EXPECT_TRUE(samePixels(load(files[i]), o));  // the source is untouched
    }
}

TEST_F(BatchRun, TakesItsFilesFromStandardInputAndReportsEachOne) {
    const QString a = make(QStringLiteral("a.bmp"), randomImage(6, 4, 24, 0, 1));
    const QString b = make(QStringLiteral("b.bmp"), randomImage(5, 3, 24, 0, 2));
    const QString missing = dir_.filePath(QStringLiteral("missing.bmp"));
    QProcess process;
    process.start(
        QCoreApplication::applicationDirPath() + QStringLiteral("/ximora-batch"),
        {QStringLiteral("run"), QStringLiteral("-c"), QStringLiteral("回転⇒右90度"),
         QStringLiteral("--out"), out(), QStringLiteral("--status"), QStringLiteral("-")});
    // Line ends as other systems' lists have them, and a blank line, are taken in their stride.
    process.write((a + QStringLiteral("\r\n\n") + missing + '\n' + b).toUtf8());
    process.closeWriteChannel();
    ASSERT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitCode(), 1);
    QStringList lines =
        QString::fromUtf8(process.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    lines.sort();
    EXPECT_EQ(lines, (QStringList{a + QStringLiteral("\tok"), b + QStringLiteral("\tok"),
                                  missing + QStringLiteral("\tfailed")}));
    EXPECT_EQ(load(out(QStringLiteral("a.bmp"))).width(), 4);
    EXPECT_EQ(load(out(QStringLiteral("b.bmp"))).width(), 3);
}

TEST_F(BatchRun, ColourCodesAndInPlaceSaves) {
    const QString file = make(QStringLiteral("c.bmp"), randomImage(16, 16, 24));
    Result r = run({QStringLiteral("-c"), QStringLiteral("色数⇒ｸﾞﾚ-(4bit)"),
                    QStringLiteral("--in-place"), file});
    EXPECT_EQ(r.exitCode, 0) << r.errors.toStdString();
    const Image grey = load(file);
    EXPECT_EQ(grey.colourCode(), 40);
    EXPECT_EQ(grey.bitsPerPixel(), 4);
}

TEST_F(BatchRun, AMultiPageFileIsNeverCutInPlace) {
    const auto frames = ximora::test::animatedGif(3);
    const QString file = dir_.filePath(QStringLiteral("anim.gif"));
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(reinterpret_cast<const char*>(frames.data()), qsizetype(frames.size()));
    f.close();
    const QStringList turn{QStringLiteral("-c"), QStringLiteral("回転⇒左右反転")};
    Result r = run(turn + QStringList{QStringLiteral("--in-place"), file});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.errors.contains(file + QStringLiteral(": has 3 pages")))
        << r.errors.toStdString();
    EXPECT_EQ(QFileInfo(file).size(), qint64(frames.size()));

    r = run(turn + QStringList{QStringLiteral("--out"), out(), file});
    EXPECT_EQ(r.exitCode, 0) << r.errors.toStdString();
    EXPECT_TRUE(r.errors.contains(file + QStringLiteral(": 1 of 3 pages written to ") +
                                  out(QStringLiteral("anim.gif"))))
        << r.errors.toStdString();
    const QByteArray written = QFile::encodeName(out(QStringLiteral("anim.gif")));
    EXPECT_EQ(ximora::engine::countFilePages(written.toStdString()), 1);
    EXPECT_EQ(QFileInfo(file).size(), qint64(frames.size()));
}

TEST_F(BatchRun, InPlaceEditsKeepEveryFileInTheFormatItsNameSays) {
    const struct {
        const char* name;
        int format;
        ximora::engine::FileFormat detected;
    } cases[] = {{"p.jpeg", ximora::engine::kSaveJpeg, ximora::engine::FileFormat::Jpeg},
                 {"p.JPE", ximora::engine::kSaveJpeg, ximora::engine::FileFormat::Jpeg},
                 {"p.tiff", ximora::engine::kSaveTiff, ximora::engine::FileFormat::Tiff},
                 {"p.Tiff", ximora::engine::kSaveTiff, ximora::engine::FileFormat::Tiff}};
    for (const auto& c : cases) {
        const QString file = dir_.filePath(QString::fromUtf8(c.name));
        ximora::engine::SaveOptions options;
        options.format = c.format;
        ASSERT_TRUE(ximora::engine::saveImage(QFile::encodeName(file).toStdString(),
                                              randomImage(20, 10, 24), options));
        const Result r = run({QStringLiteral("-c"), QStringLiteral("回転⇒右90度"),
                              QStringLiteral("--in-place"), file});
        EXPECT_EQ(r.exitCode, 0) << r.errors.toStdString();
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        EXPECT_EQ(ximora::engine::detectFormat(reinterpret_cast<const uint8_t*>(bytes.constData()),
                                               size_t(bytes.size())),
                  c.detected)
            << c.name;
        EXPECT_EQ(load(file).width(), 10) << c.name;
    }
}

TEST_F(BatchRun, ConversionsKilledAtAnyMomentLeaveTheOldFileOrTheNewOneAndNothingElse) {
    const QString source = make(QStringLiteral("big.bmp"), randomImage(1500, 1000, 24));
    const QString target = dir_.filePath(QStringLiteral("big.png"));
    const QByteArray old = "an older file of the same name";
    {
        QFile f(target);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(old);
    }
    // Kills spread over the run: early (reading), middle (encoding), late (writing).
    for (int delay : {5, 40, 80, 120, 160, 200, 260, 320, 400, 600}) {
        QProcess process;
        process.start(QCoreApplication::applicationDirPath() + QStringLiteral("/ximora-batch"),
                      {QStringLiteral("convert"), source, target});
        ASSERT_TRUE(process.waitForStarted());
        process.waitForFinished(delay);
        process.kill();
        process.waitForFinished();
        QFile f(target);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QByteArray now = f.readAll();
        if (now != old) {
            EXPECT_EQ(load(target).width(), 1500) << "after " << delay << " ms";
        }
        EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden),
                  (QStringList{QStringLiteral("big.bmp"), QStringLiteral("big.png")}))
            << "after " << delay << " ms";
    }
}

TEST_F(BatchRun, UndoReturnsToTheLoadedPixels) {
    const Image original = randomImage(7, 4, 24);
    const QString file = make(QStringLiteral("u.bmp"), original);
    const Result r =
        run({QStringLiteral("-c"), QStringLiteral("回転⇒右90度"), QStringLiteral("-c"),
             QStringLiteral("明度⇒明るく"), QStringLiteral("-c"),
             QStringLiteral("画像編集⇒編集を一つ戻す"), QStringLiteral("--out"), out(), file});
    EXPECT_EQ(r.exitCode, 0) << r.errors.toStdString();
    const Image turned = load(out(QStringLiteral("u.bmp")));
    EXPECT_EQ(turned.width(), 4);
    EXPECT_EQ(turned.pixel(0, 0), original.pixel(0, 3));

    const Result back = run({QStringLiteral("-c"), QStringLiteral("回転⇒右90度"),
                             QStringLiteral("-c"), QStringLiteral("画像編集⇒編集を一つ戻す"),
                             QStringLiteral("--out"), dir_.filePath(QStringLiteral("none")), file});
    EXPECT_EQ(back.exitCode, 0);
    EXPECT_FALSE(QFileInfo::exists(dir_.filePath(QStringLiteral("none/u.bmp"))));  // not edited
}

TEST_F(BatchRun, MacroFromTheSettingsFile) {
    const QString file = make(QStringLiteral("m.bmp"), randomImage(10, 6, 24));
    const QString settings = dir_.filePath(QStringLiteral("User.xml"));
    QFile xml(settings);
    ASSERT_TRUE(xml.open(QIODevice::WriteOnly));
    const QString text = QStringLiteral(
        "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\r\n<マクロ>\r\n<COMMAND>[縮小]~回転⇒左90度~"
        "回転⇒上下反転~~[白黒]~色数⇒白黒</COMMAND>\r\n</マクロ>\r\n");
    QStringEncoder cp932("Shift_JIS");
    xml.write(cp932.isValid() ? QByteArray(cp932(text)) : text.toUtf8());
    xml.close();
    Result r = run({QStringLiteral("--macro"), QStringLiteral("白黒"), QStringLiteral("--settings"),
                    settings, QStringLiteral("--out"), out(), file});
    EXPECT_EQ(r.exitCode, 0) << r.errors.toStdString();
    EXPECT_EQ(load(out(QStringLiteral("m.bmp"))).colourCode(), 1);
    r = run({QStringLiteral("--macro"), QStringLiteral("縮小"), QStringLiteral("--settings"),
             settings, QStringLiteral("--out"), out(), file});
    EXPECT_EQ(load(out(QStringLiteral("m.bmp"))).width(), 6);
    r = run({QStringLiteral("--macro"), QStringLiteral("無い"), QStringLiteral("--settings"),
             settings, QStringLiteral("--out"), out(), file});
    EXPECT_NE(r.exitCode, 0);
}

TEST_F(BatchRun, RefusesWindowPairsAndReportsFailedFiles) {
    const QString file = make(QStringLiteral("r.bmp"), randomImage(5, 5, 24));
    const QByteArray before = [&] {
        QFile f(file);
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }();
    Result r = run({QStringLiteral("-c"), QStringLiteral("回転⇒詳細指定"),
                    QStringLiteral("--in-place"), file});
    EXPECT_NE(r.exitCode, 0);
    EXPECT_TRUE(r.errors.contains(QStringLiteral("回転⇒詳細指定"))) << r.errors.toStdString();
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), before);

    QFile junk(dir_.filePath(QStringLiteral("junk.bmp")));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("BM not really");
    junk.close();
    r = run({QStringLiteral("-c"), QStringLiteral("回転⇒左右反転"), QStringLiteral("--out"), out(),
             junk.fileName(), dir_.filePath(QStringLiteral("missing.bmp")), file});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(QFileInfo::exists(out(QStringLiteral("r.bmp"))));  // the good file still done
    EXPECT_TRUE(r.errors.contains(QStringLiteral("junk.bmp"))) << r.errors.toStdString();

    r = run({QStringLiteral("-c"), QStringLiteral("補正⇒ぼかし"), QStringLiteral("--out"), out(),
             make(QStringLiteral("low.bmp"), randomImage(5, 5, 8))});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.errors.contains(QStringLiteral("ｴﾌｪｸﾄ処理は 24Bit Color 以上必要です")));

    EXPECT_NE(run({QStringLiteral("-c"), QStringLiteral("回転⇒右90度"), file}).exitCode, 0);
}

TEST_F(BatchRun, TraceShowsTheStateAfterEachPairAndNamesWithoutExtensionGetOne) {
    QFile::rename(make(QStringLiteral("t.bmp"), randomImage(8, 6, 24)),
                  dir_.filePath(QStringLiteral("t")));
    QProcess process;
    process.start(QCoreApplication::applicationDirPath() + QStringLiteral("/ximora-batch"),
                  {QStringLiteral("run"), QStringLiteral("-c"), QStringLiteral("色数⇒256色(8bit)"),
                   QStringLiteral("-c"), QStringLiteral("編集状態⇒読込"), QStringLiteral("-c"),
                   QStringLiteral("回転⇒左90度"), QStringLiteral("--trace"),
                   QStringLiteral("--out"), out(), dir_.filePath(QStringLiteral("t"))});
    ASSERT_TRUE(process.waitForFinished(60000));
    const QString errors = QString::fromUtf8(process.readAllStandardError());
    EXPECT_EQ(process.exitCode(), 0) << errors.toStdString();  // the notice is informational
    EXPECT_TRUE(errors.contains(QStringLiteral("拡張子が指定されなかったので､bmpを使用しました")));
    const QStringList lines =
        QString::fromUtf8(process.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[0].endsWith(QStringLiteral("\t編集\t8.\t8\t6"))) << lines[0].toStdString();
    EXPECT_TRUE(lines[1].endsWith(QStringLiteral("\t読込\t8.\t8\t6"))) << lines[1].toStdString();
    // The palette's colours have no exact 16-bit form, so the turn goes through 24 bits.
    EXPECT_TRUE(lines[2].endsWith(QStringLiteral("\t編集\t24.\t6\t8"))) << lines[2].toStdString();
    EXPECT_TRUE(QFileInfo::exists(out(QStringLiteral("t.bmp"))));
}

}  // namespace

// "N of M" reaches a terminal (here the pseudo-terminal of script(1)) and nothing else.
TEST_F(BatchRun, ShowsProgressOnATerminalOnly) {
    QStringList files;
    for (int i = 0; i < 3; ++i)
        files << make(QStringLiteral("t%1.bmp").arg(i), randomImage(6, 4, 24, 0, uint32_t(i + 7)));
    const QStringList args = QStringList{QStringLiteral("-c"), QStringLiteral("回転⇒右90度"),
                                         QStringLiteral("--out"), out()} +
                             files;
    const Result piped = run(args);
    EXPECT_EQ(piped.exitCode, 0);
    EXPECT_FALSE(piped.errors.contains(QStringLiteral(" of "))) << piped.errors.toStdString();

    QStringList quoted{QCoreApplication::applicationDirPath() + QStringLiteral("/ximora-batch"),
                       QStringLiteral("run")};
    for (const QString& a : args) quoted << QLatin1Char('\'') + a + QLatin1Char('\'');
    QProcess terminal;
    terminal.start(QStringLiteral("script"),
                   {QStringLiteral("-qec"), quoted.join(' '), QStringLiteral("/dev/null")});
    ASSERT_TRUE(terminal.waitForFinished(120000));
    EXPECT_EQ(terminal.exitCode(), 0);
    const QString shown = QString::fromUtf8(terminal.readAllStandardOutput());
    EXPECT_TRUE(shown.contains(QStringLiteral("3 of 3"))) << shown.toStdString();
}

// Editor commands (and so macros) run on the new formats; a WebP result is saved as WebP. The
// formats the program only reads are never written under their names, not even elsewhere.
TEST_F(BatchRun, CommandsRunOnModernFormats) {
    const QString data = QStringLiteral(XIMORA_TEST_DATA "/modern-formats/");
    const Result refused =
        run({QStringLiteral("-c"), QStringLiteral("回転⇒右90度"), QStringLiteral("--out"), out(),
             data + QStringLiteral("photo-irot1-imir1.avif"),
             data + QStringLiteral("grey-lossless.jxl")});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(refused.errors.contains(QStringLiteral("AVIF files can be read but not written")))
        << refused.errors.toStdString();
    EXPECT_TRUE(refused.errors.contains(QStringLiteral("JXL files can be read but not written")));
    EXPECT_FALSE(QFile::exists(out(QStringLiteral("photo-irot1-imir1.avif"))));
    EXPECT_FALSE(QFile::exists(out(QStringLiteral("grey-lossless.jxl"))));

    const Result r = run({QStringLiteral("-c"), QStringLiteral("回転⇒右90度"),
                          QStringLiteral("--out"), out(), data + QStringLiteral("anim.webp")});
    EXPECT_EQ(r.exitCode, 0) << r.errors.toStdString();
    ximora::engine::FileFormat format{};
    Image turned;
    ASSERT_TRUE(ximora::engine::loadImage(
        QFile::encodeName(out(QStringLiteral("anim.webp"))).toStdString(), turned, {}, &format));
    EXPECT_EQ(format, ximora::engine::FileFormat::Webp);
    EXPECT_EQ(turned.width(), 24);
    EXPECT_EQ(turned.height(), 32);
}

// A read-only file (no write permission) is replaced only with --force, in place or in --out,
// and by convert.
TEST_F(BatchRun, ReadOnlyFilesAreReplacedOnlyWithForce) {
    const QString file = make(QStringLiteral("kept.bmp"), randomImage(6, 4, 24));
    QFile::setPermissions(file, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    const QByteArray before = [&] {
        QFile f(file);
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }();
    const auto bytes = [](const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    Result r = run(
        {QStringLiteral("-c"), QStringLiteral("回転⇒右90度"), QStringLiteral("--in-place"), file});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.errors.contains(QStringLiteral("read-only; not changed")))
        << r.errors.toStdString();
    EXPECT_EQ(bytes(file), before);
    r = run({QStringLiteral("-c"), QStringLiteral("回転⇒右90度"), QStringLiteral("--in-place"),
             QStringLiteral("--force"), file});
    EXPECT_EQ(r.exitCode, 0) << r.errors.toStdString();
    EXPECT_EQ(load(file).width(), 4);
    EXPECT_FALSE(QFileInfo(file).permissions() & QFile::WriteOwner);  // still read-only

    QProcess convert;
    const QString batch = QCoreApplication::applicationDirPath() + QStringLiteral("/ximora-batch");
    const QString source = make(QStringLiteral("source.bmp"), randomImage(3, 2, 24));
    convert.start(batch, {QStringLiteral("convert"), source, file});
    ASSERT_TRUE(convert.waitForFinished(120000));
    EXPECT_EQ(convert.exitCode(), 1);
    EXPECT_EQ(load(file).width(), 4);
    convert.start(batch, {QStringLiteral("convert"), QStringLiteral("--force"), source, file});
    ASSERT_TRUE(convert.waitForFinished(120000));
    EXPECT_EQ(convert.exitCode(), 0) << convert.readAllStandardError().toStdString();
    EXPECT_EQ(load(file).width(), 3);
}

// Drawings are rasterised at their own size and written as NAME.png with --out; in place they
// are refused, the drawing untouched.
TEST_F(BatchRun, DrawingsAreInputsLikePictures) {
    const auto write = [&](const QString& name, const QByteArray& bytes) {
        QFile file(dir_.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return file.fileName();
    };
    const QString wmf = write(QStringLiteral("square.wmf"), ximora::test::redSquareWmf());
    const QString dxf = write(QStringLiteral("lines.dxf"), ximora::test::lineAndCircleDxf());
    Result r = run({QStringLiteral("-c"), QStringLiteral("回転⇒右90度"), QStringLiteral("--out"),
                    out(), wmf, dxf});
    EXPECT_EQ(r.exitCode, 0) << r.errors.toStdString();
    const Image turned = load(out(QStringLiteral("square.png")));
    EXPECT_EQ(turned.width(), 100);
    EXPECT_EQ(turned.height(), 200);
    EXPECT_GT(turned.pixel(50, 150).r, 150);  // the red half, now at the bottom
    EXPECT_TRUE(QFile::exists(out(QStringLiteral("lines.png"))));

    const QByteArray before = ximora::test::redSquareWmf();
    r = run(
        {QStringLiteral("-c"), QStringLiteral("回転⇒右90度"), QStringLiteral("--in-place"), wmf});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.errors.contains(QStringLiteral("--out"))) << r.errors.toStdString();
    QFile kept(wmf);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), before);
}
