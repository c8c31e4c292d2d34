// The resolution dialog driven through its boxes and buttons offscreen: the print sizes, the
// same-resolution box, what OK returns, and the printer reference without a printer.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPrintDialog>
#include <QPushButton>
#include <QToolButton>

#include "dialogs/resolution_dialog.h"
#include "util/scripted_messages.h"

namespace ximora::dialogs {
namespace {

using util::ScriptedMessages;

class ResolutionDialogTest : public ::testing::Test {
  protected:
    ResolutionDialogTest() {
        auto owned = std::make_unique<ScriptedMessages>();
        msg_ = owned.get();
        guard_ = std::make_unique<util::ScopedMessages>(std::move(owned));
    }

    // Types `text` into a box and ends it with `key`, as the user would.
    static void type(QLineEdit* box, const QString& text, int key = Qt::Key_Return) {
        box->setText(text);
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(box, &press);
    }

    ScriptedMessages* msg_;
    std::unique_ptr<util::ScopedMessages> guard_;
};

TEST_F(ResolutionDialogTest, ShowsPixelsAndPrintSizesForEachDirection) {
    spDpi dialog(200, 96, 1600, 1200);
    EXPECT_EQ(dialog.resolutionBox(0)->text(), "200");
    EXPECT_EQ(dialog.sizeLabel(0, 0)->text(), "1600");
    EXPECT_EQ(dialog.sizeLabel(0, 1)->text(), "8.0");
    EXPECT_EQ(dialog.sizeLabel(0, 2)->text(), "20.3");
    EXPECT_EQ(dialog.sizeLabel(1, 0)->text(), "1200");
    EXPECT_EQ(dialog.sizeLabel(1, 1)->text(), "12.5");
    EXPECT_EQ(dialog.sizeLabel(1, 2)->text(), "31.8");

    // Less than an inch has no leading zero; a typed fraction is rounded to an even integer.
    type(dialog.resolutionBox(0), "3200.5", Qt::Key_Down);
    EXPECT_EQ(dialog.entered(0), 3200);
    EXPECT_EQ(dialog.sizeLabel(0, 1)->text(), ".5");
    EXPECT_EQ(dialog.sizeLabel(0, 2)->text(), "1.3");
    EXPECT_EQ(dialog.resolutionBox(1)->text(), "96");  // not copied: the box is unchecked

    // A resolution of 0 (or no number) keeps that direction's sizes.
    type(dialog.resolutionBox(1), "abc", Qt::Key_Tab);
    EXPECT_EQ(dialog.sizeLabel(1, 1)->text(), "12.5");
    type(dialog.resolutionBox(0), "0");
    EXPECT_EQ(dialog.sizeLabel(0, 1)->text(), ".5");
}

TEST_F(ResolutionDialogTest, SameResolutionCopiesTheEditedBoxAndResetRestores) {
    spDpi dialog(72, 72, 100, 50);
    dialog.sameResolution()->setChecked(true);
    type(dialog.resolutionBox(0), "300");
    EXPECT_EQ(dialog.resolutionBox(1)->text(), "300");
    EXPECT_EQ(dialog.sizeLabel(1, 1)->text(), ".2");
    type(dialog.resolutionBox(1), "150", Qt::Key_Tab);
    EXPECT_EQ(dialog.resolutionBox(0)->text(), "150");

    dialog.resetButton()->click();
    EXPECT_EQ(dialog.resolutionBox(0)->text(), "72");
    EXPECT_EQ(dialog.resolutionBox(1)->text(), "72");
}

TEST_F(ResolutionDialogTest, ActReturnsOnlyAConfirmedChange) {
    int x = 72, y = 96;
    // OK without a change is like Cancel.
    msg_->onModal([](QDialog& d) {
        static_cast<spDpi&>(d).button(0)->click();
        return d.result();
    });
    EXPECT_FALSE(spDpi::Act(x, y, 10, 10));
    EXPECT_EQ(x, 72);

    // Cancel after typing keeps the values.
    msg_->onModal([](QDialog& d) {
        auto& dialog = static_cast<spDpi&>(d);
        dialog.resolutionBox(0)->setText("300");
        dialog.button(1)->click();
        return d.result();
    });
    EXPECT_FALSE(spDpi::Act(x, y, 10, 10));
    EXPECT_EQ(x, 72);

    msg_->onModal([](QDialog& d) {
        auto& dialog = static_cast<spDpi&>(d);
        dialog.resolutionBox(1)->setText("350");
        dialog.button(0)->click();
        return d.result();
    });
    EXPECT_TRUE(spDpi::Act(x, y, 10, 10));
    EXPECT_EQ(x, 72);
    EXPECT_EQ(y, 350);
    EXPECT_TRUE(msg_->messageTexts().isEmpty());
}

TEST_F(ResolutionDialogTest, AResolutionNoFileCanHoldIsRefused) {
    spDpi dialog(72, 72, 10, 10);
    for (const char* text : {"-5", "0", "70000"}) {
        msg_->clear();
        dialog.resolutionBox(0)->setText(QString::fromUtf8(text));
        dialog.button(0)->click();
        EXPECT_FALSE(dialog.confirmed()) << text;
        EXPECT_EQ(msg_->messageTexts(), QStringList{QStringLiteral("解像度が不正です")}) << text;
    }
    dialog.resolutionBox(0)->setText("65535");
    dialog.button(0)->click();
    EXPECT_TRUE(dialog.confirmed());
}

TEST_F(ResolutionDialogTest, PrinterReferenceShowsWhatTheDialogChoseAndCancelChangesNothing) {
    spDpi dialog(72, 72, 10, 10);
    dialog.printerButton()->click();  // the scripted service cancels
    EXPECT_TRUE(dialog.printerLabel(1)->text().isEmpty());

    // Without a printer on the machine the print dialog still prints to a file.
    bool printDialog = false;
    msg_->onModal([&](QDialog& d) {
        printDialog = qobject_cast<QPrintDialog*>(&d) != nullptr;
        return int(QDialog::Accepted);
    });
    dialog.printerButton()->click();
    EXPECT_TRUE(printDialog);
    EXPECT_GT(dialog.printerLabel(1)->text().toInt(), 0);
    EXPECT_GT(dialog.printerLabel(2)->text().toInt(), 0);
}

}  // namespace
}  // namespace ximora::dialogs
