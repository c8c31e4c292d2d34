// The editor control offscreen: menu state, painting in every scale mode, mouse modes, drops,
// prompts and dialogs that need a window.
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QMimeData>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QUrl>
#include <QWheelEvent>
#include <vector>

#include "editor/document/zoom_steps.h"
#include "editor/save/save_dialog.h"
#include "editor/upce.h"
#include "editor/view/pan_window.h"
#include "editor/view/picture_view.h"
#include "editor_fixture.h"
#include "engine/core/handles.h"
#include "engine/geometry/geometry.h"
#include "util/qimage_adapter.h"
#include "util/shared_values.h"

namespace ximora::editor::testing {
namespace {

class EditorControlTest : public DocumentTest {
  protected:
    EditorControlTest() {
        editor_.resize(400, 300);
        editor_.cOn(&editor_, work() + '/');
        editor_.StSize();
        editor_.show();
    }
    ~EditorControlTest() override { editor_.cOff(); }

    void openInEditor(int w, int h, const QString& name = QStringLiteral("e.bmp")) {
        editor_.pcOpen(0, write(name, engine::testing::randomImage(w, h, 24)));
        ASSERT_TRUE(editor_.dGetImg()->hasImage());
    }
    QWidget* viewport() { return editor_.view()->viewport(); }

