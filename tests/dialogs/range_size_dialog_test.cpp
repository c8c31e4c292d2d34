// The range size registration dialog through its controls, offscreen: opening with the current
// selection as "Temporary", the pixel and paper presets at a percentage, the row and edit
// buttons and the list they rebuild, and Act handing the list back.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>

#include "dialogs/range_size_dialog.h"
#include "util/scripted_messages.h"

namespace ximora::dialogs {
namespace {

// Clicks preset `index` of row `row` as the user does.
void clickPreset(spSize& dialog, int row, int index) {
    QListWidget* list = dialog.lsSize(row);
    list->setCurrentRow(index);
    emit list->itemClicked(list->item(index));
}

void typePercent(spSize& dialog, int row, const QString& text) {
    dialog.txPsnt(row)->setText(text);
    emit dialog.txPsnt(row)->editingFinished();
}

QStringList rows(const spSize& dialog) {
    QStringList out;
    for (int i = 0; i < dialog.lsHani()->count(); ++i) out << dialog.lsHani()->item(i)->text();
    return out;
}

bool enabled(const spSize& dialog, int button) { return dialog.cmLst(button)->isEnabled(); }

}  // namespace

TEST(RangeSizeDialog, ActOnAnEmptyListReturnsTheTemporaryEntry) {
    util::ScopedMessages scoped(std::make_unique<util::ScriptedMessages>());
    auto& script = static_cast<util::ScriptedMessages&>(util::messages());
    QStringList shown;
    script.onModal([&shown](QDialog& d) {
        auto& dialog = static_cast<spSize&>(d);
        shown = rows(dialog);
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("選択･切取ｻｲｽﾞの登録"));
        dialog.cmClose()->click();
        return int(QDialog::Accepted);
    });
    EXPECT_EQ(spSize::Act(QString(), 640, 480), QStringLiteral("Temporary,640,480,px:"));
    EXPECT_EQ(shown, QStringList({QStringLiteral("Temporary(640*480 px)")}));
}

TEST(RangeSizeDialog, OpeningKeepsAnExistingTemporaryAndOffersReplaceOnly) {
    spSize dialog(QStringLiteral("A4,21,29.70,cm:Temporary,5,5,px::Odd,7,8,inch"), 640, 480);
    EXPECT_EQ(dialog.list(), QStringLiteral("A4,21,29.70,cm:Temporary,5,5,px::Odd,7,8,inch"));
    EXPECT_EQ(rows(dialog),
              QStringList({QStringLiteral("A4(21*29.7 cm)"), QStringLiteral("Temporary(5*5 px)"),
                           QStringLiteral("Odd(7*8 px)")}));
    EXPECT_EQ(dialog.lsHani()->currentRow(), 0);
    EXPECT_EQ(dialog.txCap()->text(), QStringLiteral("Temporary"));
    EXPECT_TRUE(dialog.opSize(0)->isChecked());
    EXPECT_EQ(dialog.lbCap()->text(), QStringLiteral("640 x 480px"));
    EXPECT_FALSE(enabled(dialog, spSize::Up));
    EXPECT_TRUE(enabled(dialog, spSize::Down));
    EXPECT_TRUE(enabled(dialog, spSize::Delete));
    EXPECT_TRUE(enabled(dialog, spSize::Replace));
    EXPECT_FALSE(enabled(dialog, spSize::Add));

    dialog.lsHani()->setCurrentRow(0);  // the user picks the centimetre row
    dialog.lsHani()->setCurrentRow(2);
    EXPECT_FALSE(enabled(dialog, spSize::Down));  // the last row cannot move down
    dialog.lsHani()->setCurrentRow(0);
    EXPECT_EQ(dialog.txCap()->text(), QStringLiteral("A4"));
    EXPECT_TRUE(dialog.opSize(1)->isChecked());
    EXPECT_EQ(dialog.txSizeX(1)->text(), QStringLiteral("21"));
    EXPECT_EQ(dialog.txSizeY(1)->text(), QStringLiteral("29.70"));
    EXPECT_EQ(dialog.lbCap()->text(), QStringLiteral("21 x 29.70cm"));
    EXPECT_FALSE(enabled(dialog, spSize::Up));
}

