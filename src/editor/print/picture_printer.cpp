#include "editor/print/picture_printer.h"

#include <QMarginsF>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QSettings>

#include "editor/print/print_layout.h"
#include "platform/ini_file.h"
#include "util/message_service.h"
#include "util/qimage_adapter.h"

namespace ximora::editor {
namespace {

// Keys of the settings file.
const QString kPrinter = QStringLiteral("Print/Printer");
const QString kOutputFile = QStringLiteral("Print/OutputFile");  // print into a PDF file
const QString kPaper = QStringLiteral("Print/PageSize");
const QString kOrientation = QStringLiteral("Print/Orientation");
const QString kMargins = QStringLiteral("Print/MarginsMm");

}  // namespace

bool PicturePrinter::load(QPrinter& printer) const {
    const QSettings settings(settingsFile_, QSettings::IniFormat);
    const QString file = settings.value(kOutputFile).toString();
    const QString name = settings.value(kPrinter).toString();
    bool usable = false;
    if (!file.isEmpty()) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(file);
        usable = true;
    } else if (!name.isEmpty() && !QPrinterInfo::printerInfo(name).isNull()) {
        printer.setPrinterName(name);
        usable = true;
    }
    // Every named size (Letter is the first of them, before A4) but the custom one.
    const int paper = settings.value(kPaper, int(QPageSize::A4)).toInt();
    if (paper >= 0 && paper <= int(QPageSize::LastPageSize) && paper != int(QPageSize::Custom))
        printer.setPageSize(QPageSize(QPageSize::PageSizeId(paper)));
    printer.setPageOrientation(settings.value(kOrientation).toInt() == 1 ? QPageLayout::Landscape
                                                                         : QPageLayout::Portrait);
    const QStringList margins = settings.value(kMargins).toStringList();
    if (margins.size() == 4)
        printer.setPageMargins(QMarginsF(margins[0].toDouble(), margins[1].toDouble(),
                                         margins[2].toDouble(), margins[3].toDouble()),
                               QPageLayout::Millimeter);
    return usable;
}

void PicturePrinter::save(const QPrinter& printer) const {
    QVariantMap values;
    if (printer.outputFormat() == QPrinter::NativeFormat)
        values.insert(kPrinter, printer.printerName());
    values.insert(kPaper, int(printer.pageLayout().pageSize().id()));
    values.insert(kOrientation,
                  printer.pageLayout().orientation() == QPageLayout::Landscape ? 1 : 0);
    const QMarginsF m = printer.pageLayout().margins(QPageLayout::Millimeter);
    values.insert(kMargins, QStringList{QString::number(m.left()), QString::number(m.top()),
                                        QString::number(m.right()), QString::number(m.bottom())});
    QString why;
    if (!platform::writeIniValues(settingsFile_, values, &why))
        util::messages().message(QStringLiteral("印刷設定を保存できません\r") + why);
}

void PicturePrinter::pageSetup(QWidget* parent) {
    QPrinter printer(QPrinter::HighResolution);
    load(printer);
    QPageSetupDialog dialog(&printer, parent);
    if (util::messages().runModal(dialog) == QDialog::Accepted) save(printer);
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