    uPcE editor_;
};

TEST_F(EditorControlTest, MenuStateFollowsTheDocument) {
    bool exPc, edtP, rct, undo, pnw, tbar;
    int bits;
    editor_.GtMnState(exPc, edtP, rct, undo, bits, pnw, tbar);
    EXPECT_FALSE(exPc);
    openInEditor(50, 40);
    editor_.pcAct(QStringLiteral("色数"), QStringLiteral("ｸﾞﾚ-(8bit)"));
    editor_.dGetImg()->setSelection({1, 1, 10, 10});
    editor_.pcAct(QStringLiteral("表示"), QStringLiteral("実寸"));
    editor_.GtMnState(exPc, edtP, rct, undo, bits, pnw, tbar);
    EXPECT_TRUE(exPc && edtP && rct && undo && pnw);
    EXPECT_EQ(bits, 80);
    EXPECT_FALSE(tbar);
}

TEST_F(EditorControlTest, AdjustmentDialogsGetTheirRequestAndTheirResultIsKept) {
    openInEditor(50, 40);
    editor_.dGetImg()->setSelection({5, 6, 25, 16});
    AdjustmentRequest seen;
    bool take = true;
    uPcE::setAdjustmentDialogs([&](const AdjustmentRequest& r, engine::Image& image, QWidget*) {
        seen = r;
        if (take) engine::flipVertical(image);
        return take;
    });
    engine::Image expected = editor_.dGetImg()->image();
    engine::flipVertical(expected);
    editor_.pcAct(QStringLiteral("効果"), QStringLiteral("詳細指定"));
    EXPECT_EQ(seen.kind, Adjustment::Effects);
    EXPECT_EQ(seen.left, 5);
    EXPECT_EQ(seen.right, 25);
    EXPECT_EQ(seen.bottom, 16);
    EXPECT_TRUE(engine::testing::samePixels(editor_.dGetImg()->image(), expected));
    EXPECT_EQ(editor_.dGetImg()->editState(), kStateEdited);
    EXPECT_EQ(editor_.dGetImg()->undoCount(), 1);

    // The rotation dialog gets the colour code instead of the range; a cancelled dialog keeps
    // the state.
    editor_.dGetImg()->setEditState(kStateLoaded);
    take = false;
    editor_.pcAct(QStringLiteral("回転"), QStringLiteral("詳細指定"));
    EXPECT_EQ(seen.kind, Adjustment::Rotation);
    EXPECT_EQ(seen.colourCode, QStringLiteral("24."));
    EXPECT_EQ(seen.right, 0);
    EXPECT_EQ(editor_.dGetImg()->editState(), kStateLoaded);

    // Corrections and effects need full colour.
    editor_.pcAct(QStringLiteral("色数"), QStringLiteral("256色(8bit)"));
    script_->clear();
    seen = {};
    editor_.pcAct(QStringLiteral("補正"), QStringLiteral("詳細指定"));
    EXPECT_EQ(script_->messageTexts(),
              QStringList{QStringLiteral("ｴﾌｪｸﾄ処理は 24Bit Color 以上必要です")});
    EXPECT_EQ(seen.kind, Adjustment::ColourDepth);  // not opened
    uPcE::setAdjustmentDialogs(nullptr);
}

TEST_F(EditorControlTest, ResolutionDialogGetsTheFactsAndItsAnswerIsStored) {
    openInEditor(50, 40);
    int seen[4] = {};
    bool take = false;
    uPcE::setResolutionDialog([&](int& x, int& y, int w, int h, QWidget*) {
        seen[0] = x, seen[1] = y, seen[2] = w, seen[3] = h;
        x = 300, y = 150;
        return take;
    });
    // No resolution in the file reads as 72; a cancelled dialog changes nothing.
    editor_.pcAct(QStringLiteral("画像編集"), QStringLiteral("解像度"));
    EXPECT_EQ(std::vector<int>(seen, seen + 4), (std::vector<int>{72, 72, 50, 40}));
    EXPECT_EQ(editor_.dGetImg()->image().dpiX, 0);
    EXPECT_EQ(editor_.dGetImg()->editState(), kStateLoaded);

    take = true;
    editor_.pcAct(QStringLiteral("画像編集"), QStringLiteral("解像度"));
    EXPECT_EQ(editor_.dGetImg()->image().dpiX, 300);
    EXPECT_EQ(editor_.dGetImg()->image().dpiY, 150);
    EXPECT_EQ(editor_.dGetImg()->editState(), kStateEdited);

    // The next opening starts from the stored resolution.
    editor_.pcAct(QStringLiteral("画像編集"), QStringLiteral("解像度"));
    EXPECT_EQ(seen[0], 300);
    EXPECT_EQ(seen[1], 150);
    uPcE::setResolutionDialog(nullptr);
}

TEST_F(EditorControlTest, PaintsInEveryScaleModeOnlyTheVisiblePart) {
    openInEditor(1500, 900);
    for (const char* mode : {"ｽｹｰﾙ", "ｽﾄﾚｯﾁ", "実寸", "横合わせ", "縦合わせ"}) {
        editor_.pcAct(QStringLiteral("表示"), QString::fromUtf8(mode));
        const QImage shot = editor_.grab().toImage();
        EXPECT_FALSE(shot.isNull()) << mode;
    }
    editor_.pcAct(QStringLiteral("拡大"), QStringLiteral("200%"));
    EXPECT_GT(editor_.view()->horizontalScrollBar()->maximum(), 0);
    const QRectF visible = editor_.view()->visibleImageRect();
    EXPECT_LT(visible.width(), 1500);
    editor_.pcAct(QStringLiteral("ﾊﾟﾝｳｨﾝﾄﾞｳ"), QStringLiteral("表示"));
    ASSERT_NE(editor_.view()->panWindow(), nullptr);
    EXPECT_TRUE(editor_.view()->panWindow()->isVisible());
    editor_.pcAct(QStringLiteral("表示"), QStringLiteral("ｽｹｰﾙ"));  // whole image: pan hidden
    EXPECT_FALSE(editor_.view()->panWindow()->isVisible());
}

TEST_F(EditorControlTest, LargePicturesShowAReducedFirstViewThenTheWholePicture) {
    // Red on the left, blue on the right, as a JPEG of 40 megapixels.
    engine::Image picture;
    ASSERT_TRUE(picture.allocate(8000, 5000, 24));
    for (int y = 0; y < 5000; ++y)
        for (int x = 0; x < 8000; ++x) {
            uint8_t* p = picture.row(y) + 3 * x;
            p[0] = x < 4000 ? 220 : 0, p[1] = 0, p[2] = x < 4000 ? 0 : 220;
        }
    const std::string file = QFile::encodeName(path(QStringLiteral("big.jpg"))).toStdString();
    ASSERT_TRUE(engine::saveImage(file, picture, {.format = engine::kSaveJpeg}));
    picture = engine::Image();

    editor_.pcOpen(0, path(QStringLiteral("big.jpg")));
    PictureDocument& doc = *editor_.dGetImg();
    // The view lays out the whole picture and paints its first view over it.
    EXPECT_EQ(doc.pictureSize(), QSize(8000, 5000));
    EXPECT_EQ(editor_.view()->imageSize(), QSize(8000, 5000));
    EXPECT_LT(doc.shownImage().width(), 8000);
    const QImage shot = editor_.view()->viewport()->grab().toImage();
    EXPECT_GT(qRed(shot.pixel(shot.width() / 4, shot.height() / 2)), 150);
    EXPECT_GT(qBlue(shot.pixel(3 * shot.width() / 4, shot.height() / 2)), 150);
    // The whole picture comes in by itself...
    EXPECT_TRUE(QTest::qWaitFor([&] { return doc.shownImage().width() == 8000; }, 120000));
    EXPECT_EQ(doc.pictureSize(), QSize(8000, 5000));

    // Past the memory budget it is refused at once: no first view, the picture shown stays.
    script_->clear();
    engine::setMemoryLimit(uint64_t(64) << 20);
    editor_.pcOpen(0, path(QStringLiteral("big.jpg")));
    engine::setMemoryLimit(0);
    EXPECT_EQ(script_->messageTexts(),
              QStringList{QStringLiteral("ﾒﾓﾘｴﾗｰが発生しました\rbig.jpg")});
    EXPECT_EQ(doc.shownImage().width(), 8000);

    // ...and a command given before it has come in works on the whole picture.
    editor_.pcOpen(0, path(QStringLiteral("big.jpg")));
    editor_.pcAct(QStringLiteral("回転"), QStringLiteral("右90度"));
    EXPECT_EQ(doc.image().width(), 5000);
    EXPECT_EQ(doc.image().height(), 8000);
    EXPECT_EQ(doc.pictureSize(), QSize(5000, 8000));
}

TEST_F(EditorControlTest, MouseSelectsScrollsAndZooms) {
    openInEditor(200, 150);
    editor_.pcAct(QStringLiteral("表示"), QStringLiteral("実寸"));
    QTest::mousePress(viewport(), Qt::LeftButton, {}, QPoint(110, 85));
    QTest::mouseMove(viewport(), QPoint(150, 120));
    QTest::mouseRelease(viewport(), Qt::LeftButton, {}, QPoint(150, 120));
    EXPECT_FALSE(editor_.dGetImg()->selection().empty());

    QSignalSpy popUps(&editor_, &uPcE::ePopUp);
    QTest::mouseClick(viewport(), Qt::RightButton, {}, QPoint(120, 90));
    EXPECT_EQ(popUps.count(), 1);

    editor_.pcAct(QStringLiteral("ﾏｳｽﾄﾞﾗｯｸﾞ"), QStringLiteral("拡大縮小"));
    for (int i = 0; i < 3; ++i) QTest::mouseClick(viewport(), Qt::LeftButton, {}, QPoint(120, 90));
    EXPECT_NEAR(editor_.dGetImg()->zoomX(), 1.331, 1e-9);
    QTest::mouseClick(viewport(), Qt::RightButton, {}, QPoint(120, 90));
    EXPECT_NEAR(editor_.dGetImg()->zoomX(), 1.21, 1e-9);
    EXPECT_EQ(popUps.count(), 1);  // no pop-up while zooming
}

TEST(ZoomSteps, StepThroughTheZoomMenuAndStopAtItsEnds) {
    EXPECT_DOUBLE_EQ(nextZoomStep(0.5, true), 0.6);
    EXPECT_DOUBLE_EQ(nextZoomStep(1.0, false), 0.9);
    EXPECT_DOUBLE_EQ(nextZoomStep(1.2, true), 1.5);  // a fitted scale between two steps
    EXPECT_DOUBLE_EQ(nextZoomStep(1.2, false), 1.0);
    EXPECT_DOUBLE_EQ(nextZoomStep(0.99999, true), 1.5);  // rounding does not skip a step
    EXPECT_DOUBLE_EQ(nextZoomStep(10.0, true), 10.0);
    // Below the menu's stops the wheel goes on in steps of about a quarter, down to 1 %.
    EXPECT_DOUBLE_EQ(nextZoomStep(0.5, false), 0.4);
    EXPECT_DOUBLE_EQ(nextZoomStep(0.4, true), 0.5);
    EXPECT_DOUBLE_EQ(nextZoomStep(0.11, true), 0.125);  // a large fitted picture
    EXPECT_DOUBLE_EQ(nextZoomStep(0.11, false), 0.1);
    EXPECT_DOUBLE_EQ(nextZoomStep(0.01, false), 0.01);
    double zoom = 10.0;
    for (int steps = 0; steps < 40 && nextZoomStep(zoom, false) != zoom; ++steps) {
        const double smaller = nextZoomStep(zoom, false);
        EXPECT_GE(smaller, zoom / 2) << "a step from " << zoom;
        zoom = smaller;
    }
    EXPECT_DOUBLE_EQ(zoom, 0.01);
}

TEST(ZoomSteps, PercentagesAsTheInformationLineShowsThem) {
    EXPECT_EQ(zoomPercentText(1.0), QStringLiteral("100%"));
    EXPECT_EQ(zoomPercentText(0.3712), QStringLiteral("37%"));
    EXPECT_EQ(zoomPercentText(10.0), QStringLiteral("1000%"));
    EXPECT_EQ(zoomPercentText(0.025), QStringLiteral("2.5%"));
    EXPECT_EQ(zoomPercentText(0.0996), QStringLiteral("10%"));
}

TEST_F(EditorControlTest, WheelAndKeysZoomAroundThePointer) {
    openInEditor(800, 600);
    editor_.pcAct(QStringLiteral("表示"), QStringLiteral("ｽｹｰﾙ"));
    const auto wheel = [this](int delta, QPoint at, Qt::KeyboardModifiers modifiers = {}) {
        QWheelEvent event(at, viewport()->mapToGlobal(at), {}, QPoint(0, delta), Qt::NoButton,
                          modifiers, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(viewport(), &event);
    };
    PictureDocument* doc = editor_.dGetImg();
    // Without the zoom inputs (dialog previews) the wheel leaves the view mode alone.
    wheel(120, QPoint(100, 100));
    EXPECT_EQ(doc->scaleMode(), 1);

    editor_.enableZoomInputs();
    QSignalSpy modes(&editor_, &uPcE::eChgViewMode);
    const QPoint at(100, 80);
    const QPointF under = editor_.view()->toImage(at);
    const double first = nextZoomStep(editor_.view()->currentZoom(), true);
    const double second = nextZoomStep(first, true);
    wheel(120, at);  // fitted: one notch is the step above the fitted scale, at actual size
    EXPECT_EQ(doc->scaleMode(), 3);
    EXPECT_DOUBLE_EQ(doc->zoomX(), first);
    EXPECT_EQ(modes.count(), 1);
    wheel(60, at);  // half a notch (a touchpad) does nothing yet, the second half does
    EXPECT_DOUBLE_EQ(doc->zoomX(), first);
    wheel(60, at);
    EXPECT_DOUBLE_EQ(doc->zoomX(), second);
    const QPointF back = editor_.view()->toView(under);
    EXPECT_NEAR(back.x(), at.x(), 1.0);  // the picture point stayed under the pointer
    EXPECT_NEAR(back.y(), at.y(), 1.0);
    wheel(-120, at);
    EXPECT_DOUBLE_EQ(doc->zoomX(), first);
    wheel(120, at, Qt::ShiftModifier);  // Shift scrolls
    EXPECT_DOUBLE_EQ(doc->zoomX(), first);

    editor_.activateWindow();
    QCoreApplication::processEvents();
    ASSERT_TRUE(editor_.isActiveWindow());
    QTest::keyClick(&editor_, Qt::Key_0, Qt::ControlModifier);
    EXPECT_EQ(doc->scaleMode(), 1);
    // The view may have lost its scroll bars meanwhile: the steps start from its fitted scale.
    const double refitted = nextZoomStep(editor_.view()->currentZoom(), true);
    QTest::keyClick(&editor_, Qt::Key_Plus, Qt::ControlModifier);
    EXPECT_EQ(doc->scaleMode(), 3);
    EXPECT_DOUBLE_EQ(doc->zoomX(), refitted);
    QTest::keyClick(&editor_, Qt::Key_Equal, Qt::ControlModifier);
    EXPECT_DOUBLE_EQ(doc->zoomX(), nextZoomStep(refitted, true));
    QTest::keyClick(&editor_, Qt::Key_Minus, Qt::ControlModifier);
    EXPECT_DOUBLE_EQ(doc->zoomX(), refitted);
}

TEST_F(EditorControlTest, KeysStepThroughTheFolderAndTheMiddleButtonOrSpacePans) {
    openInEditor(800, 600);
    PictureView* view = editor_.view();
    QSignalSpy steps(view, &PictureView::stepRequested);
    const auto stepsOf = [&](std::initializer_list<Qt::Key> keys) {
        steps.clear();
        for (Qt::Key key : keys) QTest::keyClick(view, key);
        std::vector<PictureView::Step> got;
        for (const QList<QVariant>& args : steps) got.push_back(args[0].value<PictureView::Step>());
        return got;
    };
    using Step = PictureView::Step;
    // Off (the previews of dialogs), the keys are the view's own.
    EXPECT_TRUE(stepsOf({Qt::Key_PageDown, Qt::Key_Space, Qt::Key_Home}).empty());

    view->setStepKeys(true);
    editor_.pcAct(QStringLiteral("表示"), QStringLiteral("ｽｹｰﾙ"));
    EXPECT_EQ(stepsOf({Qt::Key_Space, Qt::Key_PageDown, Qt::Key_Right, Qt::Key_Backspace,
                       Qt::Key_PageUp, Qt::Key_Left, Qt::Key_Home, Qt::Key_End}),
              (std::vector<Step>{Step::Next, Step::Next, Step::Next, Step::Previous, Step::Previous,
                                 Step::Previous, Step::First, Step::Last}));
    // Zoomed in, the arrows scroll the picture; the other keys still step.
    editor_.pcAct(QStringLiteral("表示"), QStringLiteral("実寸"));
    QScrollBar* across = view->horizontalScrollBar();
    ASSERT_GT(across->maximum(), 0);
    EXPECT_EQ(stepsOf({Qt::Key_Right}), std::vector<Step>{});
    EXPECT_GT(across->value(), 0);
    EXPECT_EQ(stepsOf({Qt::Key_PageDown}), std::vector<Step>{Step::Next});

    // Space held with a drag of the left button pans (in the selection mode), and letting go
    // of Space then does not step; the middle button pans without Space.
    across->setValue(200);
    steps.clear();
    QTest::keyPress(view, Qt::Key_Space);
    QTest::mousePress(viewport(), Qt::LeftButton, {}, QPoint(100, 100));
    QTest::mouseMove(viewport(), QPoint(60, 100));
    QTest::mouseRelease(viewport(), Qt::LeftButton, {}, QPoint(60, 100));
    QTest::keyRelease(view, Qt::Key_Space);
    EXPECT_EQ(across->value(), 240);
    EXPECT_EQ(steps.count(), 0);
    EXPECT_TRUE(editor_.dGetImg()->selection().empty());
    QTest::mousePress(viewport(), Qt::MiddleButton, {}, QPoint(100, 100));
    QTest::mouseMove(viewport(), QPoint(130, 100));
    QTest::mouseRelease(viewport(), Qt::MiddleButton, {}, QPoint(130, 100));
    EXPECT_EQ(across->value(), 210);
    EXPECT_TRUE(editor_.dGetImg()->selection().empty());
    editor_.pcAct(QStringLiteral("ﾏｳｽﾄﾞﾗｯｸﾞ"), QStringLiteral("拡大縮小"));
    const double zoom = editor_.dGetImg()->zoomX();
    QTest::mousePress(viewport(), Qt::MiddleButton, {}, QPoint(100, 100));
    QTest::mouseMove(viewport(), QPoint(90, 100));
    QTest::mouseRelease(viewport(), Qt::MiddleButton, {}, QPoint(90, 100));
    EXPECT_EQ(across->value(), 220);
    EXPECT_DOUBLE_EQ(editor_.dGetImg()->zoomX(), zoom);  // the zoom mode did not zoom
}

TEST_F(EditorControlTest, TransparentPixelsShowTheCheckerboardInTheViewAndThePanWindow) {
    openInEditor(10, 10);
    // Left half transparent, right half opaque red.
    engine::Image image = engine::testing::randomImage(64, 48, 32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            uint8_t* p = image.row(y) + 4 * x;
            const bool opaque = x >= 32;
            p[0] = opaque ? 255 : 0, p[1] = 0, p[2] = 0, p[3] = opaque ? 255 : 0;
        }
    editor_.GetObject()->takeImage(std::move(image));
    editor_.pcAct(QStringLiteral("表示"), QStringLiteral("実寸"));
    QCoreApplication::processEvents();
    const QImage shot = viewport()->grab().toImage();
    const QPointF corner = editor_.view()->toView(QPointF(0, 0));
    const auto at = [&](double x, double y) {
        return shot.pixelColor((corner + QPointF(x, y)).toPoint()).rgb();
    };
    // Squares of 8 pixels from the picture's corner: dark, light, dark...
    EXPECT_EQ(at(3, 3), QColor(0x99, 0x99, 0x99).rgb());
    EXPECT_EQ(at(11, 3), QColor(0xcc, 0xcc, 0xcc).rgb());
    EXPECT_EQ(at(11, 11), QColor(0x99, 0x99, 0x99).rgb());
    EXPECT_EQ(at(40, 20), QColor(255, 0, 0).rgb());  // opaque pixels cover it

    editor_.pcAct(QStringLiteral("ﾊﾟﾝｳｨﾝﾄﾞｳ"), QStringLiteral("表示"));
    PanWindow* pan = editor_.view()->panWindow();
    ASSERT_TRUE(pan);
    const QImage overview = pan->grab().toImage();
    int greys = 0;
    for (int y = 0; y < overview.height(); ++y)
        for (int x = 0; x < overview.width() / 2; ++x) {
            const QColor c = overview.pixelColor(x, y);
            greys += c == QColor(0xcc, 0xcc, 0xcc) || c == QColor(0x99, 0x99, 0x99);
        }
    EXPECT_GT(greys, 100);
}

// In a window a JPEG cut short shows what it holds, as viewers do; without one (ximora-batch)
// it is refused, so that no result is partly invented.
TEST_F(EditorControlTest, AJpegCutShortShowsWhatIsThereAndSaysSo) {
    const QString file = write(QStringLiteral("cut.jpg"), engine::testing::randomImage(64, 48, 24),
                               engine::kSaveJpeg);
    QFile cut(file);
    ASSERT_TRUE(cut.resize(cut.size() / 2));
    QSignalSpy info(&editor_, &uPcE::eStPcTyp);
    editor_.pcOpen(0, file);
    EXPECT_TRUE(script_->messageTexts().isEmpty());
    EXPECT_EQ(editor_.prFile(), file);
    ASSERT_FALSE(info.isEmpty());
    EXPECT_TRUE(info.last()[2].toString().endsWith(QStringLiteral("ﾌｧｲﾙが途中で切れています")));

    PictureDocument batch;  // no window
    batch.pcOpen(0, file);
    EXPECT_TRUE(batch.file().isEmpty());
}

TEST_F(EditorControlTest, DroppedFilesOpenByExtension) {
    const auto drop = [this](const QString& file) {
        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(file)});
        QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &mime, Qt::LeftButton, {});
        QApplication::sendEvent(viewport(), &enter);
        QDropEvent event(QPointF(50, 50), Qt::CopyAction, &mime, Qt::LeftButton, {});
        QApplication::sendEvent(viewport(), &event);
    };
    write(QStringLiteral("photo.Jpg"), engine::testing::randomImage(8, 8, 24));
    write(QStringLiteral("notes.txt"), engine::testing::randomImage(8, 8, 24));
    drop(path(QStringLiteral("notes.txt")));
    EXPECT_FALSE(editor_.dGetImg()->hasImage());
    drop(path(QStringLiteral("photo.Jpg")));
    EXPECT_EQ(editor_.prFile(), path(QStringLiteral("photo.Jpg")));
}

