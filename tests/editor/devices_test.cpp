// Printing and scanning: the page placement, printing into a PDF file, the print dialog when no
// printer is known, and scanning through SANE's own "test" scanner (a real backend that makes
// pictures without hardware) by the editor's commands.
#include <QClipboard>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QPageSize>
#include <QPrintDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <optional>
#include <string>

#include <dlfcn.h>

#include "editor/print/picture_printer.h"
#include "editor/print/print_layout.h"
#include "editor/print/print_settings_dialog.h"
#include "editor/upce.h"
#include "editor_fixture.h"
#include "engine/core/error.h"
#include "support/scoped_env.h"
#include "util/shared_values.h"

namespace ximora::editor::testing {
namespace {

TEST(PrintLayout, PaperSizeComesFromTheResolutionAndOnlyShrinksToFit) {
    const PrintSize paper = paperSize(3000, 2000, 300, 300);
    EXPECT_EQ(paper.width, 2540);
    EXPECT_EQ(paper.height, 1693);
    const PrintSize fitted = fitToPrintable(paper, 1900, 2770);  // scaled by 1900 / 2540
    EXPECT_EQ(fitted.width, 1900);
    EXPECT_EQ(fitted.height, 1266);
    const PrintSize small = paperSize(72, 144, 0, 0);  // no resolution counts as 72 dpi
    EXPECT_EQ(small.width, 254);
    EXPECT_EQ(small.height, 508);
    const PrintSize kept = fitToPrintable(small, 1900, 2770);  // never enlarged
    EXPECT_EQ(kept.width, 254);
    EXPECT_EQ(kept.height, 508);
}

class DevicesTest : public DocumentTest {
  protected:
    DevicesTest() {
        saved_ = util::shared();
        util::shared().sUsrDir = dir_.path() + '/';
        editor_.resize(300, 200);
        editor_.cOn(&editor_, work() + "/e/");
        editor_.StSize();
    }
    ~DevicesTest() override {
        editor_.cOff();
        util::shared() = saved_;
    }
    /// SANE configured with only the backends named (none: no scanner at all).
    void useSaneBackends(const QByteArray& names) {
        QFile conf(dir_.filePath("sane/dll.conf"));
        QDir().mkpath(dir_.filePath("sane"));
        ASSERT_TRUE(conf.open(QIODevice::WriteOnly));
        conf.write(names + '\n');
        conf.close();
        saneDir_.emplace("SANE_CONFIG_DIR", QFile::encodeName(dir_.filePath("sane")));
        // The test scanner's reader thread can leave its buffer behind when a scan ends; keep
        // the backend mapped after SANE unloads it, so the leak checker can name (and the
        // suppression list excuse) the library it belongs to.
        for (const char* dir : {"/usr/lib/x86_64-linux-gnu/sane/", "/usr/lib/sane/"})
            if (dlopen((std::string(dir) + "libsane-test.so.1").c_str(), RTLD_NOW | RTLD_NODELETE))
                break;
    }

    void openInEditorAt(int dpi) {
        engine::Image image = engine::testing::randomImage(60, 40, 24);
        image.dpiX = image.dpiY = dpi;
        editor_.pcOpen(0, write(QStringLiteral("p.bmp"), image));
        ASSERT_TRUE(editor_.dGetImg()->hasImage());
    }

