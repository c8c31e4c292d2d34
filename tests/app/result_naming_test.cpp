#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "app/result_naming.h"
#include "app/windows/mail.h"

using namespace ximora;

namespace {
void touch(const QTemporaryDir& dir, const QStringList& names) {
    for (const QString& name : names) QFile(dir.filePath(name)).open(QIODevice::WriteOnly);
}
}  // namespace

TEST(StoreNaming, NextNumberFollowsTheLargestOfTheSamePrefixAndType) {
    QTemporaryDir dir;
    touch(dir, {"A001.jpg", "A002.jpg", "A010.jpg", "A050.bmp", "B070.jpg", "AB090.jpg"});
    const int next = app::nextStoreNumber(dir.path(), "A", "jpg");
    EXPECT_EQ(next, 11);
    EXPECT_EQ(app::storeFileName("A", next, "jpg"), "A011.jpg");
    EXPECT_EQ(app::nextStoreNumber(dir.path(), "C", ""), 1);  // empty type counts as jpg
    touch(dir, {"A999.jpg"});
    EXPECT_EQ(app::storeFileName("A", app::nextStoreNumber(dir.path(), "A", "jpg"), "jpg"),
              "A1000.jpg");
}

TEST(FolderJobNaming, NumbersAfterTheLargestAndPicksTheTypeByColourCode) {
    QTemporaryDir dir;
    touch(dir, {"PIC004.jpg", "PIC010.gif", "OTHER500.jpg"});
    bool gif = true;
    EXPECT_EQ(app::folderJobFile(dir.path(), "PIC*", 24, gif), dir.path() + "/PIC011.jpg");
    EXPECT_FALSE(gif);
    EXPECT_EQ(app::folderJobFile(dir.path(), "PIC*", 8, gif), dir.path() + "/PIC011.gif");
    EXPECT_TRUE(gif);
    // A fixed extension stays; the number still follows the matching files.
    EXPECT_EQ(app::folderJobFile(dir.path(), "PIC*.png", 8, gif), dir.path() + "/PIC001.png");
    EXPECT_FALSE(gif);
}

TEST(Mail, EachAttachmentIsOneWholeArgument) {
    EXPECT_EQ(app::mailArguments("a,b", "t", {"/d/x,/etc/passwd,y.jpg", "/my pics/a b.jpg"}),
              (QList<QByteArray>{"--utf8", "--subject", "a,b", "--body", "t", "--attach",
                                 "/d/x,/etc/passwd,y.jpg", "--attach", "/my pics/a b.jpg"}));
}