TEST_F(EditorControlTest, JpegQualityPrompt) {
    const auto ask = [this](std::optional<QString> answer) {
        script_->answerInput(answer);
        editor_.pcAct(QStringLiteral("JPG"), QStringLiteral("品質"));
        int q, u, m;
        QString s, k;
        editor_.GetPram(q, u, s, m, k);
        return q;
    };
    EXPECT_EQ(ask(QStringLiteral("150")), 100);
    EXPECT_EQ(ask(QStringLiteral("5")), 20);
    EXPECT_EQ(ask(QStringLiteral("abc")), 20);
    EXPECT_EQ(ask(QStringLiteral("64.6")), 65);
    EXPECT_EQ(ask(std::nullopt), 65);
    EXPECT_EQ(script_->calls().back().text, QStringLiteral("JPEGの品質(20~100)を入力"));
}

TEST_F(EditorControlTest, SaveAsThroughTheDialog) {
    openInEditor(10, 10);
    QString offered, startName, startFormat;
    QStringList formats;
    script_->onModal([&](QDialog& dialog) {
        auto& save = static_cast<SaveDialog&>(dialog);
        offered = save.formatBox()->itemText(0);
        for (int i = 0; i < save.formatBox()->count(); ++i)
            formats << save.formatBox()->itemText(i);
        startName = save.nameEdit()->text();
        startFormat = save.formatBox()->currentText();
        save.folderEdit()->setText(dir_.path());
        save.nameEdit()->setText(QStringLiteral("chosen"));
        save.formatBox()->setCurrentText(QStringLiteral("BMP"));
        return int(QDialog::Accepted);
    });
    editor_.pcAct(QStringLiteral("ﾌｧｲﾙ"), QStringLiteral("名前を付けて保存"));
    EXPECT_EQ(offered, QStringLiteral("BMP"));
    EXPECT_TRUE(formats.contains(QStringLiteral("WEBP")) &&
                formats.contains(QStringLiteral("JP2")));
    EXPECT_EQ(startName, QStringLiteral("e.bmp"));  // the current file's name and format
    EXPECT_EQ(startFormat, QStringLiteral("BMP"));
    EXPECT_EQ(editor_.prFile(), path(QStringLiteral("chosen.bmp")));
    EXPECT_TRUE(QFileInfo::exists(path(QStringLiteral("chosen.bmp"))));

    editor_.pcAct(QStringLiteral("回転"), QStringLiteral("右90度"));
    script_->onModal([](QDialog&) { return int(QDialog::Rejected); });
    editor_.pcAct(QStringLiteral("ﾌｧｲﾙ"), QStringLiteral("名前を付けて保存"));
    EXPECT_EQ(editor_.dGetImg()->editState(), kStateEdited);  // a cancelled save keeps it
}

