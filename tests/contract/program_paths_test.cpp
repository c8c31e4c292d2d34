// The write contract over the paths that run the programs themselves, for every fixture: a
// launch job's result written into its own file (PC_FL), ximora-batch run --in-place and --out,
// and ximora-batch convert's messages.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "app/launch_record_bytes.h"
#include "app/program_runner.h"
#include "contract/expectations.h"
#include "contract/fixtures.h"
#include "contract/losses.h"
#include "engine/codecs/page_count.h"

namespace ximora::contract {
namespace {

using namespace launch_bytes;

const std::vector<Fixture>& allFixtures() { return fixtures(); }

struct BatchResult {
    int exitCode = -1;
    QString out, errors;
};

BatchResult batch(const QStringList& args) {
    QProcess process;
    process.start(QCoreApplication::applicationDirPath() + QStringLiteral("/ximora-batch"), args);
    BatchResult result;
    if (!process.waitForFinished(300000)) {
        process.kill();
        process.waitForFinished();
        return result;
    }
    result.exitCode = process.exitCode();
    result.out = QString::fromUtf8(process.readAllStandardOutput());
    result.errors = QString::fromUtf8(process.readAllStandardError());
    return result;
}

class ProgramPaths : public testing::ProgramRun {
  protected:
    QString copyOf(const Fixture& f, const QString& folder, const QString& name) {
        QDir().mkpath(home() + '/' + folder);
        const QString path = home() + '/' + folder + '/' + name;
        QFile::remove(path);
        EXPECT_TRUE(QFile::copy(f.path, path));
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
        return path;
    }
    /// Runs a PC_FL job on `file` that turns the picture and takes the result; the record's
    /// result flag.
    bool fileJob(const QString& file) {
        const QString launch = home() + QStringLiteral("/PC_FL.PDAT");
        writeAll(launch,
                 field(file, 255) + single(0) + single(0) + i16(0) + i16(-1) + i32(0) + i16(0));
        const testing::Result r =
            run({launch}, {QStringLiteral("回転⇒右90度"), QStringLiteral("取込⇒選択")});
        EXPECT_NE(r.exitCode, -2) << r.errors.toStdString();
        return readAll(launch).mid(271, 2) == i16(-1);
    }
};

// A launch job writes its result into its own file, whatever the case of its name, in the
// format its name (or, without an extension, its content) says; ok only when the file holds
// it. A file that would lose pages or samples, or whose format the program only reads, is not
// replaced: the job answers ok = 0 and the file stays.
TEST_F(ProgramPaths, ALaunchJobWritesItsOwnFile) {
    for (const Fixture& f : allFixtures()) {
        if (f.ext == "svg") continue;
        SCOPED_TRACE(f.name.toStdString());
        const QString name = QStringLiteral("PHOTO-") + f.name.toUpper() + '.' + f.ext.toUpper();
        const QString path = copyOf(f, "jobs", name);
        const QByteArray before = readAll(path);
        const bool ok = fileJob(path);
        EXPECT_EQ(QDir(home() + "/jobs").entryList(QDir::Files), QStringList{name})
            << "the result went to another name";
        if (replacingLoses(f, f.ext)) {
            EXPECT_FALSE(ok);
            EXPECT_EQ(readAll(path), before);
        } else {
            EXPECT_TRUE(ok);
            expectKept(f, path, f.ext, Moved::TurnedRight, "PC_FL");
        }
        QFile::remove(path);
    }
    // A name without an extension keeps the format of its content.
    for (const char* fixture : {"png-alpha", "tif-alpha", "jpg-metadata"}) {
        for (const Fixture& f : allFixtures()) {
            if (f.name != QLatin1String(fixture)) continue;
            const QString path = copyOf(f, "bare", QStringLiteral("PHOTO"));
            EXPECT_TRUE(fileJob(path)) << fixture;
            expectKept(f, path, f.ext, Moved::TurnedRight, "PC_FL without an extension");
        }
    }
}

// run --in-place: every file either keeps what it holds or is refused with a message and left
// as it was (pages, 16-bit samples lost to an edit, formats the program only reads).
TEST_F(ProgramPaths, RunInPlaceKeepsOrRefuses) {
    QStringList files;
    std::vector<QByteArray> before;
    for (const Fixture& f : allFixtures()) {
        files << copyOf(f, "inplace", f.name + '.' + f.ext);
        before.push_back(readAll(files.back()));
    }
    const BatchResult r = batch(
        QStringList{"run", "-c", QStringLiteral("回転⇒右90度"), "--in-place", "--status"} + files);
    EXPECT_EQ(r.exitCode, 1) << r.errors.toStdString();
    for (size_t i = 0; i < allFixtures().size(); ++i) {
        const Fixture& f = allFixtures()[i];
        SCOPED_TRACE(f.name.toStdString());
        const bool refused = replacingLoses(f, f.ext);
        EXPECT_TRUE(r.out.contains(files[qsizetype(i)] + (refused ? "\tfailed" : "\tok")))
            << r.out.toStdString();
        if (refused) {
            EXPECT_EQ(readAll(files[qsizetype(i)]), before[i]);
            EXPECT_TRUE(r.errors.contains(files[qsizetype(i)] + ": ")) << r.errors.toStdString();
        } else {
            expectKept(f, files[qsizetype(i)], f.ext, Moved::TurnedRight, "run --in-place");
        }
    }
}

// run --out writes each picture under its own name in the folder: formats the program only
// reads are refused (a drawing is rasterised to NAME.png instead); a file of several pages has
// its first written, and the run says so.
TEST_F(ProgramPaths, RunOutWritesWhatTheFormatHolds) {
    QStringList files;
    for (const Fixture& f : allFixtures()) files << f.path;
    const QString out = home() + QStringLiteral("/out");
    const BatchResult r = batch(
        QStringList{"run", "-c", QStringLiteral("回転⇒右90度"), "--out", out, "--status"} + files);
    EXPECT_EQ(r.exitCode, 1) << r.errors.toStdString();
    for (const Fixture& f : allFixtures()) {
        SCOPED_TRACE(f.name.toStdString());
        const QString written = out + '/' + QFileInfo(f.path).fileName();
        static const QStringList kDrawings = {"svg", "svgz", "wmf", "emf", "dxf", "sfc", "p21"};
        if (kDrawings.contains(f.ext)) {
            EXPECT_TRUE(r.out.contains(f.path + "\tok")) << r.errors.toStdString();
            EXPECT_FALSE(QFile::exists(written));
            EXPECT_TRUE(QFile::exists(out + '/' + QFileInfo(f.path).completeBaseName() + ".png"));
            continue;
        }
        if (readOnlyExtensions().contains(f.ext)) {
            EXPECT_TRUE(r.out.contains(f.path + "\tfailed"));
            EXPECT_FALSE(QFile::exists(written));
            continue;
        }
        EXPECT_TRUE(r.out.contains(f.path + "\tok")) << r.errors.toStdString();
        if (f.properties & kPages) {
            EXPECT_TRUE(r.errors.contains(f.path + ": 1 of ")) << r.errors.toStdString();
        }
        expectKept(f, written, f.ext, Moved::TurnedRight, "run --out");
    }
}

// An edit that works on 8 bits leaves 16-bit samples behind: --in-place refuses to replace the
// file with fewer bits, --out writes the 8 bits and says so.
TEST_F(ProgramPaths, AnEightBitEditKeepsTheDeepFileOrSaysSo) {
    for (const Fixture& f : allFixtures()) {
        if (!(f.properties & kDeep) || !writableExtensions().contains(f.ext)) continue;
        SCOPED_TRACE(f.name.toStdString());
        const QString path = copyOf(f, "deep", f.name + '.' + f.ext);
        const QByteArray before = readAll(path);
        BatchResult r = batch({"run", "-c", QStringLiteral("明度⇒明るく"), "--in-place", path});
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(readAll(path), before);
        EXPECT_TRUE(r.errors.contains(QStringLiteral("16ﾋﾞｯﾄの階調"))) << r.errors.toStdString();
        r = batch(
            {"run", "-c", QStringLiteral("明度⇒明るく"), "--out", home() + "/deep-out", path});
        EXPECT_EQ(r.exitCode, 0) << r.errors.toStdString();
        EXPECT_TRUE(r.errors.contains(QStringLiteral("16-bit samples written as 8-bit")))
            << r.errors.toStdString();
    }
}

// convert says when only the first of several pages went into the target, and refuses a target
// named as a format the program only reads.
TEST_F(ProgramPaths, ConvertSaysWhatItCannotWrite) {
    for (const Fixture& f : allFixtures()) {
        if (!(f.properties & kPages)) continue;
        const QString target = home() + '/' + f.name + ".png";
        const BatchResult r = batch({"convert", f.path, target});
        EXPECT_EQ(r.exitCode, 0) << r.errors.toStdString();
        const int pages = engine::countFilePages(QFile::encodeName(f.path).toStdString());
        EXPECT_TRUE(r.errors.contains(QStringLiteral(": 1 of %1 pages written to ").arg(pages)))
            << f.name.toStdString() << ": " << r.errors.toStdString();
    }
    const BatchResult refused = batch({"convert", allFixtures().front().path, home() + "/x.heic"});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(refused.errors.contains("error 4")) << refused.errors.toStdString();
    EXPECT_FALSE(QFile::exists(home() + "/x.heic"));
}

}  // namespace
}  // namespace ximora::contract