TEST(RangeSizeDialog, PixelPresetsIncludeTheWorkAreaAndApplyAtAPercentage) {
    spSize dialog(QString(), 10, 20);
    QStringList presets;
    for (int i = 0; i < dialog.lsSize(0)->count(); ++i)
        presets << dialog.lsSize(0)->item(i)->text();
    const QSize area = spSize::ScrnSz();
    const QLocale grouped(QLocale::English);
    EXPECT_EQ(presets,
              QStringList({"QVGA   320 x   240", " VGA   640 x   480", "SVGA   800 x   600",
                           " XGA 1,024 x   768", "SXGA 1,280 x 1,024", "UXGA 1,600 x 1,200",
                           "ｽｸﾘｰﾝ " + grouped.toString(area.width()) + " * " +
                               grouped.toString(area.height())}));

    dialog.opSize(1)->setChecked(true);
    dialog.txPsnt(0)->setText(QStringLiteral("50"));
    clickPreset(dialog, 0, 1);
    EXPECT_TRUE(dialog.opSize(0)->isChecked());
    EXPECT_EQ(dialog.txCap()->text(), QStringLiteral("VGA 50%"));
    EXPECT_EQ(dialog.txSizeX(0)->text(), QStringLiteral("320"));
    EXPECT_EQ(dialog.txSizeY(0)->text(), QStringLiteral("240"));
    EXPECT_EQ(dialog.lbCap()->text(), QStringLiteral("320 x 240 px"));
    EXPECT_TRUE(enabled(dialog, spSize::Add));  // no entry of that name yet

    dialog.chXY(0)->click();  // swapping re-applies the chosen preset
    EXPECT_EQ(dialog.txSizeX(0)->text(), QStringLiteral("240"));
    EXPECT_EQ(dialog.txSizeY(0)->text(), QStringLiteral("320"));

    clickPreset(dialog, 0, 6);
    EXPECT_EQ(dialog.txCap()->text(), QStringLiteral("ｽｸﾘｰﾝ 50%"));
    EXPECT_EQ(dialog.txSizeY(0)->text(), QString::number(area.width() * 0.5, 'g', 7));
}

TEST(RangeSizeDialog, PaperPresetsInCentimetres) {
    spSize dialog(QString(), 10, 20);
    QStringList presets;
    for (int i = 0; i < dialog.lsSize(1)->count(); ++i)
        presets << dialog.lsSize(1)->item(i)->text();
    EXPECT_EQ(presets, QStringList({"A4   21.0 x 29.7", "B5   18.2 x 25.7", "A5   14.8 x 21.0",
                                    "A6   10.5 x 14.8", "ﾊｶﾞｷ 10.0 x 14.8", "ﾌｫﾄ  10.2 x 15.2",
                                    "L判   8.9 x 12.7"}));
    clickPreset(dialog, 1, 6);
    EXPECT_TRUE(dialog.opSize(1)->isChecked());
    EXPECT_FALSE(dialog.opSize(0)->isChecked());
    EXPECT_EQ(dialog.txCap()->text(), QStringLiteral("L判 100%"));
    EXPECT_EQ(dialog.txSizeX(1)->text(), QStringLiteral("8.9"));
    EXPECT_EQ(dialog.txSizeY(1)->text(), QStringLiteral("12.7"));
    EXPECT_EQ(dialog.lbCap()->text(), QStringLiteral("8.9 x 12.7 cm"));
    EXPECT_EQ(dialog.txSizeX(0)->text(), QStringLiteral("10"));  // the pixel row is untouched

    typePercent(dialog, 1, QStringLiteral("50"));
    EXPECT_EQ(dialog.txSizeX(1)->text(), QStringLiteral("4.45"));
    EXPECT_EQ(dialog.txSizeY(1)->text(), QStringLiteral("6.35"));
}

