// The drag-mode pointers read from the program data folder: the hot spot an XPM header names,
// the centre when it names none or one outside the picture, nothing without a picture.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "editor/view/drag_pointers.h"

namespace ximora::editor {
namespace {

void writeXpm(const QString& path, const char* values) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray("/* XPM */\nstatic const char* p[] = {\n\"") + values +
               "\",\n\". c None\",\n\"# c #000000\",\n");
    for (int row = 0; row < 8; ++row) file.write(row < 7 ? "\"##....##\",\n" : "\"##....##\"};\n");
}

TEST(DragPointers, HotSpotFromTheHeaderOrTheCentre) {
    QTemporaryDir dir;
    const QString folder = dir.path() + "/";
    EXPECT_FALSE(dragPointer(1, folder));  // no picture: the standard pointer stays
    writeXpm(folder + "Hand.xpm", "8 8 2 1 1 6");
    const auto hand = dragPointer(1, folder);
    ASSERT_TRUE(hand);
    EXPECT_EQ(hand->hotSpot(), QPoint(1, 6));
    EXPECT_EQ(hand->pixmap().size(), QSize(8, 8));

    writeXpm(folder + "Magnify.xpm", "8 8 2 1");
    EXPECT_EQ(dragPointer(2, folder)->hotSpot(), QPoint(4, 4));
    writeXpm(folder + "Magnify.xpm", "8 8 2 1 8 2");  // outside the picture
    EXPECT_EQ(dragPointer(2, folder)->hotSpot(), QPoint(4, 4));

    QFile broken(folder + "Magnify.xpm");
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("not a picture");
    broken.close();
    EXPECT_FALSE(dragPointer(2, folder));
    EXPECT_FALSE(dragPointer(0, folder));  // selection keeps its cross
}

}  // namespace
}  // namespace ximora::editor
