#pragma once
// Printing one picture on one page through Qt Print Support (CUPS). The printer, paper,
// orientation and margins chosen in the print settings are kept in a settings file of the user's
// own ("IkPrn.Ik" in the user data folder), so they hold from one session to the next.

#include <QString>

#include "engine/core/image.h"

class QPrinter;
class QWidget;

namespace ximora::editor {

class PicturePrinter {
  public:
    explicit PicturePrinter(QString settingsFile) : settingsFile_(std::move(settingsFile)) {}

    /// The print settings window over the saved settings; they are saved when it is
    /// confirmed.
    void pageSetup(QWidget* parent);

    enum class Result { Printed, Cancelled, Failed };
    /// Prints `image` as the document "Print Out": at its size on paper from its resolution,
    /// reduced to fit the printable area, never enlarged, at the printable area's top left.
    /// Uses the saved printer; without one that exists the print dialog asks first. Failed
    /// when the printer could not start the document.
    Result print(const engine::Image& image, QWidget* parent);

  private:
    /// Applies the saved settings; false when they name no printer (or file) that can print.
    bool load(QPrinter& printer) const;

    QString settingsFile_;
};

}  // namespace ximora::editor
