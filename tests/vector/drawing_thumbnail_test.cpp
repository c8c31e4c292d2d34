// Thumbnails of every drawing format through the engine's thumbnail loader, once the vector
// layer's rasteriser is installed.
#include <gtest/gtest.h>

#include <QColor>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include "drawing_samples.h"
#include "engine/core/error.h"
#include "engine/thumbs/drawing_thumbnails.h"
#include "engine/thumbs/thumbnail_loader.h"
#include "vector/drawing_thumbnail.h"

using namespace ximora;

namespace {

class DrawingThumbnailTest : public ::testing::Test {
  protected:
    void SetUp() override { vector::installDrawingThumbnails(); }
    void TearDown() override { engine::setDrawingRasteriser(nullptr); }

    std::string write(const QString& name, const QByteArray& bytes) {
        const QString path = dir_.filePath(name);
        EXPECT_TRUE(test::writeFile(path, bytes));
        return QFile::encodeName(path).toStdString();
    }
    static QRgb at(const engine::Image& image, int x, int y) {
        const uint8_t* p = image.row(y) + 3 * x;
        return qRgb(p[0], p[1], p[2]);
    }

    QTemporaryDir dir_;
};

TEST_F(DrawingThumbnailTest, EveryFormatFitsTheSquareOnWhite) {
    for (const auto& [name, bytes] : test::everyKindOfDrawing()) {
        SCOPED_TRACE(name.toStdString());
        engine::Image thumb;
        ASSERT_TRUE(engine::loadThumbnail(write(name, bytes), 64, thumb)) << engine::lastError();
        EXPECT_EQ(thumb.bitsPerPixel(), 24);
        EXPECT_EQ(std::max(thumb.width(), thumb.height()), 64);
        EXPECT_EQ(thumb.width(), 64);  // all of them are wider than high
        int ink = 0;
        for (int y = 0; y < thumb.height(); ++y)
            for (int x = 0; x < thumb.width(); ++x) ink += qGray(at(thumb, x, y)) < 200;
        EXPECT_GT(ink, 10);
    }
}

TEST_F(DrawingThumbnailTest, HugeClaimsStaySmallAndQuick) {
    QElapsedTimer timer;
    timer.start();
    engine::Image thumb;
    ASSERT_TRUE(engine::loadThumbnail(
        write(QStringLiteral("huge.svg"),
              "<svg xmlns='http://www.w3.org/2000/svg' width='900000000' height='900000000'>"
              "<rect width='450000000' height='900000000' fill='red' stroke='black' "
              "stroke-dasharray='1 1'/></svg>"),
        100, thumb));
    EXPECT_EQ(thumb.width(), 100);
    EXPECT_EQ(thumb.height(), 100);
    // A dashed DXF line a million units long with dashes of a hundredth: drawn solid.
    const QByteArray dxf(
        "0\nSECTION\n2\nTABLES\n0\nTABLE\n2\nLTYPE\n0\nLTYPE\n2\nFINE\n70\n0\n3\nx\n72\n65\n73\n2\n"
        "40\n0.02\n49\n0.01\n74\n0\n49\n-0.01\n74\n0\n0\nENDTAB\n0\nENDSEC\n"
        "0\nSECTION\n2\nENTITIES\n0\nLINE\n8\n0\n6\nFINE\n10\n0\n20\n0\n11\n1000000\n21\n1000000\n"
        "0\nENDSEC\n0\nEOF\n");
    ASSERT_TRUE(engine::loadThumbnail(write(QStringLiteral("fine.dxf"), dxf), 100, thumb));
    EXPECT_LT(timer.elapsed(), 20000);  // generous: the machine is shared; it takes milliseconds
}

TEST_F(DrawingThumbnailTest, DamagedAndMissingDrawingsFailWithTheirReason) {
    engine::Image thumb;
    EXPECT_FALSE(engine::loadThumbnail(write(QStringLiteral("x.svg"), "<svg"), 64, thumb));
    EXPECT_EQ(engine::lastError(), engine::kErrBadFile);
    EXPECT_FALSE(engine::loadThumbnail(
        write(QStringLiteral("x.sfc"),
              QByteArray::fromStdString(test::sfcFile({test::sfcSheet()})).left(200)),
        64, thumb));
    EXPECT_EQ(engine::lastError(), engine::kErrFileBroken);
    EXPECT_FALSE(
        engine::loadThumbnail(dir_.filePath(QStringLiteral("none.dxf")).toStdString(), 64, thumb));
    EXPECT_EQ(engine::lastError(), engine::kErrFileNotFound);
}

}  // namespace
