// Range selection: registered range text kept and written back exactly, selections placed from
// registered and requested sizes, swapped, cleared, kept and recalled, the marking operations
// with their undo step, and the registration dialog reached through the editor control.
#include <QSignalSpy>

#include "editor/document/registered_ranges.h"
#include "editor/upce.h"
#include "editor/view/picture_view.h"
#include "editor_fixture.h"
#include "engine/ops/tone.h"

namespace ximora::editor::testing {
namespace {

const QString kRange = QStringLiteral("範囲");

using RangesTest = DocumentTest;

TEST(RegisteredRanges, KeepsValidEntriesExactlyAndCaptionsThem) {
    RegisteredRanges ranges;
    ranges.setText(QStringLiteral(
        "名刺,91,55,px:Zero,0,10,px:A4, 21,29.7,CM:Inch,4,6,inch:Extra,1.50,2,px,note"));
    EXPECT_EQ(ranges.text(), QStringLiteral("名刺,91,55,px:A4, 21,29.7,CM:Inch,4,6,inch:"
                                            "Extra,1.50,2,px,note"));
    EXPECT_EQ(
        ranges.captions(),
        QStringList({QStringLiteral("名刺(91 * 55 px)"), QStringLiteral("A4( 21 * 29.7 cm)"),
                     QStringLiteral("Inch(4 * 6 px)"), QStringLiteral("Extra(1.50 * 2 px)")}));
    ASSERT_NE(ranges.find(QStringLiteral("a4(whatever)")), nullptr);
    EXPECT_TRUE(ranges.find(QStringLiteral("A4( 21 * 29.7 cm)"))->centimetres);
    EXPECT_DOUBLE_EQ(ranges.find(QStringLiteral("Extra"))->widthValue, 1.5);
    EXPECT_EQ(ranges.find(QStringLiteral("Zero")), nullptr);
}

TEST(RegisteredRanges, MalformedTextLeavesNothing) {
    RegisteredRanges ranges;
    for (const char* bad : {"", ":::", ",,,", "x", "a,b", ",1,2,px", "n,1,2", "n,abc,2,px",
                            "n,1,-,px", "\n,\t,\r,:"}) {
        ranges.setText(QString::fromUtf8(bad));
        EXPECT_TRUE(ranges.entries().isEmpty()) << bad;
        EXPECT_EQ(ranges.text(), QString()) << bad;
    }
    ranges.setText(QStringLiteral("::Ok,5,5,px::"));
    EXPECT_EQ(ranges.text(), QStringLiteral("Ok,5,5,px"));
}

TEST_F(RangesTest, RegisteredEntriesPlaceSelectionsInPixelsOrCentimetres) {
    QStringList captions;
    QObject::connect(&doc_, &PictureDocument::rangesChanged,
                     [&captions](const QStringList& list) { captions = list; });
    doc_.setRegisteredRanges(
        QStringLiteral("ﾊｶﾞｷ,10,14.8,cm:Bad,0,3,px:Huge,5000,5000,px:Inch,40,30,inch"));
    EXPECT_EQ(captions.size(), 3);
    EXPECT_EQ(doc_.registeredRanges(),
              QStringLiteral("ﾊｶﾞｷ,10,14.8,cm:Huge,5000,5000,px:Inch,40,30,inch"));

    open(1200, 1800);
    doc_.setDpi(300);
    doc_.pcAct(kRange, QStringLiteral("ﾊｶﾞｷ(10 * 14.8 cm)"));
    EXPECT_EQ(doc_.selection(), (Selection{10, 10, 1191, 1758}));

    doc_.pcAct(kRange, QStringLiteral("Huge(5000 * 5000 px)"));
    EXPECT_EQ(doc_.selection(), (Selection{10, 10, 1200, 1800}));

    doc_.pcAct(kRange, QStringLiteral("Inch(40 * 30 px)"));  // any unit but cm is pixels
    EXPECT_EQ(doc_.selection(), (Selection{10, 10, 50, 40}));

    doc_.pcAct(kRange, QStringLiteral("Nobody(1 * 1 px)"));
    EXPECT_EQ(doc_.selection(), (Selection{10, 10, 50, 40}));
}

TEST_F(RangesTest, CentimetresOnAnImageWithoutResolutionUse96Dpi) {
    engine::Image image = engine::testing::randomImage(900, 900, 24);
    image.dpiX = image.dpiY = 0;
    doc_.takeImage(image);
    doc_.setRegisteredRanges(QStringLiteral("A4,21,29.7,cm"));
    doc_.pcAct(kRange, QStringLiteral("A4(21 * 29.7 cm)"));
    EXPECT_EQ(doc_.image().dpiX, 96);
    EXPECT_EQ(doc_.selection(), (Selection{10, 10, 804, 900}));  // 793.7 + 10; cut at 900
}

TEST_F(RangesTest, RequestedRangeSwapClearAndRecall) {
    open(600, 400);
    doc_.pcAct(kRange, QStringLiteral("User.Range (480.0 * 320.0 px)"));
    EXPECT_EQ(doc_.selection(), (Selection{10, 10, 490, 330}));
    doc_.pcAct(kRange, QStringLiteral("User.Range (0 * 320.0 px)"));  // no size: nothing moves
    EXPECT_EQ(doc_.selection(), (Selection{10, 10, 490, 330}));
    doc_.pcAct(kRange, QStringLiteral("現在のｻｲｽﾞを保存"));

    doc_.setSelection({10, 10, 110, 60});
    doc_.pcAct(kRange, QStringLiteral("X-Y変換"));
    EXPECT_EQ(doc_.selection(), (Selection{10, 10, 60, 110}));
    doc_.setSelection({0, 0, 100, 50});  // from the image's corner too
    doc_.pcAct(kRange, QStringLiteral("X-Y変換"));
    EXPECT_EQ(doc_.selection(), (Selection{0, 0, 50, 100}));
    doc_.setSelection({10, 10, 590, 60});  // a swap past the bottom edge is cut there
    doc_.pcAct(kRange, QStringLiteral("X-Y変換"));
    EXPECT_EQ(doc_.selection(), (Selection{10, 10, 60, 400}));

    doc_.pcAct(kRange, QStringLiteral("範囲のｸﾘｱ"));
    EXPECT_TRUE(doc_.selection().empty());
    doc_.pcAct(kRange, QStringLiteral("X-Y変換"));
    EXPECT_TRUE(doc_.selection().empty());
    doc_.pcAct(kRange, QStringLiteral("前回のｻｲｽﾞを呼出"));
    EXPECT_EQ(doc_.selection(), (Selection{10, 10, 490, 330}));
    EXPECT_EQ(doc_.editState(), kStateLoaded);
    EXPECT_EQ(doc_.undoCount(), 0);
}

TEST_F(RangesTest, DesaturatingMarksOnlyTheRangeWithOneUndoStep) {
    const engine::Image original = open(60, 40);
    doc_.setSelection({10, 5, 30, 25});
    doc_.pcAct(kRange, QStringLiteral("相対"));
    engine::Image expected = original;
    ASSERT_TRUE(engine::adjustSaturation(
        expected, engine::Area::inside({{10, 5}, {30, 5}, {30, 25}, {10, 25}}), {-100}));
    EXPECT_TRUE(engine::testing::samePixels(doc_.image(), expected));
    EXPECT_TRUE(doc_.selection().empty());
    EXPECT_EQ(doc_.undoCount(), 1);
    EXPECT_EQ(doc_.editState(), kStateEdited);

    doc_.pcAct(QStringLiteral("画像編集"), QStringLiteral("編集を一つ戻す"));
    EXPECT_TRUE(engine::testing::samePixels(doc_.image(), original));
    EXPECT_EQ(doc_.editState(), kStateLoaded);
}

TEST_F(RangesTest, HighlighterTurnsWhiteYellowAndKeepsAPaletteImagesDepth) {
    engine::Image white;
    ASSERT_TRUE(white.allocateZeroed(30, 20, 8));
    white.palette = {{255, 255, 255, 255}, {10, 20, 30, 255}};  // a colour palette, not greys
    white.dpiX = white.dpiY = 96;
    doc_.pcOpen(0, write(QStringLiteral("w.bmp"), white));
    const QString code = doc_.colourCode();
    doc_.setSelection({5, 5, 15, 10});
    doc_.pcAct(kRange, QStringLiteral("ﾏｰｶｰ"));
    EXPECT_EQ(doc_.colourCode(), code);
    EXPECT_EQ(doc_.image().pixel(6, 6), (engine::Colour{255, 255, 0, 255}));
    EXPECT_EQ(doc_.image().pixel(20, 6), (engine::Colour{255, 255, 255, 255}));
    EXPECT_EQ(doc_.undoCount(), 1);
}

TEST_F(RangesTest, MarkingWithoutARangeOrImageDoesNothing) {
    doc_.pcAct(kRange, QStringLiteral("ﾏｰｶｰ"));
    doc_.pcAct(kRange, QStringLiteral("ﾊｶﾞｷ(10 * 14.8 cm)"));
    const engine::Image original = open(20, 20);
    doc_.pcAct(kRange, QStringLiteral("相対"));
    EXPECT_TRUE(engine::testing::samePixels(doc_.image(), original));
    EXPECT_EQ(doc_.undoCount(), 0);
    EXPECT_EQ(doc_.editState(), kStateLoaded);
    doc_.pcAct(kRange, QStringLiteral("範囲の登録"));  // no window to ask: nothing
    EXPECT_EQ(doc_.registeredRanges(), QString());
}

class RangeControlTest : public DocumentTest {
  protected:
    RangeControlTest() {
        editor_.resize(400, 300);
        editor_.cOn(&editor_, work() + '/');
        editor_.StSize();
        editor_.show();
    }
    ~RangeControlTest() override {
        uPcE::setRangeDialog({});
        editor_.cOff();
    }
    uPcE editor_;
};

TEST_F(RangeControlTest, RegisteringHandsTheSelectionSizeToTheDialogAndTakesItsList) {
    editor_.pcOpen(0, write(QStringLiteral("e.bmp"), engine::testing::randomImage(200, 100, 24)));
    editor_.UsrHani(QStringLiteral("Old,1,2,px"));
    editor_.SetRect(50, 30);
    EXPECT_EQ(editor_.dGetImg()->selection(), (Selection{10, 10, 60, 40}));

    QString given;
    int width = 0, height = 0;
    QString answer = QStringLiteral("Temporary,50,30,px:Old,1,2,px:Bad,0,1,px");
    uPcE::setRangeDialog([&](const QString& list, int w, int h, QWidget*) {
        given = list, width = w, height = h;
        return answer;
    });
    QSignalSpy menus(&editor_, &uPcE::eChgHani);
    editor_.pcAct(kRange, QStringLiteral("範囲の登録"));
    EXPECT_EQ(given, QStringLiteral("Old,1,2,px"));
    EXPECT_EQ(width, 50);
    EXPECT_EQ(height, 30);
    EXPECT_EQ(editor_.UsrHani(), QStringLiteral("Temporary,50,30,px:Old,1,2,px"));
    ASSERT_EQ(menus.size(), 1);
    EXPECT_EQ(menus[0][0].toStringList(), QStringList({QStringLiteral("Temporary(50 * 30 px)"),
                                                       QStringLiteral("Old(1 * 2 px)")}));

    answer = editor_.UsrHani();  // the same list back: no new menu
    editor_.pcAct(kRange, QStringLiteral("範囲の登録"));
    EXPECT_EQ(menus.size(), 1);
}

TEST_F(RangeControlTest, ZoomingToTheSelectionFillsTheView) {
    editor_.pcOpen(0, write(QStringLiteral("e.bmp"), engine::testing::randomImage(800, 600, 24)));
    editor_.dGetImg()->setSelection({100, 100, 150, 125});
    editor_.pcAct(kRange, QStringLiteral("選択範囲を拡大"));
    const QSize view = editor_.viewSize();
    const PictureDocument& doc = *editor_.dGetImg();
    EXPECT_EQ(doc.scaleMode(), 3);
    EXPECT_DOUBLE_EQ(doc.zoomX(), std::min(view.width() / 50.0, view.height() / 25.0));
    const QRectF shown = editor_.view()->visibleImageRect();
    EXPECT_TRUE(shown.contains(QPointF(125, 112.5)));
    EXPECT_LT(shown.width(), 60);
}

}  // namespace
}  // namespace ximora::editor::testing
