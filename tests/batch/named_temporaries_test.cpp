// Writes on a file system without unnamed temporary files (vfat and exFAT cards, NFS, FUSE),
// made so by a preloaded library: nothing is left behind by a write, what a killed write left
// is removed by the next write into the folder, and no other file is touched.
#include <gtest/gtest.h>
#include <signal.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include "engine/codecs/registry.h"
#include "engine/test_images.h"

namespace {

QProcessEnvironment withoutUnnamedFiles() {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("LD_PRELOAD", XIMORA_NO_UNNAMED_FILES);
    // The preloaded library comes before the sanitizers' runtime.
    env.insert("ASAN_OPTIONS", env.value("ASAN_OPTIONS") + ":verify_asan_link_order=0");
    return env;
}

QStringList temporaries(const QString& folder) {
    return QDir(folder).entryList({QStringLiteral(".*.ximora-*.tmp")}, QDir::Files | QDir::Hidden);
}

TEST(NamedTemporaries, AKilledWriteIsCleanedUpByTheNextOneAndNothingElseIs) {
    QTemporaryDir dir;
    const QString batch = QCoreApplication::applicationDirPath() + QStringLiteral("/ximora-batch");
    const QString small = dir.filePath("small.bmp"), big = dir.filePath("big.bmp");
    ASSERT_TRUE(ximora::engine::saveImage(QFile::encodeName(small).toStdString(),
                                          ximora::engine::testing::randomImage(20, 10, 24), {}));
    ASSERT_TRUE(ximora::engine::saveImage(QFile::encodeName(big).toStdString(),
                                          ximora::engine::testing::randomImage(3000, 2000, 24),
                                          {}));
    const QString out = dir.filePath("out");
    QDir().mkpath(out);
    QFile(out + "/.photo.jpg.part").open(QIODevice::WriteOnly);  // another program's

    QProcess convert;
    convert.setProcessEnvironment(withoutUnnamedFiles());
    convert.start(batch, {QStringLiteral("convert"), small, out + "/a.png"});
    ASSERT_TRUE(convert.waitForFinished(120000));
    ASSERT_EQ(convert.exitCode(), 0) << convert.readAllStandardError().toStdString();
    EXPECT_TRUE(temporaries(out).isEmpty());

    // Killed while its temporary file is being written.
    convert.start(batch, {QStringLiteral("convert"), big, out + "/b.png"});
    QElapsedTimer waited;
    waited.start();
    while (temporaries(out).isEmpty() && convert.state() != QProcess::NotRunning &&
           waited.elapsed() < 60000)
        QThread::usleep(500);
    ASSERT_FALSE(temporaries(out).isEmpty()) << "the write ended before it could be killed";
    ::kill(pid_t(convert.processId()), SIGKILL);
    convert.waitForFinished();
    EXPECT_FALSE(QFile::exists(out + "/b.png"));
    ASSERT_EQ(temporaries(out).size(), 1);

    convert.start(batch, {QStringLiteral("convert"), small, out + "/c.png"});
    ASSERT_TRUE(convert.waitForFinished(120000));
    ASSERT_EQ(convert.exitCode(), 0);
    EXPECT_TRUE(temporaries(out).isEmpty());
    EXPECT_EQ(QDir(out).entryList(QDir::Files | QDir::Hidden),
              (QStringList{".photo.jpg.part", "a.png", "c.png"}));
}

}  // namespace
