#pragma once
// The two windows of scanning: the choice of scanner, and the options of the chosen one built
// from what the device offers (mode, resolution, source, area, ...).

#include <QString>
#include <vector>

#include "editor/scan/scanner_connection.h"

class QWidget;

namespace ximora::editor {

class ScannerDevice;

/// Lets the user pick one of `devices`; `chosen` in/out (the current choice is preselected).
/// False when cancelled.
bool chooseScanner(const std::vector<ScannerConnection::Device>& devices, QString& chosen,
                   QWidget* parent);

/// Shows the device's settable options; the values confirmed with "ｽｷｬﾝ" are set on the
/// device. False when cancelled or when the device refused a value (error 110).
bool editScanOptions(ScannerDevice& device, QWidget* parent);

}  // namespace ximora::editor
