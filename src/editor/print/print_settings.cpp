#include "editor/print/print_settings.h"

#include <QSettings>
#include <QStringList>
#include <QVariantMap>

#include "platform/ini_file.h"

namespace ximora::editor {
namespace {

// Keys of the settings file.
const QString kPrinter = QStringLiteral("Print/Printer");
const QString kOutputFile = QStringLiteral("Print/OutputFile");
const QString kPaper = QStringLiteral("Print/PageSize");
const QString kOrientation = QStringLiteral("Print/Orientation");
const QString kMargins = QStringLiteral("Print/MarginsMm");

}  // namespace

bool isNamedPaper(int id) {
    // Letter is the first of the named sizes, before A4.
    return id >= 0 && id <= int(QPageSize::LastPageSize) && id != int(QPageSize::Custom);
}

PrintSettings PrintSettings::read(const QString& file) {
    const QSettings stored(file, QSettings::IniFormat);
    PrintSettings s;
    s.printer = stored.value(kPrinter).toString();
    s.outputFile = stored.value(kOutputFile).toString();
    const int paper = stored.value(kPaper, int(QPageSize::A4)).toInt();
    if (isNamedPaper(paper)) s.paper = QPageSize::PageSizeId(paper);
    s.landscape = stored.value(kOrientation).toInt() == 1;
    const QStringList margins = stored.value(kMargins).toStringList();
    if (margins.size() == 4) {
        s.marginsMm = QMarginsF(margins[0].toDouble(), margins[1].toDouble(), margins[2].toDouble(),
                                margins[3].toDouble());
        s.marginsSet = true;
    }
    return s;
}

bool PrintSettings::write(const QString& file, QString* why) const {
    QVariantMap values;
    values.insert(kPrinter, printer);
    values.insert(kOutputFile, outputFile);
    values.insert(kPaper, int(paper));
    values.insert(kOrientation, landscape ? 1 : 0);
    if (marginsSet)
        values.insert(
            kMargins,
            QStringList{QString::number(marginsMm.left()), QString::number(marginsMm.top()),
                        QString::number(marginsMm.right()), QString::number(marginsMm.bottom())});
    return platform::writeIniValues(file, values, why);
}

}  // namespace ximora::editor
