// SXF drawings in the feature-comment form, written by hand and rendered on an A4 sheet at one
// pixel per millimetre (y upwards on the sheet, downwards in the picture).
#include <gtest/gtest.h>

#include <QByteArray>

#include "engine/core/error.h"
#include "pixels.h"
#include "sxf_files.h"
#include "vector/sxf/sfc_records.h"
#include "vector/sxf/sxf_drawing.h"
#include "vector/sxf/sxf_reader.h"

using namespace ximora;
using test::countIn;
using test::near;

namespace {

/// The features after the shared tables, closed by the A4 sheet.
std::string sheetOf(std::vector<std::string> features) {
    std::vector<std::string> all = test::sfcTables();
    all.insert(all.end(), features.begin(), features.end());
    all.push_back(test::sfcSheet());
    return test::sfcFile(all);
}

QImage render(const std::string& text, QSize size = {297, 210}) {
    QString error;
    auto drawing = vector::loadSxf(QByteArray::fromStdString(text), error);
    EXPECT_TRUE(drawing) << error.toStdString();
    return drawing ? drawing->render(size) : QImage();
}

/// The picture row of sheet height `y` (millimetres) at one pixel per millimetre.
int row(double y) { return int(210 - y); }

TEST(SfcTest, LinesTakeTheirLayerColourTypeAndWidth) {
    const QImage image = render(sheetOf({
        // layer, colour, line type, width, from, to
        "line_feature('1','2','1','1','10.0','100.0','100.0','100.0')",    // red
        "line_feature('1','17','1','11','10.0','150.0','100.0','150.0')",  // user blue, 3 mm
        "line_feature('1','1','17','5','10.0','50.0','100.0','50.0')",     // user dashes 4/2
        "line_feature('2','2','1','9','150.0','20.0','250.0','20.0')",     // hidden layer
        "polyline_feature('1','2','1','1','3','(150.0,200.0,250.0)','(100.0,150.0,100.0)')",
    }));
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), QSize(297, 210));
    EXPECT_TRUE(near(image, 50, row(100), test::reddish));
    // Three millimetres wide: blue a pixel above and below the line, not four away.
    EXPECT_TRUE(test::bluish(image.pixel(50, row(150) - 1)));
    EXPECT_TRUE(test::bluish(image.pixel(50, row(150) + 1)));
    EXPECT_TRUE(test::white(image.pixel(50, row(150) + 4)));
    // Dashes of 4 mm with gaps of 2 mm: ink and paper along the line, about two to one.
    const int ink = countIn(image, QRect(12, row(50), 86, 1), test::dark);
    EXPECT_GT(ink, 40);
    EXPECT_LT(ink, 75);
    EXPECT_EQ(countIn(image, QRect(150, row(20) - 3, 100, 7), test::reddish), 0);
    EXPECT_TRUE(near(image, 200, row(150), test::reddish));  // the polyline's top
}

TEST(SfcTest, CurvesAreDrawnWhereAndWhichWayTheySay) {
    const QImage image = render(sheetOf({
        "circle_feature('1','1','1','1','60.0','150.0','30.0')",
        // arcs around (200, 150), radius 20, from 0° to 90°: counter-clockwise, then clockwise
        "arc_feature('1','2','1','1','200.0','150.0','20.0','0','0.0','90.0')",
        "arc_feature('1','17','1','1','200.0','60.0','20.0','1','0.0','90.0')",
        // an ellipse 40 × 10 turned by 90°
        "ellipse_feature('1','1','1','1','60.0','60.0','40.0','10.0','90.0')",
        // a Bézier curve from (100, 20) to (160, 20) pulled up to y = 50 at its middle
        "spline_feature('1','1','1','1','1','4','(100.0,100.0,160.0,160.0)','(20.0,60.0,60.0,20.0)'"
        ")",
    }));
    ASSERT_FALSE(image.isNull());
    EXPECT_TRUE(near(image, 90, row(150), test::dark));       // the circle's right
    EXPECT_TRUE(test::white(image.pixel(60, row(150))));      // not its middle
    EXPECT_TRUE(near(image, 214, row(164), test::reddish));   // the arc at 45°
    EXPECT_FALSE(near(image, 180, row(150), test::reddish));  // not at 180°
    EXPECT_TRUE(near(image, 180, row(60), test::bluish));     // the clockwise one goes round
    EXPECT_FALSE(near(image, 214, row(74), test::bluish));    // and leaves 45° out
    EXPECT_TRUE(near(image, 60, row(100), test::dark));       // the ellipse stands upright
    EXPECT_FALSE(near(image, 100, row(60), test::dark, 1));
    EXPECT_TRUE(near(image, 130, row(50), test::dark));  // the curve's top
    EXPECT_FALSE(near(image, 130, row(20), test::dark));
}