    util::SharedValues saved_;
    std::optional<ScopedEnv> saneDir_;
    uPcE editor_;
};

TEST_F(DevicesTest, PrintingGoesToTheSavedPrinterOrAsksFirst) {
    openInEditorAt(300);
    // No printer saved: the print dialog asks, and its Cancel ends the print quietly.
    bool asked = false;
    script_->onModal([&](QDialog& dialog) {
        asked = qobject_cast<QPrintDialog*>(&dialog) != nullptr;
        return int(QDialog::Rejected);
    });
    editor_.pcAct(QStringLiteral("ﾌｧｲﾙ"), QStringLiteral("印刷"));
    EXPECT_TRUE(asked);
    EXPECT_TRUE(script_->messageTexts().isEmpty());

    // A settings file that sends the print into a PDF file: no dialog, one page written.
    const QString pdf = dir_.filePath("out.pdf");
    QSettings(dir_.filePath("IkPrn.Ik"), QSettings::IniFormat)
        .setValue(QStringLiteral("Print/OutputFile"), pdf);
    asked = false;
    editor_.pcAct(QStringLiteral("ﾌｧｲﾙ"), QStringLiteral("印刷"));
    EXPECT_FALSE(asked);
    QFile out(pdf);
    ASSERT_TRUE(out.open(QIODevice::ReadOnly));
    EXPECT_TRUE(out.read(5) == "%PDF-");
    EXPECT_EQ(editor_.dGetImg()->editState(), kStateLoaded);  // printing edits nothing
}

TEST_F(DevicesTest, EveryPaperSizeIsTheOnePrintedOn) {
    openInEditorAt(300);
    const QString pdf = dir_.filePath("paper.pdf");
    for (int id = 0; id <= int(QPageSize::LastPageSize); ++id) {
        if (id == int(QPageSize::Custom)) continue;
        const QPageSize paper{QPageSize::PageSizeId(id)};
        {
            QSettings settings(dir_.filePath("IkPrn.Ik"), QSettings::IniFormat);
            settings.setValue(QStringLiteral("Print/OutputFile"), pdf);
            settings.setValue(QStringLiteral("Print/PageSize"), id);
        }
        QFile::remove(pdf);
        editor_.pcAct(QStringLiteral("ﾌｧｲﾙ"), QStringLiteral("印刷"));
        QFile out(pdf);
        ASSERT_TRUE(out.open(QIODevice::ReadOnly)) << paper.name().toStdString();
        const QByteArray bytes = out.readAll();
        const qsizetype box = bytes.indexOf("/MediaBox [");
        ASSERT_GE(box, 0);
        const QList<QByteArray> numbers =
            bytes.mid(box + 11, bytes.indexOf(']', box) - box - 11).simplified().split(' ');
        ASSERT_EQ(numbers.size(), 4);
        const QSize points = paper.sizePoints();
        EXPECT_NEAR(numbers[2].toDouble(), points.width(), 1) << paper.name().toStdString();
        EXPECT_NEAR(numbers[3].toDouble(), points.height(), 1) << paper.name().toStdString();
    }
}

TEST_F(DevicesTest, PrintSettingsChosenInTheWindowAreThePrintsOwn) {
    openInEditorAt(300);
    util::SharedValues& values = util::shared();
    values.nWaLeft = values.nWaTop = 0;
    values.nWaWidth = int(960 * util::twipsPerPixelX());  // a 1920 × 1080 screen at scale 2
    values.nWaHeight = int(540 * util::twipsPerPixelY());
    const QString pdf = dir_.filePath("chosen.pdf");
    script_->answerPath(dir_.filePath("chosen"));  // the browse button's file dialog
    script_->onModal([&](QDialog& dialog) {
        auto* window = qobject_cast<PrintSettingsDialog*>(&dialog);
        if (!window) return int(QDialog::Rejected);
        EXPECT_LE(window->width(), 960);
        EXPECT_LE(window->height(), 540);
        QComboBox* printers = window->printerBox();
        printers->setCurrentIndex(printers->count() - 1);  // into a PDF file
        for (QPushButton* button : window->findChildren<QPushButton*>())
            if (button->text() == QStringLiteral("参照...")) button->click();
        EXPECT_EQ(window->fileBox()->text(), pdf);
        window->paperBox()->setCurrentIndex(window->paperBox()->findData(int(QPageSize::Letter)));
        window->landscapeOption()->setChecked(true);
        return int(QDialog::Accepted);
    });
    editor_.pcAct(QStringLiteral("ﾌｧｲﾙ"), QStringLiteral("印刷設定"));
    const PrintSettings saved = PrintSettings::read(dir_.filePath("IkPrn.Ik"));
    EXPECT_EQ(saved.outputFile, pdf);
    EXPECT_EQ(saved.paper, QPageSize::Letter);
    EXPECT_TRUE(saved.landscape);

    editor_.pcAct(QStringLiteral("ﾌｧｲﾙ"), QStringLiteral("印刷"));
    QFile out(pdf);
    ASSERT_TRUE(out.open(QIODevice::ReadOnly));
    const QByteArray bytes = out.readAll();
    EXPECT_TRUE(bytes.contains("/MediaBox [0 0 792.000000 612.000000]"))  // Letter, on its side
        << bytes.mid(bytes.indexOf("/MediaBox"), 40).toStdString();

    // Cancelled, the window changes nothing.
    script_->onModal([](QDialog&) { return int(QDialog::Rejected); });
    editor_.pcAct(QStringLiteral("ﾌｧｲﾙ"), QStringLiteral("印刷設定"));
    EXPECT_EQ(PrintSettings::read(dir_.filePath("IkPrn.Ik")).paper, QPageSize::Letter);
}

TEST_F(DevicesTest, ScanningReadsAPageFromTheChosenScanner) {
    useSaneBackends("test");
    // The source list offers SANE's test scanners; choose the second one.
    script_->onModal([](QDialog& dialog) {
        auto* list = dialog.findChild<QListWidget*>();
        if (!list) return int(QDialog::Rejected);
        EXPECT_GE(list->count(), 2);
        list->setCurrentRow(1);
        return int(QDialog::Accepted);
    });
    editor_.pcAct(QStringLiteral("ﾌｧｲﾙ"), QStringLiteral("ｽｷｬﾝｿｰｽ"));
    EXPECT_TRUE(script_->messageTexts().isEmpty());

    // The options window, on the work area of a 1920 × 1080 screen at scale factor 2 (960 × 540
    // logical pixels): it fits, its options scroll. Colour at 25 dpi.
    util::SharedValues& values = util::shared();
    values.nWaLeft = values.nWaTop = 0;
    values.nWaWidth = int(960 * util::twipsPerPixelX());
    values.nWaHeight = int(540 * util::twipsPerPixelY());
    script_->onModal([](QDialog& dialog) {
        EXPECT_LE(dialog.width(), 960);
        EXPECT_LE(dialog.height(), 540);
        EXPECT_GE(dialog.minimumSizeHint().height(), 0);
        EXPECT_LE(dialog.minimumSizeHint().height(), 540);
        auto* mode = dialog.findChild<QComboBox*>(QStringLiteral("mode"));
        auto* resolution = dialog.findChild<QDoubleSpinBox*>(QStringLiteral("resolution"));
        if (!mode || !resolution) return int(QDialog::Rejected);
        mode->setCurrentText(QStringLiteral("Color"));
        resolution->setValue(25);
        return int(QDialog::Accepted);
    });
    editor_.pcAct(QStringLiteral("ﾌｧｲﾙ"), QStringLiteral("ｽｷｬﾅｰから読込"));
    ASSERT_TRUE(editor_.dGetImg()->hasImage()) << script_->messageTexts().join('|').toStdString();
    const engine::Image& page = editor_.dGetImg()->image();
    EXPECT_EQ(page.bitsPerPixel(), 24);
    EXPECT_EQ(page.dpiX, 25);
    EXPECT_GT(page.width(), 10);
    EXPECT_GT(page.height(), 10);
    EXPECT_EQ(editor_.dGetImg()->editState(), kStateLoaded);

    // Cancelling the options window scans nothing and says nothing.
    const int width = page.width();
    script_->onModal([](QDialog&) { return int(QDialog::Rejected); });
    editor_.pcAct(QStringLiteral("ﾌｧｲﾙ"), QStringLiteral("ｽｷｬﾅｰから読込"));
    EXPECT_EQ(editor_.dGetImg()->image().width(), width);
    EXPECT_TRUE(script_->messageTexts().isEmpty());
}

TEST_F(DevicesTest, NoScannerIsReportedAndChangesNothing) {
    useSaneBackends("");
    openInEditorAt(96);
    editor_.pcAct(QStringLiteral("ﾌｧｲﾙ"), QStringLiteral("ｽｷｬﾅｰから読込"));
    EXPECT_EQ(script_->messageTexts().size(), 1);
    EXPECT_TRUE(script_->messageTexts().value(0).contains(QStringLiteral("ﾃﾞｰﾀｿｰｽがありません")))
        << script_->messageTexts().join('|').toStdString();
    EXPECT_EQ(editor_.dGetImg()->image().width(), 60);
}

TEST_F(DevicesTest, ClipboardPictureAndFileConversionSaveWithoutTouchingTheEditor) {
    openInEditorAt(96);
    const engine::Image shown = editor_.dGetImg()->image();
    const QString shownFile = editor_.dGetImg()->file();

    QImage picture(12, 8, QImage::Format_RGB32);
    picture.fill(QColor(10, 200, 30));
    QGuiApplication::clipboard()->setImage(picture);
    EXPECT_TRUE(editor_.aeSaveClp(path(QStringLiteral("clip.PNG"))));
    const engine::Image saved = read(path(QStringLiteral("clip.PNG")));
    EXPECT_EQ(saved.width(), 12);
    EXPECT_EQ(saved.pixel(3, 3), (engine::Colour{10, 200, 30, 255}));

    QGuiApplication::clipboard()->setText(QStringLiteral("no picture"));
    EXPECT_FALSE(editor_.aeSaveClp(path(QStringLiteral("none.png"))));
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("none.png"))));

    // A name without an extension gets JPEG data.
    EXPECT_TRUE(editor_.aeCnvPic(path(QStringLiteral("p.bmp")), path(QStringLiteral("copy")), 0));
    QFile jpeg(path(QStringLiteral("copy")));
    ASSERT_TRUE(jpeg.open(QIODevice::ReadOnly));
    EXPECT_TRUE(jpeg.read(2) == QByteArray("\xff\xd8", 2));
    EXPECT_FALSE(
        editor_.aeCnvPic(path(QStringLiteral("missing.bmp")), path(QStringLiteral("x.png")), 0));

    EXPECT_TRUE(engine::testing::samePixels(editor_.dGetImg()->image(), shown));
    EXPECT_EQ(editor_.dGetImg()->file(), shownFile);
    EXPECT_TRUE(script_->messageTexts().isEmpty());
}

TEST_F(DevicesTest, WhiteningARectangleLeavesNoUndoStepAndKeepsTheState) {
    openInEditorAt(96);
    const engine::Image before = editor_.dGetImg()->image();
    editor_.pcPrTrim(10.4, 5, 20, 10.6);  // x 10 to 30, y 5 to 16
    const engine::Image& after = editor_.dGetImg()->image();
    EXPECT_EQ(after.pixel(10, 5), (engine::Colour{255, 255, 255, 255}));
    EXPECT_EQ(after.pixel(29, 15), (engine::Colour{255, 255, 255, 255}));
    EXPECT_EQ(after.pixel(9, 5), before.pixel(9, 5));
    EXPECT_EQ(after.pixel(30, 15), before.pixel(30, 15));
    EXPECT_EQ(after.pixel(10, 16), before.pixel(10, 16));
    EXPECT_EQ(editor_.dGetImg()->undoCount(), 0);
    EXPECT_EQ(editor_.dGetImg()->editState(), kStateLoaded);
}

}  // namespace
}  // namespace ximora::editor::testing