TEST(RangeSizeDialog, PercentagesOutsideOneToHundredTurnRedAndChangeNothing) {
    spSize dialog(QString(), 10, 20);
    clickPreset(dialog, 1, 0);
    const QColor red(255, 0, 0), black(0, 0, 0);
    for (const char* bad : {"0", "101", "abc", "-5"}) {
        typePercent(dialog, 1, QString::fromUtf8(bad));
        EXPECT_EQ(dialog.txPsnt(1)->palette().color(QPalette::Text), red) << bad;
        EXPECT_EQ(dialog.txSizeX(1)->text(), QStringLiteral("21")) << bad;
        EXPECT_EQ(dialog.txSizeY(1)->text(), QStringLiteral("29.7")) << bad;
    }
    typePercent(dialog, 1, QStringLiteral("100"));
    EXPECT_EQ(dialog.txPsnt(1)->palette().color(QPalette::Text), black);
}

TEST(RangeSizeDialog, ListButtonsRebuildTheList) {
    spSize dialog(QStringLiteral("Temporary,10,20,px:A,1,2,px:B,3,4,cm"), 10, 20);
    // A name that exists in any letter case cannot be added.
    dialog.txCap()->setText(QStringLiteral("b"));
    EXPECT_FALSE(enabled(dialog, spSize::Add));
    dialog.txCap()->setText(QStringLiteral("New"));
    EXPECT_TRUE(enabled(dialog, spSize::Add));

    dialog.lsHani()->setCurrentRow(1);  // "A"
    dialog.txCap()->setText(QStringLiteral("New"));
    dialog.txSizeX(0)->setText(QStringLiteral("1,024"));  // separators never reach the list
    dialog.txSizeY(0)->setText(QStringLiteral("768"));
    dialog.opSize(0)->setChecked(true);
    dialog.cmLst(spSize::Add)->click();
    EXPECT_EQ(dialog.list(),
              QStringLiteral("Temporary,10,20,px:New,1024,768,px:A,1,2,px:B,3,4,cm"));
    EXPECT_EQ(dialog.lsHani()->currentRow(), 1);
    for (int b = 0; b < 5; ++b) EXPECT_FALSE(enabled(dialog, b)) << b;

    dialog.lsHani()->setCurrentRow(0);
    dialog.cmLst(spSize::Down)->click();
    EXPECT_EQ(dialog.list(),
              QStringLiteral("New,1024,768,px:Temporary,10,20,px:A,1,2,px:B,3,4,cm"));
    EXPECT_EQ(dialog.lsHani()->currentRow(), 1);

    dialog.lsHani()->setCurrentRow(3);  // "B" in centimetres
    dialog.cmLst(spSize::Up)->click();
    EXPECT_EQ(dialog.list(),
              QStringLiteral("New,1024,768,px:Temporary,10,20,px:B,3,4,cm:A,1,2,px"));

    dialog.lsHani()->setCurrentRow(3);
    dialog.txSizeX(1)->setText(QStringLiteral("5.5"));
    dialog.txSizeY(1)->setText(QStringLiteral("6"));
    dialog.opSize(1)->setChecked(true);
    dialog.cmLst(spSize::Replace)->click();
    EXPECT_EQ(dialog.list(),
              QStringLiteral("New,1024,768,px:Temporary,10,20,px:B,3,4,cm:A,5.5,6,cm"));

    dialog.lsHani()->setCurrentRow(0);
    dialog.cmLst(spSize::Delete)->click();
    EXPECT_EQ(dialog.list(), QStringLiteral("Temporary,10,20,px:B,3,4,cm:A,5.5,6,cm"));
    EXPECT_EQ(dialog.lsHani()->currentRow(), -1);
    EXPECT_EQ(rows(dialog).size(), 3);
}

}  // namespace ximora::dialogs
