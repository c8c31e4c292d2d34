// Vector drawings read from small generated files: their stated size, rendering at a chosen
// size, and refusal of damaged or size-less files.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "support/vector_files.h"
#include "vector/vector_drawing.h"

using namespace ximora;

namespace {

class VectorDrawingTest : public ::testing::Test {
  protected:
    std::unique_ptr<vector::VectorDrawing> load(const QString& name, const QByteArray& bytes) {
        const QString path = dir_.filePath(name);
        EXPECT_TRUE(test::writeFile(path, bytes));
        error_.clear();
        return vector::VectorDrawing::load(path, error_);
    }
    static bool reddish(QRgb c) { return qRed(c) > 200 && qGreen(c) < 80 && qBlue(c) < 80; }
    static bool white(QRgb c) { return qRed(c) > 240 && qGreen(c) > 240 && qBlue(c) > 240; }
    /// Whether a line passes through the pixel or next to it.
    static bool lineAt(const QImage& image, int x, int y) {
        int darkest = 255;
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                darkest = std::min(darkest, qGray(image.pixel(x + dx, y + dy)));
        return darkest < 128;
    }

    QTemporaryDir dir_;
    QString error_;
};

TEST_F(VectorDrawingTest, MetafilesKeepTheirSizeAndStretchToTheChosenOne) {
    for (const auto& [name, bytes] : {std::pair{QStringLiteral("a.wmf"), test::redSquareWmf()},
                                      std::pair{QStringLiteral("b.EMF"), test::redSquareEmf()}}) {
        SCOPED_TRACE(name.toStdString());
        auto drawing = load(name, bytes);
        ASSERT_TRUE(drawing) << error_.toStdString();
        EXPECT_EQ(drawing->naturalSize(), QSize(200, 100));
        const QImage image = drawing->render(QSize(400, 120));
        ASSERT_EQ(image.size(), QSize(400, 120));
        EXPECT_TRUE(reddish(image.pixel(100, 60))) << std::hex << image.pixel(100, 60);
        EXPECT_TRUE(white(image.pixel(300, 60))) << std::hex << image.pixel(300, 60);
    }
}

TEST_F(VectorDrawingTest, MetafileColoursAreExact) {
    // Colours no named colour has: drawn as they are, not as the nearest name.
    for (const QColor& colour : {QColor(200, 100, 50), QColor(1, 2, 3), QColor(17, 250, 129)}) {
        const uint32_t colorref =
            uint32_t(colour.red()) | uint32_t(colour.green()) << 8 | uint32_t(colour.blue()) << 16;
        auto drawing = load(QStringLiteral("c.wmf"), test::redSquareWmf(true, colorref));
        ASSERT_TRUE(drawing) << error_.toStdString();
        const QImage image = drawing->render(QSize(200, 100));
        EXPECT_EQ(QColor(image.pixel(50, 50)), colour)
            << colour.name().toStdString() << " as "
            << QColor(image.pixel(50, 50)).name().toStdString();
    }
}

TEST_F(VectorDrawingTest, PlainWmfTakesItsSizeFromWhatItDraws) {
    auto drawing = load(QStringLiteral("plain.wmf"), test::redSquareWmf(false));
    ASSERT_TRUE(drawing) << error_.toStdString();
    EXPECT_GT(drawing->naturalSize().width(), 50);
    EXPECT_EQ(drawing->naturalSize().width(), drawing->naturalSize().height());  // the square
    const QImage image = drawing->render(QSize(40, 20));
    EXPECT_TRUE(reddish(image.pixel(10, 10)));
}

TEST_F(VectorDrawingTest, DxfLinesAndCirclesAreDrawnUpright) {
    auto drawing = load(QStringLiteral("c.dxf"), test::lineAndCircleDxf());
    ASSERT_TRUE(drawing) << error_.toStdString();
    EXPECT_EQ(drawing->naturalSize(), QSize(100, 50));
    const QImage image = drawing->render(QSize(200, 100));
    ASSERT_EQ(image.size(), QSize(200, 100));
    EXPECT_TRUE(lineAt(image, 100, 50));       // the line through the circle's centre
    EXPECT_TRUE(lineAt(image, 100, 30));       // the top of the circle (y upwards)
    EXPECT_TRUE(lineAt(image, 2, 97));         // the line starts bottom left
    EXPECT_TRUE(white(image.pixel(190, 10)));  // the top right corner is empty
    EXPECT_TRUE(white(image.pixel(10, 10)));   // the top left corner too
}

TEST_F(VectorDrawingTest, DxfPolylinesCountButBlockDefinitionsDoNot) {
    const QByteArray dxf(
        "0\nSECTION\n2\nBLOCKS\n0\nBLOCK\n8\n0\n2\nB\n70\n0\n10\n0\n20\n0\n"
        "0\nLINE\n8\n0\n10\n0\n20\n0\n11\n999\n21\n999\n0\nENDBLK\n0\nENDSEC\n"
        "0\nSECTION\n2\nENTITIES\n"
        "0\nLWPOLYLINE\n8\n0\n90\n3\n70\n1\n10\n0\n20\n0\n10\n10\n20\n0\n10\n10\n20\n10\n"
        "0\nPOLYLINE\n8\n0\n66\n1\n70\n0\n0\nVERTEX\n8\n0\n10\n0\n20\n20\n"
        "0\nVERTEX\n8\n0\n10\n20\n20\n20\n0\nSEQEND\n0\nENDSEC\n0\nEOF\n");
    auto drawing = load(QStringLiteral("p.dxf"), dxf);
    ASSERT_TRUE(drawing) << error_.toStdString();
    // 20 × 20 units (without the block's line to 999) is tiny: scaled to 800 pixels.
    EXPECT_EQ(drawing->naturalSize(), QSize(800, 800));
    const QImage image = drawing->render(QSize(200, 200));
    EXPECT_TRUE(lineAt(image, 50, 150));  // the closing edge from (10, 10) to (0, 0)
    EXPECT_TRUE(lineAt(image, 100, 1));   // the open polyline along the top

    // A forged vertex count is refused before the DXF library allocates for it.
    for (const char* count : {"-1", "2000000000"}) {
        QByteArray forged = dxf;
        forged.replace("90\n3\n", QByteArray("90\n") + count + "\n");
        EXPECT_FALSE(load(QStringLiteral("forged.dxf"), forged)) << count;
        EXPECT_FALSE(error_.isEmpty());
    }
}

TEST_F(VectorDrawingTest, DxfBulgesBendAndInsertsPlaceTurnedScaledCopies) {
    // Block "SQ": a line (0, 0)-(10, 0), inserted at (30, 0) twice as large and turned by 90°:
    // (30, 0)-(30, 20). A polyline from (0, 0) to (20, 0) with bulge 1: a half circle below.
    // Two tiny lines at (-10, -20) and (40, 30) give a 50 × 50 box.
    const QByteArray dxf(
        "0\nSECTION\n2\nBLOCKS\n0\nBLOCK\n8\n0\n2\nSQ\n70\n0\n10\n0\n20\n0\n"
        "0\nLINE\n8\n0\n10\n0\n20\n0\n11\n10\n21\n0\n0\nENDBLK\n0\nENDSEC\n"
        "0\nSECTION\n2\nENTITIES\n"
        "0\nLWPOLYLINE\n8\n0\n90\n2\n70\n0\n10\n0\n20\n0\n42\n1\n10\n20\n20\n0\n"
        "0\nINSERT\n8\n0\n2\nSQ\n10\n30\n20\n0\n41\n2\n42\n2\n50\n90\n"
        "0\nLINE\n8\n0\n10\n-10\n20\n-20\n11\n-9\n21\n-20\n"
        "0\nLINE\n8\n0\n10\n40\n20\n30\n11\n39\n21\n30\n0\nENDSEC\n0\nEOF\n");
    auto drawing = load(QStringLiteral("i.dxf"), dxf);
    ASSERT_TRUE(drawing) << error_.toStdString();
    EXPECT_EQ(drawing->naturalSize(), QSize(800, 800));
    const QImage image = drawing->render(QSize(100, 100));  // x' = 2 (x + 10), y' = 2 (30 - y)
    EXPECT_TRUE(lineAt(image, 40, 80));       // the bottom of the half circle, (10, -10)
    EXPECT_TRUE(white(image.pixel(40, 40)));  // nothing above the chord
    EXPECT_TRUE(lineAt(image, 80, 40));       // the inserted copy, (30, 10)
    EXPECT_TRUE(white(image.pixel(90, 60)));  // not unturned
    EXPECT_TRUE(white(image.pixel(30, 60)));  // the block itself is not drawn
}

TEST_F(VectorDrawingTest, RenderingAnEmptySizeGivesNoPicture) {
    auto drawing = load(QStringLiteral("c.dxf"), test::lineAndCircleDxf());
    ASSERT_TRUE(drawing);
    EXPECT_TRUE(drawing->render(QSize(0, 10)).isNull());
}

TEST_F(VectorDrawingTest, BadFilesAreRefusedWithAMessage) {
    QByteArray truncatedWmf = test::redSquareWmf();
    truncatedWmf.chop(6);  // the end record is gone
    QByteArray truncatedEmf = test::redSquareEmf();
    truncatedEmf.chop(30);
    QByteArray lyingWmf = test::redSquareWmf();
    lyingWmf.replace(22 + 12, 4, QByteArray("\xff\xff\xff\x7f", 4));  // largest record
    const std::pair<QString, QByteArray> cases[] = {
        {QStringLiteral("lying.wmf"), lyingWmf},
        {QStringLiteral("empty.wmf"), QByteArray()},
        {QStringLiteral("empty.emf"), QByteArray()},
        {QStringLiteral("empty.dxf"), QByteArray()},
        {QStringLiteral("text.wmf"), QByteArray("this is no metafile at all, only text")},
        {QStringLiteral("cut.wmf"), truncatedWmf},
        {QStringLiteral("cut.emf"), truncatedEmf},
        {QStringLiteral("nosize.emf"), test::redSquareEmf(false)},
        {QStringLiteral("wmf.emf"), test::redSquareWmf()},
        {QStringLiteral("nothing.dxf"), QByteArray("0\nSECTION\n2\nENTITIES\n0\nENDSEC\n0\nEOF\n")},
        {QStringLiteral("point.dxf"),
         QByteArray("0\nSECTION\n2\nENTITIES\n0\nLINE\n8\n0\n10\n5\n20\n5\n11\n5\n21\n5\n"
                    "0\nENDSEC\n0\nEOF\n")},
        {QStringLiteral("noise.dxf"), QByteArray("\x01\x02\xff garbage\n\n\n")},
    };
    for (const auto& [name, bytes] : cases) {
        SCOPED_TRACE(name.toStdString());
        EXPECT_FALSE(load(name, bytes));
        EXPECT_FALSE(error_.isEmpty());
    }
    EXPECT_FALSE(vector::VectorDrawing::load(dir_.filePath(QStringLiteral("missing.wmf")), error_));
    EXPECT_TRUE(error_.contains(QStringLiteral("missing.wmf")));
}

}  // namespace