TEST(SaveDialogTest, StartsAtTheNamesFormatAndKeepsTheExtensionWithTheFormat) {
    const QStringList formats = QStringLiteral("BMP;JPG;PNG;WEBP").split(';');
    SaveDialog jpeg(QStringLiteral("/tmp"), QStringLiteral("photo.jpeg"), formats);
    EXPECT_EQ(jpeg.formatBox()->currentText(), QStringLiteral("JPG"));
    EXPECT_EQ(jpeg.nameEdit()->text(), QStringLiteral("photo.jpeg"));
    jpeg.formatBox()->setCurrentText(QStringLiteral("WEBP"));
    EXPECT_EQ(jpeg.nameEdit()->text(), QStringLiteral("photo.webp"));
    EXPECT_EQ(jpeg.path(), QStringLiteral("/tmp/photo.webp"));
    // A picture the program only reads starts as the first format, without its extension.
    SaveDialog heic(QStringLiteral("/tmp"), QStringLiteral("shot.1.HEIC"), formats);
    EXPECT_EQ(heic.formatBox()->currentText(), QStringLiteral("BMP"));
    EXPECT_EQ(heic.nameEdit()->text(), QStringLiteral("shot.1"));
    heic.formatBox()->setCurrentText(QStringLiteral("PNG"));
    EXPECT_EQ(heic.path(), QStringLiteral("/tmp/shot.1.png"));
    // A name typed with another extension keeps it, and gets the format's after it.
    heic.nameEdit()->setText(QStringLiteral("notes.txt"));
    heic.formatBox()->setCurrentText(QStringLiteral("JPG"));
    EXPECT_EQ(heic.nameEdit()->text(), QStringLiteral("notes.txt"));
    EXPECT_EQ(heic.path(), QStringLiteral("/tmp/notes.txt.jpg"));
}

