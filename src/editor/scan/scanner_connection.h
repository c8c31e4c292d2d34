#pragma once
// The editor's connection to scanners through SANE: opened on the first scan or source choice,
// closed with the editor. Lists the devices, opens the chosen one, lets the caller set its
// options, and reads one page into an engine image. Failures set the engine's scanner error
// codes (8 SANE cannot start, 103 no device, 104 busy, 105 device error, 107 cover open or
// device off, 108 jam, 12 no paper in the feeder, 110 an option value the device refused).

#include <QString>
#include <functional>
#include <vector>

#include "engine/core/image.h"

namespace ximora::editor {

class ScannerDevice;

class ScannerConnection {
  public:
    struct Device {
        QString name;   ///< SANE device name, such as "test:0"
        QString label;  ///< vendor and model for people
    };

    ScannerConnection() = default;
    ~ScannerConnection();
    ScannerConnection(const ScannerConnection&) = delete;
    ScannerConnection& operator=(const ScannerConnection&) = delete;

    bool isOpen() const { return open_; }
    /// Starts SANE once; false (error 8) when it cannot.
    bool open();
    /// The scanners present; false with error 103 when there is none.
    bool devices(std::vector<Device>& out);

    /// The chosen scanner (empty: the first one found).
    QString source() const { return source_; }
    void setSource(const QString& name) { source_ = name; }

    /// Scans one page from the chosen scanner into `out`. `configure` is called with the open
    /// device before the scan (the options dialog); when it returns false the scan is
    /// cancelled: false with error 0. Grey and colour pages of 1, 8 or 16 bits per sample
    /// become 1-bit, 8-bit grey or 24-bit images; the device's resolution becomes the dpi.
    bool acquire(engine::Image& out, const std::function<bool(ScannerDevice&)>& configure);

  private:
    bool open_ = false;
    QString source_;
};

}  // namespace ximora::editor
