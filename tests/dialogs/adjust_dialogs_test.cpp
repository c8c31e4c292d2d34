// The adjustment dialogs, driven through their controls offscreen: what each application does to
// the working image compared with the engine run directly, the base / working rules of the tabs,
// the range, the rotation steps and baseline, and the colour depth preview.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTabBar>
#include <QTest>
#include <QToolButton>

#include "dialogs/colour_depth_dialog.h"
#include "dialogs/correction_dialog.h"
#include "dialogs/effects_dialog.h"
#include "dialogs/rotation_dialog.h"
#include "dialogs/spline_points.h"
#include "dialogs/value_slider.h"
#include "engine/colour/colour_reduce.h"
#include "engine/effects/emboss.h"
#include "engine/geometry/geometry.h"
#include "engine/ops/corrections.h"
#include "engine/ops/tone.h"
#include "engine/test_images.h"

namespace ximora::dialogs {
namespace {

using engine::Image;
using engine::testing::randomImage;
using engine::testing::samePixels;

const editor::Selection kNoRange{};

// Opens a tabbed dialog as Act does (shown, so the first activation sets the tab up).
template <class Dialog>
std::unique_ptr<Dialog> opened(const Image& image, const editor::Selection& range = kNoRange) {
    auto dialog = std::make_unique<Dialog>(image, 1, range);
    dialog->show();
    return dialog;
}

}  // namespace

TEST(CorrectionDialog, NothingHappensUntilDrawIsDownThenEveryChangeAppliesFromTheBase) {
    const Image image = randomImage(40, 30, 24);
    auto dialog = opened<spImgH>(image);
    dialog->tabs()->setCurrentIndex(spImgH::Blur);
    dialog->slider(3)->stepButton(1)->click();  // level 3, "Draw" up
    EXPECT_TRUE(samePixels(dialog->working(), image));

    dialog->drawButton()->click();
    Image expected = image;
    ASSERT_TRUE(engine::blur(expected, engine::Area::whole(), {3}));
    EXPECT_TRUE(samePixels(dialog->working(), expected));

    dialog->slider(3)->stepButton(1)->click();  // level 4 from the base, not from level 3
    expected = image;
    ASSERT_TRUE(engine::blur(expected, engine::Area::whole(), {4}));
    EXPECT_TRUE(samePixels(dialog->working(), expected));
}

TEST(CorrectionDialog, AnotherTabBuildsOnTheResultAndResetsItsControls) {
    const Image image = randomImage(40, 30, 24);
    auto dialog = opened<spImgH>(image);
    dialog->tabs()->setCurrentIndex(spImgH::Sharpen);
    dialog->drawButton()->click();
    Image sharpened = image;
    ASSERT_TRUE(engine::sharpen(sharpened, engine::Area::whole(), {5}));
    ASSERT_TRUE(samePixels(dialog->working(), sharpened));

    dialog->tabs()->setCurrentIndex(spImgH::Brightness);
    EXPECT_FALSE(dialog->drawButton()->isChecked());
    EXPECT_TRUE(samePixels(dialog->base(), sharpened));
    EXPECT_EQ(dialog->slider(0)->ValS(), 0);

    // Linked sliders: moving green moves red and blue, and the brightness applies once.
    dialog->linked()->setChecked(true);
    dialog->drawButton()->click();
    dialog->slider(1)->setUp(-255, 255, 10, 2, QString(), 38);
    dialog->slider(1)->stepButton(1)->click();
    EXPECT_EQ(dialog->slider(0)->ValS(), 40);
    EXPECT_EQ(dialog->slider(2)->ValS(), 40);
    Image expected = sharpened;
    ASSERT_TRUE(engine::adjustBrightness(expected, engine::Area::whole(), {40, 40, 40}));
    EXPECT_TRUE(samePixels(dialog->working(), expected));

    dialog->commandLabel(1)->click();  // "戻す": back to the base of this tab
    EXPECT_TRUE(samePixels(dialog->working(), sharpened));
}

TEST(CorrectionDialog, TheRangeLimitsTheWorkInsideOrOutside) {
    const Image image = randomImage(40, 30, 24);
    const editor::Selection range{10, 5, 30, 20};
    auto dialog = opened<spImgH>(image, range);
    dialog->tabs()->setCurrentIndex(spImgH::Brightness);
    dialog->drawButton()->click();
    dialog->slider(0)->stepButton(1)->click();
    const engine::Area inside = engine::Area::inside({{10, 5}, {30, 5}, {30, 20}, {10, 20}});
    Image expected = image;
    ASSERT_TRUE(engine::adjustBrightness(expected, inside, {2, 0, 0}));
    EXPECT_TRUE(samePixels(dialog->working(), expected));

    dialog->rangeOption(1)->click();
    expected = image;
    ASSERT_TRUE(engine::adjustBrightness(
        expected, engine::Area::outside({{10, 5}, {30, 5}, {30, 20}, {10, 20}}), {2, 0, 0}));
    EXPECT_TRUE(samePixels(dialog->working(), expected));
}

TEST(CorrectionDialog, EnterInAValueBoxAppliesTheValueAndLeavesDrawDown) {
    const Image image = randomImage(40, 30, 24);
    auto dialog = opened<spImgH>(image, {10, 5, 30, 20});
    dialog->tabs()->setCurrentIndex(spImgH::Blur);
    dialog->drawButton()->click();
    QLineEdit* box = dialog->slider(3)->text();
    box->setFocus();
    QCoreApplication::processEvents();  // focus selects the whole text, as a click does
    QTest::keyClicks(box, QStringLiteral("6"));
    QTest::keyClick(box, Qt::Key_Return);
    EXPECT_TRUE(dialog->drawButton()->isChecked());
    EXPECT_TRUE(dialog->isVisible());
    const engine::Area inside = engine::Area::inside({{10, 5}, {30, 5}, {30, 20}, {10, 20}});
    Image expected = image;
    ASSERT_TRUE(engine::blur(expected, inside, {6}));
    EXPECT_TRUE(samePixels(dialog->working(), expected));

    dialog->rangeOption(1)->click();  // the range options go on applying
    expected = image;
    ASSERT_TRUE(
        engine::blur(expected, engine::Area::outside({{10, 5}, {30, 5}, {30, 20}, {10, 20}}), {6}));
    EXPECT_TRUE(samePixels(dialog->working(), expected));
}

TEST(CorrectionDialog, TheImageMenuAppliesOrCancels) {
    const Image image = randomImage(20, 20, 24);
    auto dialog = opened<spImgH>(image);
    dialog->tabs()->setCurrentIndex(spImgH::Smooth);
    dialog->drawButton()->click();
    Image smoothed = image;
    ASSERT_TRUE(engine::smoothEdges(smoothed, engine::Area::whole()));
    dialog->closeFromImageMenu(AdjustDialog::kApplyAndClose);
    EXPECT_TRUE(dialog->replaced());
    EXPECT_TRUE(samePixels(dialog->result(), smoothed));

    auto dismissed = opened<spImgH>(image);
    dismissed->closeFromImageMenu(-1);  // a menu closed without a choice does not apply here
    EXPECT_FALSE(dismissed->replaced());
}

TEST(SplinePoints, CentreAndEmphasisPlaceTheFivePoints) {
    const SplinePoints identity = splinePoints(0, 0);
    EXPECT_EQ(identity.inputs, (std::array<int, 5>{0, 64, 128, 192, 255}));
    EXPECT_EQ(identity.outputs, identity.inputs);
    EXPECT_EQ(splinePoints(100, 0).inputs, (std::array<int, 5>{0, 64, 128, 192, 255}));
    EXPECT_EQ(splinePoints(-100, 0).inputs, (std::array<int, 5>{0, 0, 0, 0, 0}));
    EXPECT_EQ(splinePoints(50, 0).inputs, (std::array<int, 5>{128, 160, 192, 224, 255}));
    const SplinePoints steep = splinePoints(0, 50);  // 64 → 32, 192 → 224 (ties to even)
    EXPECT_EQ(steep.outputs, (std::array<int, 5>{0, 32, 128, 224, 255}));
    const SplinePoints flat = splinePoints(0, -50);
    EXPECT_EQ(flat.outputs, (std::array<int, 5>{0, 96, 128, 160, 255}));
}

TEST(EffectsDialog, DrawAppliesTheDefaultsOfTheTab) {
    const Image image = randomImage(30, 20, 24);
    auto dialog = opened<spImgK>(image);
    dialog->drawButton()->click();  // "ｴﾝﾎﾞｽ": mask 0, emphasis 3, background 100
    Image expected = image;
    ASSERT_TRUE(engine::emboss(expected, engine::Area::whole(), {0, 3, 100}));
    EXPECT_TRUE(samePixels(dialog->working(), expected));

    dialog->tabs()->setCurrentIndex(spImgK::Invert);  // no box ticked: nothing changes
    const Image base = dialog->working();
    dialog->drawButton()->click();
    EXPECT_TRUE(samePixels(dialog->working(), base));
    dialog->channel(0)->click();
    Image red = base;
    ASSERT_TRUE(engine::invertChannels(red, engine::Area::whole(), {true, false, false}));
    EXPECT_TRUE(samePixels(dialog->working(), red));
}

TEST(EffectsDialog, EachTabShowsItsOwnControls) {
    auto dialog = opened<spImgK>(randomImage(10, 10, 24));
    struct Shown {
        spImgK::Tab tab;
        bool combo0, combo2;
        const char* firstItem;
    };
    for (const Shown& s :
         {Shown{spImgK::Mosaic, false, false, nullptr}, Shown{spImgK::Swirl, false, false, nullptr},
          Shown{spImgK::Motion, true, false, "線形"}, Shown{spImgK::Contour, false, true, "Yellow"},
          Shown{spImgK::Canvas, false, false, "上→右"},
          Shown{spImgK::Lens, false, false, "塗る"}}) {
        dialog->tabs()->setCurrentIndex(s.tab);
        SCOPED_TRACE(dialog->tabs()->tabText(s.tab).toStdString());
        EXPECT_EQ(dialog->combo(0)->isVisibleTo(dialog.get()), s.combo0);
        EXPECT_EQ(dialog->combo(2)->isVisibleTo(dialog.get()), s.combo2);
        if (s.firstItem) {
            const QComboBox* first = s.combo0 ? dialog->combo(0) : dialog->combo(1);
            EXPECT_EQ(first->currentText(), QString::fromUtf8(s.firstItem));
        }
        EXPECT_FALSE(dialog->drawButton()->isChecked());
    }
    dialog->tabs()->setCurrentIndex(spImgK::Swirl);
    EXPECT_EQ(dialog->slider(1)->ValS(), 1);  // twist 0 to 1 in tenths
    dialog->slider(1)->stepButton(0)->click();
    EXPECT_DOUBLE_EQ(dialog->slider(1)->ValS(), 0.9);
}

TEST(RotationDialog, StepsAccumulateAndMirror) {
    const Image image = randomImage(7, 5, 24);
    spImgR dialog(image, 1, QStringLiteral("24."));
    dialog.turnStep(1);
    dialog.turnStep(1);
    Image half = image;
    ASSERT_TRUE(engine::turn(half, 2));
    EXPECT_TRUE(samePixels(dialog.working(), half));
    dialog.turnStep(5);
    ASSERT_TRUE(engine::flipHorizontal(half));
    EXPECT_TRUE(samePixels(dialog.working(), half));
    EXPECT_EQ(dialog.working().bitsPerPixel(), 24);

    dialog.closeFromImageMenu(-1);  // dismissed: the rotation is kept
    EXPECT_TRUE(dialog.replaced());
    EXPECT_TRUE(samePixels(dialog.result(), half));
}

TEST(RotationDialog, PaletteImagesLeaveThePaletteWithTheirColours) {
    const Image image = randomImage(8, 6, 8);
    spImgR dialog(image, 1, QStringLiteral("8."));
    dialog.turnStep(2);
    EXPECT_GT(dialog.working().bitsPerPixel(), 8);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 6; ++x) ASSERT_EQ(dialog.working().pixel(x, y), image.pixel(y, 5 - x));
}

