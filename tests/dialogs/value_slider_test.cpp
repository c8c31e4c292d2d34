// The value slider: range mapping, text formats, step buttons past the range, and which changes
// raise the change event.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>
#include <QToolButton>

#include "dialogs/value_slider.h"

using ximora::dialogs::uSld;

namespace {

struct Configured {
    uSld slider;
    double pageStep;
    Configured(double minimum, double maximum, double largeChange, double step)
        : pageStep(largeChange) {
        slider.resize(300, 40);
        slider.cOn(minimum, maximum, pageStep, step, QStringLiteral("弱⇒"));
    }
};

}  // namespace

TEST(ValueSlider, WideAndNarrowRangesRunTheSliderFromZeroToHundred) {
    Configured wide(0, 255, 2, 1);
    EXPECT_EQ(wide.slider.slider()->minimum(), 0);
    EXPECT_EQ(wide.slider.slider()->maximum(), 100);
    EXPECT_EQ(wide.pageStep, 10);  // a scaled slider reports its own page step
    wide.slider.ValS(127.5);
    EXPECT_EQ(wide.slider.slider()->value(), 50);
    EXPECT_EQ(wide.slider.text()->text(), QStringLiteral("127.5"));
    EXPECT_EQ(wide.slider.caption(), QStringLiteral("弱⇒"));

    Configured narrow(-1, 1, 0, 0.1);
    EXPECT_DOUBLE_EQ(narrow.slider.factor(), 50);
    narrow.slider.ValS(0.5);
    EXPECT_EQ(narrow.slider.slider()->value(), 75);

    Configured plain(0, 50, 0, 1);  // 10 to 100 wide: the slider runs over the range itself
    EXPECT_DOUBLE_EQ(plain.slider.factor(), 1);
    EXPECT_EQ(plain.slider.slider()->maximum(), 50);
    EXPECT_EQ(plain.pageStep, 10);  // 0 becomes 10
    plain.slider.ValS(20);
    EXPECT_EQ(plain.slider.text()->text(), QStringLiteral("20"));
    plain.slider.ValS(0);
    EXPECT_EQ(plain.slider.text()->text(), QStringLiteral("0"));
}

TEST(ValueSlider, UserChangesRaiseOneEventAndSettingTheValueNone) {
    Configured c(0, 255, 10, 1);
    QSignalSpy changed(&c.slider, &uSld::eCngVL);
    c.slider.ValS(100);
    EXPECT_EQ(changed.count(), 0);

    c.slider.slider()->setValue(20);  // the user drags: the value follows the position
    EXPECT_EQ(changed.count(), 1);
    EXPECT_DOUBLE_EQ(c.slider.ValS(), 51);

    c.slider.text()->setFocus();
    c.slider.text()->selectAll();
    QTest::keyClicks(c.slider.text(), QStringLiteral("204"));
    EXPECT_EQ(changed.count(), 4);  // one per edit of the text
    EXPECT_EQ(c.slider.slider()->value(), 80);
}

TEST(ValueSlider, StepButtonsGoPastTheRangeWhileTheSliderStopsAtItsEnd) {
    Configured c(0, 100, 10, 1);
    c.slider.ValS(99.5);
    QSignalSpy changed(&c.slider, &uSld::eCngVL);
    c.slider.stepButton(1)->click();
    EXPECT_EQ(c.slider.text()->text(), QStringLiteral("100.5"));
    c.slider.stepButton(1)->click();
    EXPECT_EQ(c.slider.text()->text(), QStringLiteral("101.5"));
    EXPECT_EQ(c.slider.slider()->value(), 100);
    EXPECT_EQ(changed.count(), 2);

    Configured fine(0, 1, 0.5, 0.1);
    fine.slider.ValS(0.5);
    fine.slider.stepButton(0)->click();
    EXPECT_EQ(fine.slider.text()->text(), QStringLiteral("0.4"));
    EXPECT_EQ(fine.slider.slider()->value(), 40);
}

TEST(ValueSlider, DisablingCoversEveryPart) {
    Configured c(0, 10, 1, 1);
    c.slider.setEnabled(false);
    EXPECT_FALSE(c.slider.slider()->isEnabled());
    EXPECT_FALSE(c.slider.text()->isEnabled());
    EXPECT_FALSE(c.slider.stepButton(0)->isEnabled());
    EXPECT_FALSE(c.slider.stepButton(1)->isEnabled());
    double page = 1;
    c.slider.cOn(0, 10, page, 1, QString());
    EXPECT_TRUE(c.slider.stepButton(1)->isEnabled());
}

TEST(ValueSlider, TypedTextIsReadAsItsLeadingNumberAndEnterCommitsIt) {
    Configured c(0, 255, 10, 1);
    QSignalSpy changed(&c.slider, &uSld::eCngVL);
    c.slider.text()->setFocus();
    c.slider.text()->selectAll();
    QTest::keyClicks(c.slider.text(), QStringLiteral("102abc"));
    EXPECT_DOUBLE_EQ(c.slider.ValS(), 102);
    EXPECT_EQ(c.slider.slider()->value(), 40);  // the letters do not move it back to 0
    const int typed = static_cast<int>(changed.count());

    QTest::keyClick(c.slider.text(), Qt::Key_Return);
    EXPECT_EQ(c.slider.text()->text(), QStringLiteral("102"));
    EXPECT_EQ(changed.count(), typed + 1);  // Enter applies the value once more
    QTest::keyClick(c.slider.text(), Qt::Key_Enter);
    EXPECT_EQ(changed.count(), typed + 2);

    c.slider.text()->setText(QStringLiteral("abc"));
    EXPECT_DOUBLE_EQ(c.slider.ValS(), 0);
    c.slider.text()->setText(QStringLiteral(" -1.5e3"));
    EXPECT_DOUBLE_EQ(c.slider.ValS(), -1.5);
}

TEST(ValueSlider, TheValueBoxShowsSixCharactersInAnyFont) {
    for (int pointSize : {9, 18, 27}) {  // the last as at scale factor 2 and more
        Configured wide(-100, 1000, 10, 1);
        QFont font = wide.slider.font();
        font.setPointSize(pointSize);
        wide.slider.setFont(font);
        wide.slider.resize(600, 60);
        wide.slider.StSize();
        wide.slider.ValS(-100);
        const QLineEdit* box = wide.slider.text();
        EXPECT_GE(box->width(), box->fontMetrics().horizontalAdvance(QStringLiteral("-100.0")) + 4)
            << pointSize;
        EXPECT_LE(box->geometry().right(), wide.slider.width()) << pointSize;
        EXPECT_LE(wide.slider.slider()->geometry().right(), box->geometry().left()) << pointSize;
    }
}
