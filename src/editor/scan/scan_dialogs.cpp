#include "editor/scan/scan_dialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QListWidget>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>
#include <functional>

#include "editor/scan/scanner_device.h"
#include "util/message_service.h"
#include "util/usr.h"

namespace ximora::editor {

bool chooseScanner(const std::vector<ScannerConnection::Device>& devices, QString& chosen,
                   QWidget* parent) {
    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("scanSource"));
    dialog.setWindowTitle(QStringLiteral("ｽｷｬﾝｿｰｽの選択"));
    auto* list = new QListWidget(&dialog);
    for (const ScannerConnection::Device& d : devices) {
        auto* item = new QListWidgetItem(QStringLiteral("%1  (%2)").arg(d.label, d.name), list);
        item->setData(Qt::UserRole, d.name);
        if (d.name == chosen || (chosen.isEmpty() && list->count() == 1))
            list->setCurrentItem(item);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    QObject::connect(list, &QListWidget::itemDoubleClicked, &dialog, &QDialog::accept);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(list);
    layout->addWidget(buttons);
    if (util::messages().runModal(dialog) != QDialog::Accepted || !list->currentItem())
        return false;
    chosen = list->currentItem()->data(Qt::UserRole).toString();
    return true;
}

bool editScanOptions(ScannerDevice& device, QWidget* parent) {
    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("scanOptions"));
    dialog.setWindowTitle(QStringLiteral("ｽｷｬﾅｰから読込"));
    auto* form = new QFormLayout;
    const std::vector<ScannerDevice::Option> options = device.options();
    // Each row reads its widget's value back after the dialog is confirmed.
    std::vector<std::function<QVariant()>> readers;
    for (const ScannerDevice::Option& o : options) {
        const QString label =
            o.unit.isEmpty() ? o.title : QStringLiteral("%1 (%2)").arg(o.title, o.unit);
        QWidget* field = nullptr;
        if (o.kind == ScannerDevice::Option::Switch) {
            auto* box = new QCheckBox(&dialog);
            box->setChecked(o.value.toBool());
            readers.push_back([box] { return QVariant(box->isChecked()); });
            field = box;
        } else if (!o.choices.isEmpty()) {
            auto* combo = new QComboBox(&dialog);
            for (const QVariant& c : o.choices) combo->addItem(c.toString(), c);
            combo->setCurrentIndex(std::max(0, combo->findData(o.value)));
            readers.push_back([combo] { return combo->currentData(); });
            field = combo;
        } else {
            auto* spin = new QDoubleSpinBox(&dialog);
            spin->setDecimals(o.kind == ScannerDevice::Option::Fixed ? 2 : 0);
            spin->setRange(o.minimum, o.maximum);
            if (o.step > 0) spin->setSingleStep(o.step);
            spin->setValue(o.value.toDouble());
            readers.push_back([spin] { return QVariant(spin->value()); });
            field = spin;
        }
        field->setObjectName(o.name);
        form->addRow(label, field);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, &dialog);
    buttons->addButton(QStringLiteral("ｽｷｬﾝ"), QDialogButtonBox::AcceptRole);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    // Devices have dozens of options: they scroll, so that the window fits the screen at any
    // scale, with the buttons always in view.
    auto* page = new QWidget;
    page->setLayout(form);
    auto* scroll = new QScrollArea(&dialog);
    scroll->setObjectName(QStringLiteral("scanOptionRows"));
    scroll->setWidget(page);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setMinimumWidth(page->sizeHint().width() +
                            scroll->verticalScrollBar()->sizeHint().width());
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(scroll, 1);
    layout->addWidget(buttons);
    dialog.resize(dialog.sizeHint().width(),
                  page->sizeHint().height() + buttons->sizeHint().height() + 3 * layout->spacing() +
                      layout->contentsMargins().top() + layout->contentsMargins().bottom());
    Usr::KeepInWorkArea(dialog);
    if (util::messages().runModal(dialog) != QDialog::Accepted) return false;
    for (size_t i = 0; i < options.size(); ++i) {
        const QVariant value = readers[i]();
        if (value != options[i].value && !device.set(options[i], value)) return false;
    }
    return true;
}

}  // namespace ximora::editor
