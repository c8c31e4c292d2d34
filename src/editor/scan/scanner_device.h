#pragma once
// One open SANE device and its options, as the options dialog sees them: the settable options
// with a single value (switches, numbers with a range or a list, texts with a list).

#include <QString>
#include <QStringList>
#include <QVariant>
#include <vector>

#include <sane/sane.h>

namespace ximora::editor {

class ScannerDevice {
  public:
    struct Option {
        int index = 0;
        QString name, title, unit;
        enum Kind { Switch, Whole, Fixed, Text } kind = Whole;
        double minimum = 0, maximum = 0, step = 0;  ///< for ranges (step 0: any value)
        QVariantList choices;                       ///< for lists (numbers or texts)
        QVariant value;
    };

    explicit ScannerDevice(SANE_Handle handle) : handle_(handle) {}

    /// The options that can be set now, in the device's order.
    std::vector<Option> options() const;
    /// Sets one option; false (error 110) when the device refuses the value.
    bool set(const Option& option, const QVariant& value);
    /// The resolution in dots per inch the scan will use (0 when the device does not say).
    int resolution() const;

    SANE_Handle handle() const { return handle_; }

  private:
    SANE_Handle handle_;
};

}  // namespace ximora::editor
