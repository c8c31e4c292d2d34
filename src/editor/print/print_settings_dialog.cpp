#include "editor/print/print_settings_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "util/message_service.h"

namespace ximora::editor {
namespace {

const QString kPdfEntry = QStringLiteral("PDF ﾌｧｲﾙに出力");

}  // namespace

PrintSettingsDialog::PrintSettingsDialog(const PrintSettings& current, const QStringList& printers,
                                         QWidget* parent)
    : QDialog(parent),
      printer_(new QComboBox(this)),
      file_(new QLineEdit(this)),
      browse_(new QPushButton(QStringLiteral("参照..."), this)),
      paper_(new QComboBox(this)),
      portrait_(new QRadioButton(QStringLiteral("縦"), this)),
      landscape_(new QRadioButton(QStringLiteral("横"), this)) {
    setObjectName(QStringLiteral("printSettings"));
    setWindowTitle(QStringLiteral("印刷設定"));

    // The printers first; the PDF file last. Data: the printer's name, empty for the file.
    for (const QString& name : printers) printer_->addItem(name, name);
    printer_->addItem(kPdfEntry, QString());
    const int saved = current.outputFile.isEmpty() ? printer_->findData(current.printer) : -1;
    printer_->setCurrentIndex(saved >= 0 ? saved : printers.isEmpty() ? printer_->count() - 1 : 0);
    file_->setText(current.outputFile);

    for (int id = 0; id <= int(QPageSize::LastPageSize); ++id)
        if (isNamedPaper(id)) paper_->addItem(QPageSize::name(QPageSize::PageSizeId(id)), id);
    paper_->setCurrentIndex(std::max(0, paper_->findData(int(current.paper))));
    (current.landscape ? landscape_ : portrait_)->setChecked(true);

    auto* marginsRow = new QGridLayout;
    const char* sides[4] = {"左", "上", "右", "下"};
    const double values[4] = {current.marginsMm.left(), current.marginsMm.top(),
                              current.marginsMm.right(), current.marginsMm.bottom()};
    for (int side = 0; side < 4; ++side) {
        margins_[side] = new QDoubleSpinBox(this);
        margins_[side]->setRange(0, 100);
        margins_[side]->setDecimals(1);
        margins_[side]->setSuffix(QStringLiteral(" mm"));
        margins_[side]->setValue(values[side]);
        marginsRow->addWidget(new QLabel(QString::fromUtf8(sides[side]), this), 0, 2 * side);
        marginsRow->addWidget(margins_[side], 0, 2 * side + 1);
    }

    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(file_, 1);
    fileRow->addWidget(browse_);
    auto* orientationRow = new QHBoxLayout;
    orientationRow->addWidget(portrait_);
    orientationRow->addWidget(landscape_);
    orientationRow->addStretch();

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("ﾌﾟﾘﾝﾀ"), printer_);
    form->addRow(QStringLiteral("出力ﾌｧｲﾙ"), fileRow);
    form->addRow(QStringLiteral("用紙"), paper_);
    form->addRow(QStringLiteral("向き"), orientationRow);
    form->addRow(QStringLiteral("余白"), marginsRow);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(printer_, &QComboBox::currentIndexChanged, this, &PrintSettingsDialog::printerChosen);
    connect(browse_, &QPushButton::clicked, this, &PrintSettingsDialog::browse);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    printerChosen();
}

void PrintSettingsDialog::printerChosen() {
    const bool toFile = printer_->currentData().toString().isEmpty();
    file_->setEnabled(toFile);
    browse_->setEnabled(toFile);
}

void PrintSettingsDialog::browse() {
    const QString chosen = util::messages().saveFile({QStringLiteral("出力ﾌｧｲﾙ"),
                                                      QFileInfo(file_->text()).absolutePath(),
                                                      QStringLiteral("PDF ﾌｧｲﾙ(*.pdf)")});
    if (chosen.isEmpty()) return;
    file_->setText(chosen.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive)
                       ? chosen
                       : chosen + QStringLiteral(".pdf"));
}

PrintSettings PrintSettingsDialog::settings() const {
    PrintSettings s;
    const QString name = printer_->currentData().toString();
    s.printer = name;
    s.outputFile = name.isEmpty() ? file_->text().trimmed() : QString();
    s.paper = QPageSize::PageSizeId(paper_->currentData().toInt());
    s.landscape = landscape_->isChecked();
    s.marginsMm = QMarginsF(margins_[0]->value(), margins_[1]->value(), margins_[2]->value(),
                            margins_[3]->value());
    s.marginsSet = true;
    return s;
}

}  // namespace ximora::editor
