// DXF beyond plain lines: colours by index, true colour, layer and block; line types and
// weights; solids, hatches and splines. Drawings of 100 × 100 units rendered at 100 × 100
// pixels (y upwards in the drawing).
#include <gtest/gtest.h>

#include <QByteArray>
#include <string>

#include "pixels.h"
#include "vector/dxf/dxf_drawing.h"
#include "vector/dxf/dxf_reader.h"

using namespace ximora;
using test::countIn;
using test::near;

namespace {

// Two points fix the drawing's box at (0, 0)-(100, 100).
constexpr const char* kCorners =
    "0\nPOINT\n8\n0\n10\n0\n20\n0\n0\nLINE\n8\n0\n10\n0\n20\n0\n11\n0.1\n21\n0\n"
    "0\nLINE\n8\n0\n10\n100\n20\n100\n11\n99.9\n21\n100\n";

std::string dxf(const std::string& tables, const std::string& blocks, const std::string& entities) {
    return "0\nSECTION\n2\nHEADER\n9\n$LTSCALE\n40\n1.0\n0\nENDSEC\n"
           "0\nSECTION\n2\nTABLES\n" +
           tables +
           "0\nENDSEC\n"
           "0\nSECTION\n2\nBLOCKS\n" +
           blocks +
           "0\nENDSEC\n"
           "0\nSECTION\n2\nENTITIES\n" +
           kCorners + entities + "0\nENDSEC\n0\nEOF\n";
}

std::string line(double x1, double y1, double x2, double y2, const std::string& groups) {
    return "0\nLINE\n" + groups + "10\n" + std::to_string(x1) + "\n20\n" + std::to_string(y1) +
           "\n11\n" + std::to_string(x2) + "\n21\n" + std::to_string(y2) + "\n";
}

QImage render(const std::string& text) {
    QString error;
    auto drawing = vector::loadDxf(QByteArray::fromStdString(text), error);
    EXPECT_TRUE(drawing) << error.toStdString();
    return drawing ? drawing->render(QSize(100, 100)) : QImage();
}

int row(double y) { return int(100 - y); }

TEST(DxfStylesTest, ColoursComeFromTheEntityItsLayerOrItsBlock) {
    const std::string tables =
        "0\nTABLE\n2\nLAYER\n"
        "0\nLAYER\n2\nBLUE\n70\n0\n62\n5\n6\nCONTINUOUS\n"
        "0\nLAYER\n2\nOFF\n70\n0\n62\n-1\n6\nCONTINUOUS\n"
        "0\nLAYER\n2\nFROZEN\n70\n1\n62\n1\n6\nCONTINUOUS\n0\nENDTAB\n";
    const std::string blocks = "0\nBLOCK\n8\n0\n2\nB\n70\n0\n10\n0\n20\n0\n" +
                               line(0, 0, 20, 0, "8\n0\n62\n0\n") + "0\nENDBLK\n";
    const QImage image = render(dxf(tables, blocks,
                                    line(10, 90, 90, 90, "8\n0\n62\n1\n") +  // red index
                                        line(10, 80, 90, 80, "8\nBLUE\n") +  // by layer
                                        line(10, 70, 90, 70, "8\n0\n62\n1\n420\n255\n") +  // true
                                        line(10, 60, 90, 60, "8\nOFF\n62\n1\n") +
                                        line(10, 50, 90, 50, "8\nFROZEN\n") +
                                        "0\nINSERT\n8\n0\n62\n1\n2\nB\n10\n10\n20\n30\n"));
    ASSERT_FALSE(image.isNull());
    EXPECT_TRUE(near(image, 50, row(90), test::reddish));
    EXPECT_TRUE(near(image, 50, row(80), test::bluish));
    EXPECT_TRUE(near(image, 50, row(70), test::bluish));  // 420 (0x0000FF) wins over 62
    EXPECT_EQ(countIn(image, QRect(5, row(62), 90, 5), test::dark), 0);
    EXPECT_EQ(countIn(image, QRect(5, row(52), 90, 5), test::dark), 0);
    EXPECT_TRUE(near(image, 20, row(30), test::reddish));  // by block: the insert's red
}

TEST(DxfStylesTest, LineTypesDashAndWeightsWiden) {
    const std::string tables =
        "0\nTABLE\n2\nLTYPE\n0\nLTYPE\n2\nDASHED\n70\n0\n3\n__ __\n72\n65\n73\n2\n40\n6.0\n"
        "49\n4.0\n74\n0\n49\n-2.0\n74\n0\n0\nENDTAB\n";
    const QImage image = render(dxf(tables, "",
                                    line(10, 80, 90, 80, "8\n0\n6\nDASHED\n") +
                                        line(10, 50, 90, 50, "8\n0\n370\n200\n")));  // 2 mm
    ASSERT_FALSE(image.isNull());
    const int ink = countIn(image, QRect(12, row(80), 76, 1), test::dark);
    EXPECT_GT(ink, 35);
    EXPECT_LT(ink, 66);
    // One unit is one pixel at the natural size (100 × 100), where 2 mm are 7.6 pixels.
    const int thickness = countIn(image, QRect(50, row(50) - 8, 1, 17), test::dark);
    EXPECT_GE(thickness, 6);
    EXPECT_LE(thickness, 9);
    EXPECT_LE(countIn(image, QRect(50, row(80) - 8, 1, 17), test::dark), 2);
}

TEST(DxfStylesTest, SolidsAndHatchesFillTheirAreas) {
    // A solid 10..40 (corners in the order 1, 2, 4, 3); a hatch with a polyline boundary whose
    // top edge bulges up by a half circle; a pattern hatch bounded by line and arc edges.
    const std::string solid =
        "0\nSOLID\n8\n0\n62\n1\n10\n10\n20\n10\n11\n40\n21\n10\n12\n10\n22\n40\n13\n40\n23\n40\n";
    const std::string polylineHatch =
        "0\nHATCH\n8\n0\n62\n5\n10\n0\n20\n0\n30\n0\n2\nSOLID\n70\n1\n71\n0\n91\n1\n"
        "92\n7\n72\n1\n73\n1\n93\n4\n"
        "10\n60\n20\n10\n42\n0\n10\n90\n20\n10\n42\n0\n10\n90\n20\n30\n42\n1\n10\n60\n20\n30\n42\n0"
        "\n"
        "97\n0\n75\n0\n76\n1\n98\n0\n";
    const std::string patternHatch =
        "0\nHATCH\n8\n0\n62\n1\n10\n0\n20\n0\n30\n0\n2\nANSI31\n70\n0\n71\n0\n91\n1\n"
        "92\n1\n93\n2\n72\n1\n10\n10\n20\n60\n11\n50\n21\n60\n"
        "72\n2\n10\n30\n20\n60\n40\n20\n50\n0\n51\n180\n73\n1\n97\n0\n"
        "75\n0\n76\n1\n52\n0\n41\n1\n77\n0\n78\n1\n53\n0\n43\n0\n44\n0\n45\n0\n46\n4\n79\n0\n98\n0"
        "\n";
    const QImage image = render(dxf("", "", solid + polylineHatch + patternHatch));
    ASSERT_FALSE(image.isNull());
    EXPECT_TRUE(test::reddish(image.pixel(25, row(25))));
    EXPECT_TRUE(test::bluish(image.pixel(75, row(20))));
    EXPECT_TRUE(test::bluish(image.pixel(75, row(42))));   // inside the bulge (radius 15)
    EXPECT_FALSE(test::bluish(image.pixel(62, row(43))));  // outside it, beside the square
    // Horizontal lines 4 units apart inside the half disc above (10..50, 60): red rows, white
    // between them, none outside.
    EXPECT_TRUE(near(image, 30, row(68), test::reddish, 1));
    EXPECT_TRUE(test::white(image.pixel(30, row(70))));
    EXPECT_EQ(countIn(image, QRect(52, row(85), 20, 20), test::reddish), 0);
}

TEST(DxfStylesTest, SplinesFollowTheirControlAndFitPoints) {
    // A clamped quadratic over (10, 10), (50, 90), (90, 10): it passes (50, 50) at its middle.
    const std::string controlled =
        "0\nSPLINE\n8\n0\n62\n1\n70\n8\n71\n2\n72\n6\n73\n3\n74\n0\n"
        "40\n0\n40\n0\n40\n0\n40\n1\n40\n1\n40\n1\n"
        "10\n10\n20\n10\n10\n50\n20\n90\n10\n90\n20\n10\n";
    // Through fit points only: (10, 20), (50, 5), (90, 20).
    const std::string fitted =
        "0\nSPLINE\n8\n0\n62\n5\n70\n8\n71\n3\n72\n0\n73\n0\n74\n3\n"
        "11\n10\n21\n20\n11\n50\n21\n5\n11\n90\n21\n20\n";
    vector::Scene scene;
    ASSERT_TRUE(vector::readDxf(dxf("", "", controlled + fitted), scene));
    const QImage image = render(dxf("", "", controlled + fitted));
    ASSERT_FALSE(image.isNull());
    EXPECT_TRUE(near(image, 50, row(50), test::reddish));
    EXPECT_FALSE(near(image, 50, row(88), test::reddish));  // not the control polygon
    EXPECT_TRUE(near(image, 50, row(5), test::bluish));
    EXPECT_TRUE(near(image, 30, row(9), test::bluish, 3));
}

TEST(DxfStylesTest, ATextLongerThanALineOfTheLibraryIsCutAndWhatFollowsIsRead) {
    // 1500 characters of three bytes each; the line drawn after the text must still be read.
    std::string words;
    for (int i = 0; i < 1500; ++i) words += "図";
    const std::string text = "0\nTEXT\n8\n0\n10\n20\n20\n20\n40\n5\n1\n" + words + "\n";
    vector::Scene scene;
    ASSERT_TRUE(vector::readDxf(dxf("", "", text + line(10, 50, 90, 50, "8\n0\n62\n1\n")), scene));
    ASSERT_EQ(scene.labels.size(), 1u);
    const std::string& kept = scene.labels[0].text;
    EXPECT_GT(kept.size(), 900u);
    EXPECT_LT(kept.size(), 1024u);
    EXPECT_EQ(kept.size() % 3, 0u);  // whole characters only
    EXPECT_EQ(kept, words.substr(0, kept.size()));
    const QImage image = render(dxf("", "", text + line(10, 50, 90, 50, "8\n0\n62\n1\n")));
    EXPECT_TRUE(near(image, 50, row(50), test::reddish));
}

}  // namespace