TEST(RotationDialog, TheBaselineGivesTheAngleThatLevelsIt) {
    EXPECT_EQ(spImgR::baselineAngle({100, 100}, {200, 150}, false), 2657);
    EXPECT_EQ(spImgR::baselineAngle({100, 100}, {200, 150}, true), -6343);
    EXPECT_EQ(spImgR::baselineAngle({100, 100}, {200, 100}, false), 0);
    EXPECT_EQ(spImgR::baselineAngle({100, 100}, {100, 150}, true), 0);

    const Image image = randomImage(300, 200, 24);
    spImgR dialog(image, 1, QStringLiteral("24."));
    EXPECT_FALSE(dialog.lineButton(0)->isEnabled());
    dialog.pointClicked({100, 100});
    EXPECT_EQ(dialog.prompt()->text(), QStringLiteral("基準線の終了位置を指定して下さい"));
    dialog.pointClicked({200, 100});  // level already: the buttons do nothing
    EXPECT_TRUE(dialog.lineButton(0)->isEnabled());
    dialog.lineButton(0)->click();
    EXPECT_TRUE(samePixels(dialog.working(), image));
    dialog.clearBaseline();
    EXPECT_FALSE(dialog.lineButton(1)->isEnabled());
    EXPECT_EQ(dialog.prompt()->text(), QStringLiteral("基準線の開始位置を指定して下さい"));
    dialog.pointClicked({100, 100});
    dialog.pointClicked({200, 150});
    dialog.lineButton(0)->click();
    Image expected = image;
    ASSERT_TRUE(engine::rotate(expected, {2657, false, false, {255, 255, 255, 255}, false}));
    EXPECT_TRUE(samePixels(dialog.working(), expected));
}

