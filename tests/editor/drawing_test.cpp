// The drawing toolbar: shapes drawn with the mouse stay objects over the picture until the
// toolbar closes, then become pixels, with the undo steps and edit state the editor keeps.
#include <QPainter>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

#include "editor/draw/drawing_toolbar.h"
#include "editor/upce.h"
#include "editor/view/picture_view.h"
#include "editor_fixture.h"

namespace ximora::editor::testing {
namespace {

TEST(Drawing, CommittingPaintsTheShapesAndLeavesThePaletteBehind) {
    engine::Image image;
    ASSERT_TRUE(image.allocateZeroed(40, 30, 8));
    image.palette.assign(256, engine::Colour{0, 0, 0, 255});
    Drawing drawing;
    DrawnShape line;
    line.tool = DrawTool::Line;
    line.points = {QPointF(5, 10), QPointF(35, 10)};
    line.colour = QColor(255, 0, 0);
    line.width = 3;
    drawing.add(line);
    DrawnShape box;
    box.tool = DrawTool::FilledRectangle;
    box.points = {QPointF(10, 20), QPointF(20, 28)};
    box.colour = QColor(0, 0, 255);
    drawing.add(box);
    ASSERT_TRUE(drawing.commitInto(image));
    EXPECT_TRUE(drawing.empty());
    EXPECT_EQ(image.bitsPerPixel(), 24);
    EXPECT_EQ(image.pixel(20, 10), (engine::Colour{255, 0, 0, 255}));
    EXPECT_EQ(image.pixel(15, 24), (engine::Colour{0, 0, 255, 255}));
    EXPECT_EQ(image.pixel(2, 2), (engine::Colour{0, 0, 0, 255}));
}

class DrawingTest : public DocumentTest {
  protected:
    DrawingTest() {
        host_.resize(500, 400);
        editor_ = new uPcE(&host_);
        editor_->setGeometry(0, 0, 500, 400);
        editor_->cOn(&host_, work() + "/d/");
        editor_->StSize();
        host_.show();
        editor_->pcOpen(0,
                        write(QStringLiteral("d.bmp"), engine::testing::randomImage(100, 80, 24)));
        editor_->pcAct(QStringLiteral("表示"), QStringLiteral("実寸"));
    }
    ~DrawingTest() override { editor_->cOff(); }

    void drag(QPoint from, QPoint to) {
        QWidget* viewport = editor_->view()->viewport();
        const QPointF a = editor_->view()->toView(from), b = editor_->view()->toView(to);
        QTest::mousePress(viewport, Qt::LeftButton, {}, a.toPoint());
        QMouseEvent move(QEvent::MouseMove, b, viewport->mapToGlobal(b), Qt::NoButton,
                         Qt::LeftButton, {});
        QApplication::sendEvent(viewport, &move);
        QTest::mouseRelease(viewport, Qt::LeftButton, {}, b.toPoint());
    }

    QWidget host_;
    uPcE* editor_;
};

TEST_F(DrawingTest, ShapesStayObjectsUntilTheToolbarClosesThenBecomePixels) {
    PictureDocument& doc = *editor_->dGetImg();
    QSignalSpy shown(editor_, &uPcE::eShwTBar);
    editor_->pcAct(QStringLiteral("画像編集"), QStringLiteral("ﾂｰﾙﾊﾞｰを表示"));
    ASSERT_TRUE(doc.toolbarShown());
    ASSERT_TRUE(editor_->drawingToolbar());
    EXPECT_EQ(shown.count(), 1);

    editor_->drawingToolbar()->toolButton(DrawTool::Rectangle)->click();
    EXPECT_EQ(doc.toolKind(), int(DrawTool::Rectangle));
    EXPECT_EQ(doc.editState(), kStateEdited);
    const engine::Image before = doc.image();
    drag({20, 20}, {60, 50});
    ASSERT_EQ(doc.drawing().shapes().size(), 1);
    EXPECT_TRUE(engine::testing::samePixels(doc.image(), before));  // not painted yet
    EXPECT_EQ(doc.undoCount(), 1);                                  // the drawing's undo step
    EXPECT_EQ(doc.selection().left, 20);  // a rectangle with nothing selected is the selection
    EXPECT_EQ(doc.selection().bottom, 50);

    editor_->pcAct(QStringLiteral("画像編集"), QStringLiteral("ﾂｰﾙﾊﾞｰを表示"));  // hide
    EXPECT_FALSE(doc.toolbarShown());
    EXPECT_EQ(shown.count(), 2);
    EXPECT_TRUE(doc.drawing().empty());
    EXPECT_EQ(doc.image().pixel(40, 20), (engine::Colour{255, 0, 0, 255}));  // the top edge
    EXPECT_EQ(doc.image().pixel(40, 35), before.pixel(40, 35));              // inside: open
    EXPECT_EQ(doc.undoCount(), 2);

    editor_->pcAct(QStringLiteral("画像編集"), QStringLiteral("編集を一つ戻す"));
    editor_->pcAct(QStringLiteral("画像編集"), QStringLiteral("編集を一つ戻す"));
    EXPECT_TRUE(engine::testing::samePixels(doc.image(), before));
}

TEST_F(DrawingTest, TheToolbarClosedByTheUserCommitsAndThePointerDrawsNothing) {
    PictureDocument& doc = *editor_->dGetImg();
    editor_->pcAct(QStringLiteral("画像編集"), QStringLiteral("ﾂｰﾙﾊﾞｰを表示"));
    drag({10, 10}, {50, 50});  // the pointer tool
    EXPECT_TRUE(doc.drawing().empty());
    script_->answerInput(QStringLiteral("ABC"));
    editor_->drawingToolbar()->toolButton(DrawTool::Text)->click();
    drag({30, 40}, {30, 40});
    ASSERT_EQ(doc.drawing().shapes().size(), 1);
    EXPECT_EQ(doc.drawing().shapes().front().text, QStringLiteral("ABC"));
    QString name = path(QStringLiteral("drawn.bmp"));  // a save takes what is drawn along
    ASSERT_TRUE(doc.save(1, name, false, false));
    EXPECT_TRUE(doc.drawing().empty());
    EXPECT_FALSE(engine::testing::samePixels(read(name), read(path(QStringLiteral("d.bmp")))));
    editor_->drawingToolbar()->close();  // the user closes the window
    EXPECT_FALSE(doc.toolbarShown());
    EXPECT_TRUE(doc.drawing().empty());
    EXPECT_EQ(doc.editState(), kStateLoaded);  // saved, and nothing drawn since
}

}  // namespace
}  // namespace ximora::editor::testing
