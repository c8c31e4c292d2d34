#include "editor/print/picture_printer.h"

#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>

#include "editor/print/print_layout.h"
#include "editor/print/print_settings_dialog.h"
#include "util/message_service.h"
#include "util/qimage_adapter.h"
#include "util/usr.h"

namespace ximora::editor {

bool PicturePrinter::load(QPrinter& printer) const {
    const PrintSettings settings = PrintSettings::read(settingsFile_);
    bool usable = false;
    if (!settings.outputFile.isEmpty()) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(settings.outputFile);
        usable = true;
    } else if (!settings.printer.isEmpty() &&
               !QPrinterInfo::printerInfo(settings.printer).isNull()) {
        printer.setPrinterName(settings.printer);
        usable = true;
    }
    printer.setPageSize(QPageSize(settings.paper));
    printer.setPageOrientation(settings.landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
    if (settings.marginsSet) printer.setPageMargins(settings.marginsMm, QPageLayout::Millimeter);
    return usable;
}

void PicturePrinter::pageSetup(QWidget* parent) {
    PrintSettingsDialog dialog(PrintSettings::read(settingsFile_),
                               QPrinterInfo::availablePrinterNames(), parent);
    Usr::KeepInWorkArea(dialog);
    if (util::messages().runModal(dialog) != QDialog::Accepted) return;
    QString why;
    if (!dialog.settings().write(settingsFile_, &why))
        util::messages().message(QStringLiteral("印刷設定を保存できません\r") + why);
}

PicturePrinter::Result PicturePrinter::print(const engine::Image& image, QWidget* parent) {
    if (image.empty()) return Result::Failed;
    QPrinter printer(QPrinter::HighResolution);
    if (!load(printer)) {
        QPrintDialog dialog(&printer, parent);
        // One picture on one page: no selection, no page numbers, no print to file.
        dialog.setOptions(QAbstractPrintDialog::PrintShowPageSize);
        if (util::messages().runModal(dialog) != QDialog::Accepted) return Result::Cancelled;
    }
    printer.setDocName(QStringLiteral("Print Out"));
    QPainter painter;
    if (!painter.begin(&printer)) return Result::Failed;
    const QRectF printable = printer.pageLayout().paintRect(QPageLayout::Millimeter);
    const PrintSize size =
        fitToPrintable(paperSize(image.width(), image.height(), image.dpiX, image.dpiY),
                       printable.width() * 10, printable.height() * 10);
    const double devicePerTenth = printer.resolution() / 254.0;
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRectF(0, 0, size.width * devicePerTenth, size.height * devicePerTenth),
                      util::wrapForPainting(image));
    return painter.end() ? Result::Printed : Result::Failed;
}

}  // namespace ximora::editor