TEST(SfcTest, ShiftJisTextsAreReadAndDrawnInTheirBox) {
    // 図面 in Shift-JIS; the 0x5C trail byte of 表 must not end the quoted name.
    const std::string text = sheetOf({
        "text_string_feature('1','1','1',\\'\x90\x7d\x96\xca\\','20.0','20.0','20.0','40.0','0.0',"
        "'0.0','0.0','1','1')",
        "text_string_feature('1','2','1',\\'\x95\x5c\\','150.0','100.0','10.0','10.0','0.0','0.0',"
        "'0.0','5','1')",
    });
    vector::Scene scene;
    ASSERT_TRUE(vector::readSxf(text, scene));
    ASSERT_EQ(scene.labels.size(), 2u);
    EXPECT_EQ(scene.labels[0].text, "図面");
    EXPECT_EQ(scene.labels[1].text, "表");
    const QImage image = render(text);
    // The first text fills the box from (20, 20) to (60, 40), the second is centred on its point.
    EXPECT_GT(countIn(image, QRect(20, row(40), 40, 20), test::dark), 40);
    EXPECT_EQ(countIn(image, QRect(0, row(60), 18, 50), test::dark), 0);
    EXPECT_GT(countIn(image, QRect(145, row(105), 10, 10), test::reddish), 5);
}

TEST(SfcTest, FillsAndHatchesStayInsideTheirBoundaries) {
    const QImage image = render(sheetOf({
        // a square 20..80 with a hole 40..60, filled red
        "polyline_feature('1','1','1','1','5','(20.0,80.0,80.0,20.0,20.0)','(20.0,20.0,80.0,80.0,"
        "20.0)')",
        "composite_curve_org_feature('1','1','1','1')",
        "polyline_feature('1','1','1','1','5','(40.0,60.0,60.0,40.0,40.0)','(40.0,40.0,60.0,60.0,"
        "40.0)')",
        "composite_curve_org_feature('1','1','1','0')",
        "fill_area_style_colour_feature('1','2','1','1','(2)')",
        // a round area around (200, 100), radius 30, hatched blue every 5 mm across
        "arc_feature('1','1','1','1','200.0','100.0','30.0','0','0.0','180.0')",
        "arc_feature('1','1','1','1','200.0','100.0','30.0','0','180.0','360.0')",
        "composite_curve_org_feature('1','1','1','1')",
        "fill_area_style_hatching_feature('1','1','(17,1,1,200.0,100.0,5.0,0.0)','3','0','()')",
    }));
    ASSERT_FALSE(image.isNull());
    EXPECT_TRUE(test::reddish(image.pixel(30, row(30))));
    EXPECT_FALSE(test::reddish(image.pixel(50, row(50))));  // the hole
    EXPECT_FALSE(test::reddish(image.pixel(90, row(50))));
    // Hatch lines at y = 100, 105, 110...: blue rows inside the circle, none outside it.
    EXPECT_TRUE(near(image, 200, row(105), test::bluish, 1));
    EXPECT_TRUE(test::white(image.pixel(200, row(107.5))));
    EXPECT_EQ(countIn(image, QRect(235, row(130), 40, 60), test::bluish), 0);
}

