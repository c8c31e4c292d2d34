// SXF drawings in the STEP form (AP202 instances), written by hand and rendered on an A4 sheet
// at one pixel per millimetre.
#include <gtest/gtest.h>

#include <QByteArray>

#include "engine/core/error.h"
#include "pixels.h"
#include "sxf_files.h"
#include "vector/sxf/sxf_drawing.h"
#include "vector/sxf/sxf_reader.h"

using namespace ximora;
using test::countIn;
using test::near;

namespace {

// Shared instances: styles, units, the origin, the sheet (#900) of `items`, A4.
std::vector<std::string> common(const std::string& items) {
    return {
        "#1=DRAUGHTING_PRE_DEFINED_COLOUR('red');",
        "#2=DRAUGHTING_PRE_DEFINED_CURVE_FONT('continuous');",
        "#3=(LENGTH_UNIT() NAMED_UNIT(*) SI_UNIT(.MILLI.,.METRE.));",
        "#4=LENGTH_MEASURE_WITH_UNIT(POSITIVE_LENGTH_MEASURE(0.13),#3);",
        "#5=CURVE_STYLE(' ',#2,#4,#1);",  // thin red
        "#6=PRESENTATION_STYLE_ASSIGNMENT((#5));",
        "#7=CARTESIAN_POINT(' ',(0.0,0.0));",
        "#8=DIRECTION(' ',(1.0,0.0));",
        "#9=AXIS2_PLACEMENT_2D(' ',#7,#8);",
        "#10=COLOUR_RGB(' ',0.0,0.0,0.8);",
        "#11=CURVE_STYLE(' ',#2,POSITIVE_LENGTH_MEASURE(3.0),#10);",  // 3 mm blue
        "#12=PRESENTATION_STYLE_ASSIGNMENT((#11));",
        "#13=REPRESENTATION_CONTEXT('c','2D');",
        "#900=DRAWING_SHEET_REVISION('s',(" + items + "),#13,'01');",
        "#901=PLANAR_BOX(' ',297.0,210.0,#9);",
        "#902=PRESENTATION_SIZE(#900,#901);",
    };
}

std::string p21(const std::string& items, const std::vector<std::string>& more,
                const std::string& system = "CAD") {
    std::vector<std::string> all = common(items);
    all.insert(all.end(), more.begin(), more.end());
    return test::p21File(all, system);
}

QImage render(const std::string& text) {
    QString error;
    auto drawing = vector::loadSxf(QByteArray::fromStdString(text), error);
    EXPECT_TRUE(drawing) << error.toStdString();
    return drawing ? drawing->render(QSize(297, 210)) : QImage();
}

int row(double y) { return int(210 - y); }

std::string occurrence(int id, int styles, int item,
                       const char* kind = "ANNOTATION_CURVE_OCCURRENCE") {
    return "#" + std::to_string(id) + "=(" + kind +
           "() ANNOTATION_OCCURRENCE() GEOMETRIC_REPRESENTATION_ITEM() REPRESENTATION_ITEM(' ') "
           "STYLED_ITEM((#" +
           std::to_string(styles) + "),#" + std::to_string(item) + "));";
}

TEST(P21Test, CurvesTakeTheirStylesAndHiddenLayersStayHidden) {
    const QImage image = render(p21(
        "#100,#110,#120,#130,#140",
        {
            // a polyline from (10, 100) to (100, 100), red
            "#101=CARTESIAN_POINT(' ',(10.0,100.0));",
            "#102=CARTESIAN_POINT(' ',(100.0,100.0));",
            "#103=POLYLINE(' ',(#101,#102));",
            occurrence(100, 6, 103),
            // a line trimmed by its points, (10, 150) to (100, 150), 3 mm blue
            "#111=CARTESIAN_POINT(' ',(10.0,150.0));",
            "#112=CARTESIAN_POINT(' ',(100.0,150.0));",
            "#113=VECTOR(' ',#8,1.0);",
            "#114=LINE(' ',#111,#113);",
            "#115=TRIMMED_CURVE(' ',#114,(#111),(#112),.T.,.CARTESIAN.);",
            occurrence(110, 12, 115),
            // a circle around (200, 150), radius 20, trimmed from 0 to pi/2 radians
            "#121=CARTESIAN_POINT(' ',(200.0,150.0));",
            "#122=AXIS2_PLACEMENT_2D(' ',#121,#8);",
            "#123=CIRCLE(' ',#122,20.0);",
            "#124=TRIMMED_CURVE(' ',#123,(PARAMETER_VALUE(0.0)),(PARAMETER_VALUE(1.5707963)),.T.,"
            ".PARAMETER.);",
            occurrence(120, 6, 124),
            // a whole circle around (60, 50), radius 20, black and dashed 4/2
            "#131=CARTESIAN_POINT(' ',(60.0,50.0));",
            "#132=AXIS2_PLACEMENT_2D(' ',#131,#8);",
            "#133=CIRCLE(' ',#132,20.0);",
            "#134=CURVE_STYLE_FONT_PATTERN(4.0,2.0);",
            "#135=CURVE_STYLE_FONT('mine',(#134));",
            "#136=DRAUGHTING_PRE_DEFINED_COLOUR('black');",
            "#137=CURVE_STYLE(' ',#135,#4,#136);",
            "#138=PRESENTATION_STYLE_ASSIGNMENT((#137));",
            occurrence(130, 138, 133),
            // a red line on a hidden layer
            "#141=CARTESIAN_POINT(' ',(150.0,20.0));",
            "#142=CARTESIAN_POINT(' ',(250.0,20.0));",
            "#143=POLYLINE(' ',(#141,#142));",
            occurrence(140, 6, 143),
            "#150=PRESENTATION_LAYER_ASSIGNMENT('hidden',' ',(#140));",
            "#151=INVISIBILITY((#150));",
        }));
    ASSERT_FALSE(image.isNull());
    EXPECT_TRUE(near(image, 50, row(100), test::reddish));
    EXPECT_TRUE(test::bluish(image.pixel(50, row(150) - 1)));
    EXPECT_TRUE(test::white(image.pixel(50, row(150) + 4)));
    EXPECT_TRUE(near(image, 214, row(164), test::reddish));  // 45° on the arc
    EXPECT_FALSE(near(image, 180, row(150), test::reddish));
    const int ink = countIn(image, QRect(35, row(75), 50, 12), test::dark);
    EXPECT_GT(ink, 10);  // the top of the dashed circle: some dashes, some gaps
    EXPECT_EQ(countIn(image, QRect(150, row(20) - 3, 100, 7), test::reddish), 0);
}

TEST(P21Test, TextsFillsAndHatchesAreDrawn) {
    const std::string text = p21(
        "#200,#210,#220",
        {
            // テスト (in \X2\ form), centred on (150, 100), 10 mm high, 40 mm wide
            "#201=CARTESIAN_POINT(' ',(150.0,100.0));",
            "#202=AXIS2_PLACEMENT_2D(' ',#201,#8);",
            "#203=PLANAR_EXTENT(' ',40.0,10.0);",
            "#204=EXTERNAL_SOURCE(IDENTIFIER('scadec'));",
            "#205=EXTERNALLY_DEFINED_TEXT_FONT(IDENTIFIER('gothic'),#204);",
            "#206=TEXT_LITERAL_WITH_EXTENT('$$SXF_centre centre','\\X2\\30C630B930C8\\X0\\',#202,"
            "'centre',.RIGHT.,#205,#203);",
            "#207=TEXT_STYLE_FOR_DEFINED_FONT(#10);",
            "#208=TEXT_STYLE(' ',#207);",
            "#209=PRESENTATION_STYLE_ASSIGNMENT((#208));",
            occurrence(200, 209, 206, "ANNOTATION_TEXT_OCCURRENCE"),
            // a red square 20..80
            "#211=CARTESIAN_POINT(' ',(20.0,20.0));",
            "#212=CARTESIAN_POINT(' ',(80.0,20.0));",
            "#213=CARTESIAN_POINT(' ',(80.0,80.0));",
            "#214=CARTESIAN_POINT(' ',(20.0,80.0));",
            "#215=POLYLINE(' ',(#211,#212,#213,#214,#211));",
            "#216=ANNOTATION_FILL_AREA(' ',(#215));",
            "#217=FILL_AREA_STYLE_COLOUR(' ',#1);",
            "#218=FILL_AREA_STYLE(' ',(#217));",
            "#219=PRESENTATION_STYLE_ASSIGNMENT((#218));",
            occurrence(210, 219, 216, "ANNOTATION_FILL_AREA_OCCURRENCE"),
            // the square moved to 200..260, hatched blue across every 5 mm
            "#221=CARTESIAN_POINT(' ',(200.0,20.0));",
            "#222=CARTESIAN_POINT(' ',(260.0,20.0));",
            "#223=CARTESIAN_POINT(' ',(260.0,80.0));",
            "#224=CARTESIAN_POINT(' ',(200.0,80.0));",
            "#225=POLYLINE(' ',(#221,#222,#223,#224,#221));",
            "#226=ANNOTATION_FILL_AREA(' ',(#225));",
            "#227=DIRECTION(' ',(0.0,1.0));",
            "#228=VECTOR(' ',#227,5.0);",
            "#229=ONE_DIRECTION_REPEAT_FACTOR(' ',#228);",
            "#230=CARTESIAN_POINT(' ',(0.0,0.0));",
            "#231=FILL_AREA_STYLE_HATCHING(' ',#11,#229,#230,#230,0.0);",
            "#232=FILL_AREA_STYLE(' ',(#231));",
            "#233=PRESENTATION_STYLE_ASSIGNMENT((#232));",
            occurrence(220, 233, 226, "ANNOTATION_FILL_AREA_OCCURRENCE"),
        });
    vector::Scene scene;
    ASSERT_TRUE(vector::readSxf(text, scene));
    ASSERT_EQ(scene.labels.size(), 1u);
    EXPECT_EQ(scene.labels[0].text, "テスト");
    const QImage image = render(text);
    EXPECT_GT(countIn(image, QRect(130, row(105), 40, 10), test::bluish), 30);
    EXPECT_EQ(countIn(image, QRect(100, row(105), 25, 10), test::bluish), 0);
    EXPECT_TRUE(test::reddish(image.pixel(50, row(50))));
    EXPECT_TRUE(test::white(image.pixel(90, row(50))));
    EXPECT_TRUE(near(image, 230, row(50), test::bluish, 1));  // the hatch line at y = 50
    EXPECT_TRUE(test::white(image.pixel(230, row(52.5))));
    EXPECT_EQ(countIn(image, QRect(265, row(80), 25, 60), test::bluish), 0);
}

// A tiled hatching of SXF's brick symbol: the twin of the feature-comment file's, drawn alike.
TEST(P21Test, TilesOfAPredefinedSymbolAreLaid) {
    const QImage image = render(p21(
        "#500", {
                    // the area 150..250 × 20..120 laid with blue bricks 20 × 10
                    "#501=CARTESIAN_POINT(' ',(150.0,20.0));",
                    "#502=CARTESIAN_POINT(' ',(250.0,20.0));",
                    "#503=CARTESIAN_POINT(' ',(250.0,120.0));",
                    "#504=CARTESIAN_POINT(' ',(150.0,120.0));",
                    "#505=POLYLINE(' ',(#501,#502,#503,#504,#501));",
                    "#506=ANNOTATION_FILL_AREA(' ',(#505));",
                    "#507=DIRECTION(' ',(0.0,1.0));",
                    "#508=VECTOR(' ',#8,20.0);",
                    "#509=VECTOR(' ',#507,20.0);",
                    "#510=TWO_DIRECTION_REPEAT_FACTOR(' ',#508,#509);",
                    "#511=EXTERNAL_SOURCE(IDENTIFIER('SXF'));",
                    "#512=EXTERNALLY_DEFINED_SYMBOL(IDENTIFIER('sxf_hatch_style_7_symbol'),#511);",
                    "#513=AXIS2_PLACEMENT_2D(' ',#501,#8);",
                    "#514=SYMBOL_TARGET(' ',#513,0.1,0.1);",
                    "#515=DEFINED_SYMBOL(' ',#512,#514);",
                    "#516=SYMBOL_COLOUR(#10);",
                    "#517=SYMBOL_STYLE(' ',#516);",
                    "#518=PRESENTATION_STYLE_ASSIGNMENT((#517));",
                    "#519=ANNOTATION_SYMBOL_OCCURRENCE(' ',(#518),#515);",
                    "#520=FILL_AREA_STYLE_TILE_SYMBOL_WITH_STYLE(' ',#519);",
                    "#521=FILL_AREA_STYLE_TILES(' ',#510,(#520),1.0);",
                    "#522=FILL_AREA_STYLE(' ',(#521));",
                    "#523=PRESENTATION_STYLE_ASSIGNMENT((#522));",
                    occurrence(500, 523, 506, "ANNOTATION_FILL_AREA_OCCURRENCE"),
                }));
    ASSERT_FALSE(image.isNull());
    EXPECT_TRUE(test::brickTilesLaid(image));
}

TEST(P21Test, MappedItemsPlaceFiguresAndViews) {
    const QImage image = render(p21(
        "#320,#350",
        {
            // a figure: a red line (0, 0) to (10, 0), placed at (50, 50) twice as large, turned 90°
            "#301=CARTESIAN_POINT(' ',(10.0,0.0));",
            "#302=POLYLINE(' ',(#7,#301));",
            occurrence(303, 6, 302),
            "#304=DRAUGHTING_SUBFIGURE_REPRESENTATION('$$SXF_FM_part',(#303,#9),#13);",
            "#305=SYMBOL_REPRESENTATION_MAP(#9,#304);",
            "#306=CARTESIAN_POINT(' ',(50.0,50.0));",
            "#307=DIRECTION(' ',(0.0,1.0));",
            "#308=AXIS2_PLACEMENT_2D(' ',#306,#307);",
            "#309=SYMBOL_TARGET(' ',#308,2.0,2.0);",
            "#310=(ANNOTATION_SYMBOL() GEOMETRIC_REPRESENTATION_ITEM() MAPPED_ITEM(#305,#309) "
            "REPRESENTATION_ITEM(' '));",
            "#311=NULL_STYLE(.NULL.);",
            "#312=PRESENTATION_STYLE_ASSIGNMENT((#311));",
            occurrence(320, 312, 310, "ANNOTATION_SUBFIGURE_OCCURRENCE"),
            // a view of 100 × 50 shown at half size with its corner at (150, 100): its line from
            // (0, 0) to (100, 50) runs from (150, 100) to (200, 125)
            "#331=CARTESIAN_POINT(' ',(100.0,50.0));",
            "#332=POLYLINE(' ',(#7,#331));",
            occurrence(333, 12, 332),
            "#334=PRESENTATION_VIEW('v',(#333),#13);",
            "#335=PLANAR_BOX(' ',100.0,50.0,#9);",
            "#336=CAMERA_MODEL_D2('c',#335,.T.);",
            "#337=CAMERA_USAGE(#336,#334);",
            "#338=CARTESIAN_POINT(' ',(150.0,100.0));",
            "#339=AXIS2_PLACEMENT_2D(' ',#338,#8);",
            "#340=PLANAR_BOX(' ',50.0,25.0,#339);",
            "#350=CAMERA_IMAGE_2D_WITH_SCALE(' ',#337,#340);",
        }));
    ASSERT_FALSE(image.isNull());
    EXPECT_TRUE(near(image, 50, row(60), test::reddish));
    EXPECT_TRUE(near(image, 50, row(68), test::reddish));
    EXPECT_FALSE(near(image, 58, row(50), test::reddish));
    EXPECT_TRUE(near(image, 175, row(112.5), test::bluish));
    EXPECT_FALSE(near(image, 220, row(135), test::bluish));
}

TEST(P21Test, TerminatorsLieAlongTheirCurves) {
    const QImage image =
        render(p21("#400,#410", {
                                    "#401=CARTESIAN_POINT(' ',(50.0,100.0));",
                                    "#402=CARTESIAN_POINT(' ',(150.0,100.0));",
                                    "#403=POLYLINE(' ',(#401,#402));",
                                    occurrence(400, 6, 403, "DIMENSION_CURVE"),
                                    "#404=PRE_DEFINED_TERMINATOR_SYMBOL('filled arrow');",
                                    "#405=AXIS2_PLACEMENT_2D(' ',#401,#8);",
                                    "#406=SYMBOL_TARGET(' ',#405,6.0,6.0);",
                                    "#407=DEFINED_SYMBOL(' ',#404,#406);",
                                    "#410=DIMENSION_CURVE_TERMINATOR(' ',(#6),#407,#400,.ORIGIN.);",
                                }));
    ASSERT_FALSE(image.isNull());
    // Filled, 6 mm long from (50, 100) along the line, not behind its tip.
    EXPECT_GT(countIn(image, QRect(51, row(101), 5, 3), test::reddish), 6);
    EXPECT_EQ(countIn(image, QRect(40, row(103), 8, 6), test::reddish), 0);
}

// Files as CAD tools write them: a byte-order mark, keywords in lower case, a section of a
// later edition, Fortran exponents and reals without their leading digit. Each draws the same
// line as the plain file.
TEST(P21Test, WrittenAsCadToolsWriteThem) {
    const auto line = [](const std::string& from, const std::string& to) {
        return p21("#100", {"#101=CARTESIAN_POINT(' ',(" + from + "));",
                            "#102=CARTESIAN_POINT(' ',(" + to + "));",
                            "#103=POLYLINE(' ',(#101,#102));", occurrence(100, 6, 103)});
    };
    const std::string plain = line("10.0,100.0", "100.0,100.0");
    vector::Scene expected;
    ASSERT_TRUE(vector::readSxf(plain, expected));
    ASSERT_EQ(expected.paths.size(), 1u);
    const auto lowered = [](std::string text) {
        for (const char* word :
             {"ISO-10303-21;", "HEADER;", "ENDSEC;", "DATA;", "END-ISO-10303-21;"}) {
            std::string lower = word;
            for (char& c : lower) c = char(std::tolower(static_cast<unsigned char>(c)));
            for (size_t at = text.find(word); at != std::string::npos; at = text.find(word, at))
                text.replace(at, lower.size(), lower);
        }
        return text;
    };
    std::string withSection = plain;
    withSection.insert(withSection.find("DATA;"),
                       "ANCHOR;\n<a>=#101;\nENDSEC;\nREFERENCE;\n#7=<'x.stp#1'>;\nENDSEC;\n");
    const std::pair<const char*, std::string> forms[] = {
        {"byte-order mark", "\xEF\xBB\xBF" + plain},
        {"lower case", lowered(plain)},
        {"edition 3 sections", withSection},
        {"Fortran exponents", line("1.0D+01,1.0d2", "1.0E+02,100.0")},
        {"no leading digit", line("10.0,100.0", "100.,.1D3")},
    };
    for (const auto& [what, text] : forms) {
        SCOPED_TRACE(what);
        vector::Scene scene;
        ASSERT_TRUE(vector::readSxf(text, scene)) << engine::lastError();
        ASSERT_EQ(scene.paths.size(), 1u);
        EXPECT_EQ(scene.paths[0].points, expected.paths[0].points);
    }
}

// A line placed without a style is drawn with the default pen; a text reached through two
// callouts (a dimension's text, as CAD tools link it) is drawn once.
TEST(P21Test, UnstyledGeometryIsDrawnAndEachOccurrenceOnce) {
    const std::string text =
        p21("#300,#310,#320",
            {
                "#301=CARTESIAN_POINT(' ',(10.0,50.0));",
                "#302=CARTESIAN_POINT(' ',(200.0,50.0));",
                "#300=POLYLINE(' ',(#301,#302));",
                "#311=CARTESIAN_POINT(' ',(150.0,100.0));",
                "#312=AXIS2_PLACEMENT_2D(' ',#311,#8);",
                "#313=PLANAR_EXTENT(' ',40.0,10.0);",
                "#314=EXTERNAL_SOURCE(IDENTIFIER('scadec'));",
                "#315=EXTERNALLY_DEFINED_TEXT_FONT(IDENTIFIER('gothic'),#314);",
                "#316=TEXT_LITERAL_WITH_EXTENT('t','100',#312,'centre',.RIGHT.,#315,#313);",
                "#317=TEXT_STYLE_FOR_DEFINED_FONT(#10);",
                "#318=TEXT_STYLE(' ',#317);",
                "#319=PRESENTATION_STYLE_ASSIGNMENT((#318));",
                occurrence(330, 319, 316, "ANNOTATION_TEXT_OCCURRENCE"),
                "#310=DRAUGHTING_CALLOUT(' ',(#330));",
                "#320=(DRAUGHTING_CALLOUT(' ',(#330)) REPRESENTATION_ITEM(' '));",
            });
    vector::Scene scene;
    ASSERT_TRUE(vector::readSxf(text, scene));
    EXPECT_EQ(scene.labels.size(), 1u);
    ASSERT_EQ(scene.paths.size(), 1u);
    EXPECT_EQ(scene.paths[0].points.size(), 2u);
    EXPECT_TRUE(near(render(text), 100, row(50), test::dark));
}

// A damaged instance, or a file cut after its data, is left out and counted; the rest draws.
TEST(P21Test, WhatCannotBeReadIsLeftOutAndCounted) {
    const std::vector<std::string> line = {
        "#101=CARTESIAN_POINT(' ',(10.0,100.0));", "#102=CARTESIAN_POINT(' ',(100.0,100.0));",
        "#103=POLYLINE(' ',(#101,#102));", occurrence(100, 6, 103)};
    const std::string good = p21("#100", line);
    std::vector<std::string> damaged = line;
    damaged.push_back("#104=CARTESIAN_POINT(' ',(1.0,2.0;");
    damaged.push_back("#105=CARTESIAN_POINT('a;b',(1.0,2.0));");
    const std::pair<const char*, std::string> cases[] = {
        {"no end", good.substr(0, good.rfind("END-ISO"))},
        {"a damaged instance", p21("#100", damaged)},
    };
    for (const auto& [what, text] : cases) {
        SCOPED_TRACE(what);
        vector::Scene scene;
        ASSERT_TRUE(vector::readSxf(text, scene)) << engine::lastError();
        EXPECT_EQ(scene.skipped, 1);
        EXPECT_EQ(scene.paths.size(), 1u);
    }
}

TEST(P21Test, DamagedAndHostileFilesEndCleanly) {
    const std::string good =
        p21("#100",
            {"#101=CARTESIAN_POINT(' ',(10.0,100.0));", "#102=CARTESIAN_POINT(' ',(100.0,100.0));",
             "#103=POLYLINE(' ',(#101,#102));", occurrence(100, 6, 103)});
    vector::Scene scene;
    ASSERT_TRUE(vector::readSxf(good, scene));
    const struct {
        const char* what;
        std::string text;
        int error;
    } cases[] = {
        {"cut", good.substr(0, good.size() * 2 / 3), engine::kErrFileBroken},
        {"unclosed list", test::p21File({"#1=CARTESIAN_POINT(' ',(0.0,0.0;"}),
         engine::kErrFileBroken},
        {"unclosed string", test::p21File({"#1=CARTESIAN_POINT('x,(0.0,0.0));"}),
         engine::kErrFileBroken},
        {"deep list", test::p21File({"#1=X(" + std::string(100000, '(') + ");"}),
         engine::kErrFileBroken},
        {"a 3D model", "ISO-10303-21;\nHEADER;\nFILE_SCHEMA(('AUTOMOTIVE_DESIGN'));\n",
         engine::kErrFileBroken},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_FALSE(vector::readSxf(c.text, scene));
        EXPECT_EQ(engine::lastError(), c.error);
    }
    // References that lead nowhere or round in circles draw what they can and end.
    std::string callouts;
    for (int i = 1; i < 20000; ++i)
        callouts += "#" + std::to_string(i) + "=(DRAUGHTING_CALLOUT((#" + std::to_string(i + 1) +
                    ")) REPRESENTATION_ITEM(' '));\n";
    const std::string hostile[] = {
        test::p21File({callouts + "#20000=DRAWING_SHEET_REVISION('s',(#1),$,'01');"}),
        test::p21File({"#1=DRAWING_SHEET_REVISION('s',(#2,#3,#99),$,'01');",
                       "#2=(STYLED_ITEM((#1),#1));", "#3=STYLED_ITEM(' ',(#2),#3);"}),
        test::p21File({"#1=CARTESIAN_POINT(' ',(0.0,0.0));", "#2=AXIS2_PLACEMENT_2D(' ',#1,$);",
                       "#3=SYMBOL_TARGET(' ',#2,1.0,1.0);",
                       "#4=DRAUGHTING_SUBFIGURE_REPRESENTATION('loop',(#6,#7),$);",
                       "#5=SYMBOL_REPRESENTATION_MAP(#2,#4);",
                       "#6=(ANNOTATION_SYMBOL() MAPPED_ITEM(#5,#3) REPRESENTATION_ITEM(' '));",
                       "#8=CARTESIAN_POINT(' ',(1.0,1.0));", "#9=POLYLINE(' ',(#1,#8));",
                       "#7=(ANNOTATION_CURVE_OCCURRENCE() STYLED_ITEM((),#9));",
                       "#10=DRAWING_SHEET_REVISION('s',(#6),$,'01');"}),
    };
    for (const std::string& text : hostile) EXPECT_TRUE(vector::readSxf(text, scene));
    EXPECT_EQ(scene.paths.size(), 1u);  // the figure that places itself is drawn once
}

}  // namespace
