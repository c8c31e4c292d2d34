// Names that are no UTF-8 (Shift-JIS names from Windows archives and disks) keep their bytes
// through the program's QStrings, are shown readably, and are reached through their bytes.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <QFile>
#include <QTemporaryDir>

#include "platform/file_names.h"
#include "platform/shell.h"
#include "support/scoped_env.h"

using namespace ximora::platform;

namespace {

// "テスト.bmp" in Shift-JIS: not UTF-8.
const QByteArray kShiftJisName("\x83\x65\x83\x58\x83\x67.bmp");

}  // namespace

TEST(FileNames, EveryByteSequenceComesBackWhole) {
    for (const QByteArray& bytes :
         {QByteArray("/home/a/写真/x.jpg"), "/d/" + kShiftJisName, QByteArray("\xff\xfe\x80"),
          QByteArray("\xe6\x97"), QByteArray("\xed\xa0\x80"), QByteArray("\xc0\xaf"),
          QByteArray("a\nb\tc"), QByteArray("\xf0\x9f\x98\x80 emoji")}) {
        const QString text = decodePath(bytes);
        EXPECT_EQ(encodePath(text), bytes) << bytes.toHex().toStdString();
    }
    EXPECT_EQ(decodePath(QByteArray("/home/a/写真")), QStringLiteral("/home/a/写真"));
}

TEST(FileNames, AShiftJisNameIsShownReadably) {
    EXPECT_EQ(displayPath(decodePath("/写真/" + kShiftJisName)),
              QStringLiteral("/写真/テスト.bmp"));
    // Bytes that are neither UTF-8 nor CP932 show as replacement characters.
    EXPECT_EQ(displayPath(decodePath(QByteArray("/a\x80\x80.bmp"))),
              QStringLiteral("/a\uFFFD\uFFFD.bmp"));
}

TEST(FileNames, FilesAreFoundAndTrashedByTheirBytes) {
    QTemporaryDir dir;
    ScopedEnv data("XDG_DATA_HOME", (dir.path() + "/data").toUtf8());
    const QByteArray path = QFile::encodeName(dir.path()) + "/" + kShiftJisName;
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(fd, 0);
    ::close(fd);
    const QString name = decodePath(path);
    EXPECT_TRUE(pathExists(name));
    EXPECT_TRUE(isRegularFile(name));
    EXPECT_FALSE(isFolder(name));
    QString error;
    ASSERT_TRUE(moveToTrash(name, &error)) << error.toStdString();
    EXPECT_FALSE(pathExists(name));
    const QByteArray trashed = QFile::encodeName(dir.path()) + "/data/Trash/files/" + kShiftJisName;
    EXPECT_EQ(::access(trashed.constData(), F_OK), 0);
    // The record's name has the same bytes: read it through them.
    const QByteArray record =
        QFile::encodeName(dir.path()) + "/data/Trash/info/" + kShiftJisName + ".trashinfo";
    const int in = ::open(record.constData(), O_RDONLY);
    ASSERT_GE(in, 0);
    char text[512] = {};
    EXPECT_GT(::read(in, text, sizeof text - 1), 0);
    ::close(in);
    EXPECT_NE(QByteArray(text).indexOf("Path=" + path.toPercentEncoding("/")), -1) << text;
    ::unlink(trashed.constData());  // Qt's clean-up of the folder cannot name them
    ::unlink(record.constData());
}