// Fills and symbols as CAD tools write them: solid fills holding their own corners, a
// predefined brick symbol tiled over an area and placed on its own, markers placed as symbols.
TEST(SfcTest, InlineFillsTiledAndPlacedSymbols) {
    const std::string text = sheetOf({
        // a red square 20..60, its corners as parameters of their own
        "fill_area_style_colour_feature('1','2','4','20.0','20.0','60.0','20.0','60.0','60.0',"
        "'20.0','60.0')",
        // a blue square 80..120, its corners as two lists
        "fill_area_style_colour_feature('1','17','4','(80.0,120.0,120.0,80.0)','(20.0,20.0,60.0,"
        "60.0)')",
        // the area 150..250 × 20..120 laid with blue bricks 20 × 10 (the symbol at a tenth),
        // a course every 10 mm, each shifted by half a brick
        "polyline_feature('1','1','1','1','5','(150.0,250.0,250.0,150.0,150.0)','(20.0,20.0,"
        "120.0,120.0,20.0)')",
        "composite_curve_org_feature('1','1','1','0')",
        "fill_area_style_tiles_feature('1',\\'sxf_hatch_style_7_symbol\\','17','150.0','20.0',"
        "'20.0','0.0','20.0','90.0','0.1','0.1','0.0','1','0','()')",
        // a red circle marker, one brick, and a symbol no one defined
        "externally_defined_symbol_feature('1','1','2',\\'circle\\','30.0','150.0','0.0','4.0')",
        "externally_defined_symbol_feature('1','1','17',\\'sxf_hatch_style_7_symbol\\','80.0',"
        "'150.0','0.0','0.1')",
        "externally_defined_symbol_feature('1','0','1',\\'no such symbol\\','100.0','150.0',"
        "'0.0','1.0')",
    });
    vector::Scene scene;
    ASSERT_TRUE(vector::readSxf(text, scene)) << engine::lastError();
    EXPECT_EQ(scene.skipped, 1);  // the unknown symbol, counted
    const QImage image = render(text);
    ASSERT_FALSE(image.isNull());
    EXPECT_TRUE(test::reddish(image.pixel(40, row(40))));
    EXPECT_TRUE(test::bluish(image.pixel(100, row(40))));
    EXPECT_TRUE(test::white(image.pixel(70, row(40))));
    EXPECT_TRUE(test::brickTilesLaid(image));
    // The symbols on their own: the circle around (30, 150), the brick's base from 80 to 100.
    EXPECT_TRUE(near(image, 30 + 3, row(150), test::reddish, 1));
    EXPECT_TRUE(test::white(image.pixel(30, row(150))));
    EXPECT_TRUE(near(image, 90, row(150), test::bluish, 1));
    EXPECT_TRUE(near(image, 90, row(160), test::bluish, 1));
}

TEST(SfcTest, DimensionsAndBalloonsDrawTheirLinesArrowsAndTexts) {
    const std::string text = sheetOf({
        // a linear dimension from (20, 100) to (120, 100) with both extension lines, filled
        // arrows pointing out, and its value
        "linear_dim_feature('1','2','1','1','20.0','100.0','120.0','100.0',"
        "'1','20.0','60.0','20.0','62.0','20.0','104.0',"
        "'1','120.0','60.0','120.0','62.0','120.0','104.0',"
        "'6','1','20.0','100.0','5.0','6','1','120.0','100.0','5.0',"
        "'1','1',\\'100\\','70.0','102.0','5.0','10.0','0.0','0.0','0.0','2','1')",
        // a balloon: leader from (200, 50) to (230, 80), circle around (240, 90), text "A"
        "balloon_feature('1','1','1','1','2','(200.0,230.0)','(50.0,80.0)','240.0','90.0','10.0',"
        "'6','4.0','1','1',\\'A\\','240.0','90.0','8.0','6.0','0.0','0.0','0.0','5','1')",
    });
    vector::Scene scene;
    ASSERT_TRUE(vector::readSxf(text, scene));
    ASSERT_EQ(scene.labels.size(), 2u);
    EXPECT_EQ(scene.labels[0].text, "100");
    EXPECT_EQ(scene.labels[1].text, "A");
    const QImage image = render(text);
    EXPECT_TRUE(near(image, 70, row(100), test::reddish));  // the dimension line
    EXPECT_TRUE(near(image, 20, row(80), test::reddish));   // an extension line
    // The arrow at the start: filled, 5 mm long, its tip on the extension line.
    EXPECT_GT(countIn(image, QRect(20, row(101.5), 5, 4), test::reddish), 6);
    EXPECT_GT(countIn(image, QRect(65, row(108), 12, 7), test::reddish), 3);  // "100"
    EXPECT_TRUE(near(image, 250, row(90), test::dark));                   // the balloon's circle
    EXPECT_TRUE(near(image, 215, row(65), test::dark));                   // its leader
    EXPECT_GT(countIn(image, QRect(198, row(54), 6, 6), test::dark), 4);  // the arrow at its start
}

