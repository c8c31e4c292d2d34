// SVG files through librsvg: their stated size, stretching to the chosen one, and refusal of
// files that are no SVG or state no size.
#include <gtest/gtest.h>

#include <QByteArray>

#include "engine/core/error.h"
#include "pixels.h"
#include "vector/svg/svg_drawing.h"

using namespace ximora;

namespace {

std::unique_ptr<vector::VectorDrawing> load(const char* svg, QString& error) {
    return vector::loadSvg(QByteArray(svg), error);
}

TEST(SvgTest, StatedSizeAndStretchingToTheChosenOne) {
    QString error;
    // 200 × 100 pixels, red over the left half.
    auto drawing = load(
        "<svg xmlns='http://www.w3.org/2000/svg' width='200' height='100'>"
        "<rect width='100' height='100' fill='red'/></svg>",
        error);
    ASSERT_TRUE(drawing) << error.toStdString();
    EXPECT_EQ(drawing->naturalSize(), QSize(200, 100));
    const QImage image = drawing->render(QSize(400, 120));
    ASSERT_EQ(image.size(), QSize(400, 120));
    EXPECT_TRUE(test::reddish(image.pixel(190, 60)));
    EXPECT_TRUE(test::white(image.pixel(210, 60)));
    EXPECT_TRUE(test::reddish(image.pixel(5, 115)));

    // Centimetres at 96 pixels per inch; a relative size takes the viewBox.
    drawing = load("<svg xmlns='http://www.w3.org/2000/svg' width='2.54cm' height='1in'/>", error);
    ASSERT_TRUE(drawing) << error.toStdString();
    EXPECT_EQ(drawing->naturalSize(), QSize(96, 96));
    drawing = load(
        "<svg xmlns='http://www.w3.org/2000/svg' width='100%' height='100%' "
        "viewBox='0 0 480 360'/>",
        error);
    ASSERT_TRUE(drawing) << error.toStdString();
    EXPECT_EQ(drawing->naturalSize(), QSize(480, 360));
    // A claimed size far beyond any screen becomes 800 pixels on its longer side.
    drawing = load(
        "<svg xmlns='http://www.w3.org/2000/svg' width='100000000' height='50000000'>"
        "<rect width='50000000' height='50000000' fill='red'/></svg>",
        error);
    ASSERT_TRUE(drawing) << error.toStdString();
    EXPECT_EQ(drawing->naturalSize(), QSize(800, 400));
    EXPECT_TRUE(test::reddish(drawing->render(QSize(80, 40)).pixel(20, 20)));
}

TEST(SvgTest, FilesThatAreNoSvgOrStateNoSizeAreRefused) {
    QString error;
    EXPECT_FALSE(load("<svg xmlns='http://www.w3.org/2000/svg'><rect", error));
    EXPECT_EQ(error, QStringLiteral("SVGﾌｧｲﾙではありません"));
    EXPECT_EQ(engine::lastError(), engine::kErrBadFile);
    EXPECT_FALSE(load("plain text", error));
    EXPECT_FALSE(
        load("<svg xmlns='http://www.w3.org/2000/svg'><rect width='5' height='5'/></svg>", error));
    EXPECT_EQ(error, QStringLiteral("図形の大きさがありません"));
}

}  // namespace