TEST(ColourDepthDialog, OkWithoutChangesHandsBackTheImage) {
    const Image image = randomImage(16, 12, 24);
    spImgC dialog(image, QStringLiteral("24."));
    EXPECT_TRUE(dialog.colourOption(6)->isChecked());
    EXPECT_FALSE(dialog.threshold()->slider()->isEnabled());
    dialog.okButton()->click();
    EXPECT_TRUE(dialog.replaced());
    EXPECT_TRUE(samePixels(dialog.result(), image));

    spImgC cancelled(image, QStringLiteral("24."));
    cancelled.colourOption(0)->click();
    cancelled.cancelButton()->click();
    EXPECT_FALSE(cancelled.replaced());
}

TEST(ColourDepthDialog, PreviewsConvertFromTheEditorsImageEveryTime) {
    const Image image = randomImage(16, 12, 24);
    spImgC dialog(image, QStringLiteral("24."));
    dialog.colourOption(3)->click();  // 256 colours, no diffusion
    Image expected = image;
    ASSERT_TRUE(engine::reduceColours(expected, {8, false, false, 128}));
    EXPECT_TRUE(samePixels(dialog.working(), expected));
    dialog.errorDiffusion()->click();  // again from the editor's image, not from the preview
    expected = image;
    ASSERT_TRUE(engine::reduceColours(expected, {8, false, true, 128}));
    EXPECT_TRUE(samePixels(dialog.working(), expected));

    dialog.colourOption(0)->click();  // black and white at the threshold
    EXPECT_TRUE(dialog.threshold()->slider()->isEnabled());
    dialog.threshold()->stepButton(1)->click();
    expected = image;
    ASSERT_TRUE(engine::reduceColours(expected, {1, false, true, 129}));
    EXPECT_TRUE(samePixels(dialog.working(), expected));
    dialog.invertButton()->click();
    ASSERT_TRUE(engine::invertChannels(expected, engine::Area::whole(), {true, true, true}));
    EXPECT_TRUE(samePixels(dialog.working(), expected));
}