TEST(SfcTest, FiguresArePlacedTurnedScaledAndNeverForever) {
    const std::string text = test::sfcFile({
        "line_feature('1','2','1','1','0.0','0.0','10.0','0.0')",
        "sfig_org_feature(\\'part\\','4')",
        // the part twice as large and turned by 90°, and once more in a partial drawing in
        // survey coordinates, placed as it lies: its axes are not swapped
        "sfig_locate_feature('1',\\'part\\','50.0','50.0','90.0','2.0','2.0')",
        "sfig_org_feature(\\'plan\\','1')",
        "sfig_locate_feature('1',\\'part\\','0.0','0.0','0.0','1.0','1.0')",
        "sfig_org_feature(\\'survey\\','2')",
        // a figure that places itself
        "line_feature('1','1','1','1','0.0','0.0','5.0','5.0')",
        "sfig_locate_feature('1',\\'loop\\','1.0','1.0','0.0','1.0','1.0')",
        "sfig_org_feature(\\'loop\\','3')",
        "sfig_locate_feature('1',\\'plan\\','0.0','0.0','0.0','1.0','1.0')",
        "sfig_locate_feature('1',\\'survey\\','150.0','100.0','0.0','1.0','1.0')",
        "sfig_locate_feature('1',\\'loop\\','250.0','10.0','0.0','1.0','1.0')",
        test::sfcSheet(),
    });
    const QImage image = render(text);
    ASSERT_FALSE(image.isNull());
    EXPECT_TRUE(near(image, 50, row(60), test::reddish));  // (50, 50) up to (50, 70)
    EXPECT_TRUE(near(image, 50, row(68), test::reddish));
    EXPECT_FALSE(near(image, 58, row(50), test::reddish));   // not along x
    EXPECT_TRUE(near(image, 155, row(100), test::reddish));  // survey: along x, as placed
    EXPECT_FALSE(near(image, 150, row(105), test::reddish, 1));
    EXPECT_TRUE(near(image, 252, row(12), test::dark));  // the loop drawn once
}

TEST(SfcTest, TheSheetFramesTheDrawing) {
    vector::Scene scene;
    ASSERT_TRUE(vector::readSxf(sheetOf({"line_feature('1','1','1','1','10.0','10.0','20.0','20.0'"
                                         ")"}),
                                scene));
    EXPECT_DOUBLE_EQ(scene.min.x, 0);
    EXPECT_DOUBLE_EQ(scene.max.x, 297);
    EXPECT_DOUBLE_EQ(scene.max.y, 210);
    // An empty sheet is shown as it is; an empty drawing without a sheet has no size.
    QString error;
    auto drawing = vector::loadSxf(QByteArray::fromStdString(sheetOf({})), error);
    ASSERT_TRUE(drawing) << error.toStdString();
    EXPECT_EQ(drawing->naturalSize(), QSize(1123, 794));  // A4 at 96 pixels per inch
    EXPECT_FALSE(
        vector::loadSxf(QByteArray::fromStdString(test::sfcFile(test::sfcTables())), error));
    EXPECT_EQ(error, QStringLiteral("図形の大きさがありません"));
    // What reaches beyond the sheet is framed with it, not cut off.
    ASSERT_TRUE(vector::readSxf(
        sheetOf({"line_feature('1','1','1','1','-20.0','10.0','350.0','230.0')"}), scene));
    EXPECT_DOUBLE_EQ(scene.min.x, -20);
    EXPECT_DOUBLE_EQ(scene.min.y, 0);
    EXPECT_DOUBLE_EQ(scene.max.x, 350);
    EXPECT_DOUBLE_EQ(scene.max.y, 230);
    // Without a sheet, or with everything off it, what is drawn frames itself.
    ASSERT_TRUE(vector::readSxf(
        test::sfcFile({"line_feature('1','1','1','1','1000.0','1000.0','1100.0','1050.0')",
                       test::sfcSheet()}),
        scene));
    EXPECT_DOUBLE_EQ(scene.min.x, 1000);
    EXPECT_DOUBLE_EQ(scene.max.y, 1050);
}