TEST_F(EditorControlTest, TheCloseQuestionAsksANameForAnUntitledPicture) {
    openInEditor(10, 10);
    editor_.GetObject()->takeImage(engine::testing::randomImage(9, 7, 24));  // as pasted
    editor_.pcAct(QStringLiteral("回転"), QStringLiteral("右90度"));
    ASSERT_EQ(editor_.dGetImg()->editState(), kStateEdited);

    // "Yes", then a cancelled name: the close is cancelled and the picture stays edited.
    script_->answer(util::MsgAnswer::Yes);
    script_->onModal([](QDialog&) { return int(QDialog::Rejected); });
    EXPECT_EQ(editor_.vCheckSave(), uPcE::kCancel);
    EXPECT_EQ(editor_.dGetImg()->editState(), kStateEdited);

    // "Yes", then a name: the picture is written there and the close may go on.
    script_->answer(util::MsgAnswer::Yes);
    script_->onModal([&](QDialog& dialog) {
        auto& save = static_cast<SaveDialog&>(dialog);
        save.folderEdit()->setText(dir_.path());
        save.nameEdit()->setText(QStringLiteral("kept"));
        save.formatBox()->setCurrentText(QStringLiteral("PNG"));
        return int(QDialog::Accepted);
    });
    EXPECT_EQ(editor_.vCheckSave(), uPcE::kYes);
    EXPECT_EQ(editor_.prFile(), path(QStringLiteral("kept.png")));
    EXPECT_TRUE(engine::testing::samePixels(read(path(QStringLiteral("kept.png"))),
                                            editor_.dGetImg()->image()));
}

