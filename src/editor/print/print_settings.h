#pragma once
// What the print settings hold, as the settings file "IkPrn.Ik" keeps them: the printer (or a
// PDF file printed into), the paper, the orientation and the margins.

#include <QMarginsF>
#include <QPageSize>
#include <QString>

namespace ximora::editor {

struct PrintSettings {
    QString printer;     ///< a printer's name; empty with a file or without a choice
    QString outputFile;  ///< a PDF file printed into instead of a printer; empty for none
    QPageSize::PageSizeId paper = QPageSize::A4;
    bool landscape = false;
    QMarginsF marginsMm{10, 10, 10, 10};
    bool marginsSet = false;  ///< false: the printer's own margins

    /// Read from the settings file (defaults for what it lacks or holds out of range).
    static PrintSettings read(const QString& file);
    /// Written into the settings file; false with `why` when it could not be.
    bool write(const QString& file, QString* why) const;
};

/// Whether `id` names a paper size that can be printed on (every named one, not the custom).
bool isNamedPaper(int id);

}  // namespace ximora::editor