// Feature comments as CAD tools write them: a version after the marker ("/*SXF3 ... SXF3*/"),
// lower case, spaces inside the markers, Fortran exponents. Each draws the plain file's line.
TEST(SfcTest, CommentMarkersAndNumbersAsCadToolsWriteThem) {
    const std::string plain =
        sheetOf({"line_feature('1','2','1','1','10.0','100.0','100.0','100.0')"});
    vector::Scene expected;
    ASSERT_TRUE(vector::readSxf(plain, expected));
    ASSERT_EQ(expected.paths.size(), 1u);
    const auto remarked = [&](const std::string& opener, const std::string& closer) {
        std::string text = plain;
        for (size_t at = text.find("/*SXF"); at != std::string::npos; at = text.find("/*SXF", at))
            text.replace(at, 5, opener), at += opener.size();
        for (size_t at = text.find("SXF*/"); at != std::string::npos; at = text.find("SXF*/", at))
            text.replace(at, 5, closer), at += closer.size();
        return text;
    };
    std::string fortran = plain;
    fortran.replace(fortran.find("'10.0','100.0','100.0'"), 22, "'1.0D+01','1.0d2','.1D3'");
    const std::pair<const char*, std::string> forms[] = {
        {"version suffix", remarked("/*SXF3", "SXF3*/")},
        {"lower case", remarked("/*sxf", "sxf*/")},
        {"spaces", remarked("/* SXF", "SXF */")},
        {"Fortran exponents", fortran},
    };
    for (const auto& [what, text] : forms) {
        SCOPED_TRACE(what);
        vector::Scene scene;
        ASSERT_TRUE(vector::readSxf(text, scene)) << engine::lastError();
        ASSERT_EQ(scene.paths.size(), expected.paths.size());
        EXPECT_EQ(scene.paths[0].points, expected.paths[0].points);
    }
    // A closer of another version, or one after the comment has ended, closes nothing: no
    // record is read, and nothing is drawn.
    for (const std::string& text : {remarked("/*SXF3", "SXF2*/"), remarked("/*SXF", "*/ SXF*/")}) {
        vector::Scene scene;
        EXPECT_TRUE(!vector::readSxf(text, scene) || scene.paths.empty());
        std::vector<vector::SfcRecord> records;
        EXPECT_EQ(vector::readSfcRecords(text, records), vector::SfcStatus::Damaged);
        EXPECT_TRUE(records.empty());
        QString error;
        EXPECT_FALSE(vector::loadSxf(QByteArray::fromStdString(text), error));
    }
    // A comment that only mentions SXF leaves a file of the other form as it is.
    EXPECT_FALSE(vector::hasFeatureComments("ISO-10303-21;\n/* SXF level 2 */\nHEADER;"));
}

TEST(SfcTest, QuotesInsideTextsAreRead) {
    // A quote and a comma inside escaped text; a doubled quote inside plain-quoted text.
    std::vector<vector::SfcRecord> records;
    ASSERT_EQ(
        vector::readSfcRecords(test::sfcFile({"text_feature(\\'a','b\\','it''s','1')"}), records),
        vector::SfcStatus::Complete);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].params, (std::vector<std::string>{"a','b", "it's", "1"}));
}

// A damaged record, a feature the reader does not know, a file cut after its records: each is
// left out and counted, and the rest is drawn.
TEST(SfcTest, WhatCannotBeReadIsLeftOutAndCounted) {
    const std::string line = "line_feature('1','2','1','1','10.0','100.0','100.0','100.0')";
    const std::string good = sheetOf({line});
    const std::pair<const char*, std::string> cases[] = {
        {"cut before its end", good.substr(0, good.rfind("ENDSEC"))},
        {"a record without quotes", sheetOf({line, "line_feature(1,1,1,1,0,0,5,5)"})},
        {"an unknown feature", sheetOf({line, "future_feature('1','2')"})},
    };
    for (const auto& [what, text] : cases) {
        SCOPED_TRACE(what);
        vector::Scene scene;
        ASSERT_TRUE(vector::readSxf(text, scene)) << engine::lastError();
        EXPECT_EQ(scene.skipped, 1);
        EXPECT_EQ(scene.paths.size(), 1u);
        QString error;
        const auto drawing = vector::loadSxf(QByteArray::fromStdString(text), error);
        ASSERT_TRUE(drawing) << error.toStdString();
        EXPECT_EQ(drawing->skippedRecords(), 1);
    }
    vector::Scene whole;
    ASSERT_TRUE(vector::readSxf(good, whole));
    EXPECT_EQ(whole.skipped, 0);
}

TEST(SfcTest, DamagedFilesAreRefusedWithTheReason) {
    const std::string good = sheetOf({"line_feature('1','1','1','1','10.0','10.0','20.0','20.0')"});
    const struct {
        const char* what;
        std::string text;
        int error;
    } cases[] = {
        {"empty", "", engine::kErrBadFile},
        {"text", "hello, this is no drawing", engine::kErrBadFile},
        {"cut in a record", good.substr(0, good.size() / 2), engine::kErrFileBroken},
        {"a record without quotes",
         test::sfcFile({"line_feature(1,1,1,1,0,0,5,5)", test::sfcSheet()}),
         engine::kErrFileBroken},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        vector::Scene scene;
        EXPECT_FALSE(vector::readSxf(c.text, scene));
        EXPECT_EQ(engine::lastError(), c.error);
        QString error;
        EXPECT_FALSE(vector::loadSxf(QByteArray::fromStdString(c.text), error));
        EXPECT_FALSE(error.isEmpty());
    }
    QString error;
    vector::loadSxf(QByteArray::fromStdString(good.substr(0, good.size() / 2)), error);
    EXPECT_EQ(error, QStringLiteral("SXFﾌｧｲﾙが壊れています"));
}

}  // namespace