TEST_F(EditorControlTest, DetailsNewImageAndHandles) {
    openInEditor(12, 10);
    editor_.pcAct(QStringLiteral("ﾌｧｲﾙ"), QStringLiteral("ﾌｧｲﾙの詳細"));
    const QString text = QApplication::clipboard()->text();
    EXPECT_TRUE(text.startsWith(QStringLiteral("ｲﾒｰｼﾞｻｲｽﾞ: 360\r巾: 12ﾋﾟｸｾﾙ\r高さ: 10ﾋﾟｸｾﾙ")))
        << text.toStdString();
    EXPECT_TRUE(text.endsWith(QStringLiteral("***  Clipboard に貼り付けました")));
    EXPECT_EQ(script_->messageTexts().last(), text);

    int handle = 0;
    editor_.GetHndle(handle);
    ASSERT_NE(handle, 0);
    const engine::ImageHandle other =
        engine::imageHandles().add(engine::testing::randomImage(3, 4, 24));
    editor_.DispImage(other);
    EXPECT_EQ(editor_.dGetImg()->image().width(), 3);
    EXPECT_EQ(editor_.dGetImg()->editState(), kStateLoaded);
    engine::imageHandles().free(other);

    const QSize view = editor_.viewSize();
    editor_.pcAct(QStringLiteral("ﾌｧｲﾙ"), QStringLiteral("新規作成"));
    EXPECT_EQ(editor_.dGetImg()->image().width(), qRound(view.width() * 0.8));
    EXPECT_EQ(editor_.prFile(), QString());
}