TEST(ColourDepthDialog, EnterInTheThresholdBoxNeitherInvertsNorConfirms) {
    const Image image = randomImage(16, 12, 24);
    spImgC dialog(image, QStringLiteral("24."));
    dialog.show();
    dialog.colourOption(0)->click();
    QLineEdit* box = dialog.threshold()->text();
    box->setFocus();
    QCoreApplication::processEvents();
    QTest::keyClicks(box, QStringLiteral("90"));
    QTest::keyClick(box, Qt::Key_Enter);
    Image expected = image;
    ASSERT_TRUE(engine::reduceColours(expected, {1, false, false, 90}));
    EXPECT_TRUE(samePixels(dialog.working(), expected));  // not inverted
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_FALSE(dialog.replaced());
}

TEST(ColourDepthDialog, TheImagesOwnDepthIsNotConvertedAgain) {
    Image grey = randomImage(16, 12, 24);
    ASSERT_TRUE(engine::reduceColours(grey, {80, false, false, 128}));
    ASSERT_TRUE(engine::reduceColours(grey, {4, false, false, 128}));
    spImgC dialog(grey, QStringLiteral("40."));
    EXPECT_TRUE(dialog.colourOption(2)->isChecked());
    dialog.fixedPalette()->click();
    EXPECT_TRUE(samePixels(dialog.working(), grey));
}

TEST(ColourDepthDialog, ChoosingTheOwnDepthAgainShowsAndAppliesTheOriginal) {
    const Image image = randomImage(16, 12, 24);
    spImgC dialog(image, QStringLiteral("24."));
    dialog.colourOption(0)->click();  // black and white
    EXPECT_FALSE(samePixels(dialog.working(), image));
    dialog.colourOption(6)->click();  // back to 24 bits
    EXPECT_TRUE(samePixels(dialog.working(), image));
    dialog.okButton()->click();
    EXPECT_TRUE(samePixels(dialog.result(), image));
    EXPECT_EQ(dialog.result().colourCode(), 24);
}

}  // namespace ximora::dialogs