TEST_F(EditorControlTest, ClipboardCopyAndNewImage) {
    QClipboard* clipboard = QApplication::clipboard();
    QList<bool> busyAtChange;
    const QMetaObject::Connection watch =
        QObject::connect(clipboard, &QClipboard::dataChanged,
                         [&] { busyAtChange.append(util::shared().bClipBusy); });

    // Copy with a selection: only the selection goes out, at 96 dpi; the editor keeps its image.
    openInEditor(12, 10);
    const engine::Image original = editor_.dGetImg()->image();
    editor_.dGetImg()->setSelection({2, 3, 8, 7});
    editor_.pcAct(QStringLiteral("画像編集"), QStringLiteral("ｸﾘｯﾌﾟﾎﾞｰﾄﾞにｺﾋﾟｰ"));
    const QImage copied = clipboard->image();
    engine::Image part = original;
    ASSERT_TRUE(engine::trim(part, {2, 3, 8, 7}));
    EXPECT_TRUE(engine::testing::samePixels(util::fromQImage(copied), part));
    EXPECT_EQ(qRound(copied.dotsPerMeterX() * 0.0254), 96);
    EXPECT_TRUE(engine::testing::samePixels(editor_.dGetImg()->image(), original));
    EXPECT_EQ(editor_.dGetImg()->editState(), kStateLoaded);
    EXPECT_EQ(editor_.prFile(), path(QStringLiteral("e.bmp")));

    // New from the clipboard: an untitled 24-bit image, transparency laid over white.
    QImage picture(3, 2, QImage::Format_ARGB32);
    picture.fill(qRgba(10, 20, 30, 255));
    picture.setPixel(1, 1, qRgba(0, 0, 0, 0));
    clipboard->setImage(picture);
    QSignalSpy files(&editor_, &uPcE::eStFile);
    editor_.pcAct(QStringLiteral("画像編集"), QStringLiteral("ｸﾘｯﾌﾟﾎﾞｰﾄﾞから新規"));
    const engine::Image& pasted = editor_.dGetImg()->image();
    ASSERT_EQ(pasted.width(), 3);
    EXPECT_EQ(pasted.bitsPerPixel(), 24);
    EXPECT_EQ(pasted.dpiX, 96);
    EXPECT_EQ(pasted.row(0)[0], 10);
    EXPECT_EQ(pasted.row(1)[3], 255);
    EXPECT_EQ(editor_.prFile(), QString());
    EXPECT_EQ(editor_.dGetImg()->editState(), kStateLoaded);
    EXPECT_TRUE(editor_.dGetImg()->selection().empty());
    ASSERT_EQ(files.size(), 1);
    EXPECT_EQ(files[0][0].toString(), QString());

    // Text only: the engine's message, and the image stays.
    clipboard->setText(QStringLiteral("no picture"));
    const int messages = int(script_->messageTexts().size());
    editor_.pcAct(QStringLiteral("画像編集"), QStringLiteral("ｸﾘｯﾌﾟﾎﾞｰﾄﾞから新規"));
    ASSERT_EQ(script_->messageTexts().size(), messages + 1);
    EXPECT_EQ(script_->messageTexts().last(), QStringLiteral("表示ｲﾒｰｼﾞﾃﾞｰﾀがありません"));
    EXPECT_EQ(editor_.dGetImg()->image().width(), 3);

    QObject::disconnect(watch);
    EXPECT_FALSE(util::shared().bClipBusy);
    // The editor's own clipboard change is marked as such; the test's own changes are not.
    ASSERT_FALSE(busyAtChange.isEmpty());
    EXPECT_TRUE(busyAtChange.first());
}

// Under "確認無" a new picture or another file replaces an edited one without a question; the
// history was the old picture's, and undo never brings it back. "初期化" leaves no edited
// state behind.
TEST_F(EditorControlTest, ANewPictureOrAnotherFileStartsAFreshHistory) {
    openInEditor(12, 8);
    editor_.pcAct(QStringLiteral("編集更新"), QStringLiteral("確認無"));
    editor_.pcAct(QStringLiteral("回転"), QStringLiteral("右90度"));
    editor_.pcAct(QStringLiteral("ﾌｧｲﾙ"), QStringLiteral("新規作成"));
    const engine::Image blank = editor_.dGetImg()->image();
    EXPECT_EQ(editor_.dGetImg()->undoCount(), 0);
    editor_.pcAct(QStringLiteral("画像編集"), QStringLiteral("編集を一つ戻す"));
    EXPECT_TRUE(engine::testing::samePixels(editor_.dGetImg()->image(), blank));

    openInEditor(12, 8, QStringLiteral("first.bmp"));
    editor_.pcAct(QStringLiteral("回転"), QStringLiteral("右90度"));
    const QString other =
        write(QStringLiteral("other.bmp"), engine::testing::randomImage(5, 3, 24));
    editor_.pcOpen(1, other);
    EXPECT_EQ(editor_.dGetImg()->undoCount(), 0);
    editor_.pcAct(QStringLiteral("画像編集"), QStringLiteral("編集を一つ戻す"));
    EXPECT_EQ(editor_.dGetImg()->image().width(), 5);

    editor_.pcAct(QStringLiteral("回転"), QStringLiteral("右90度"));
    editor_.pcAct(QStringLiteral("ﾌｧｲﾙ"), QStringLiteral("初期化"));
    EXPECT_FALSE(editor_.dGetImg()->hasImage());
    EXPECT_EQ(editor_.dGetImg()->editState(), kStateInitial);
    EXPECT_EQ(editor_.dGetImg()->undoCount(), 0);
    EXPECT_TRUE(editor_.dGetImg()->file().isEmpty());
    script_->clear();
    EXPECT_EQ(editor_.vCheckSave(), uPcE::kNone);
    EXPECT_TRUE(script_->calls().empty());
}

}  // namespace
}  // namespace ximora::editor::testing
