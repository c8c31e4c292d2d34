#include "editor/draw/drawing_toolbar.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QColorDialog>
#include <QLabel>
#include <QPainter>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>

#include "util/drawn_icon.h"

namespace ximora::editor {
namespace {

struct ToolEntry {
    DrawTool tool;
    const char* caption;
};
constexpr ToolEntry kTools[] = {{DrawTool::Pointer, "選択"},
                                {DrawTool::Pen, "ﾍﾟﾝ"},
                                {DrawTool::Line, "直線"},
                                {DrawTool::Rectangle, "矩形"},
                                {DrawTool::FilledRectangle, "塗潰し"},
                                {DrawTool::Ellipse, "楕円"},
                                {DrawTool::Text, "文字"},
                                {DrawTool::Stamp, "ｽﾀﾝﾌﾟ"}};

}  // namespace

DrawingToolbar::DrawingToolbar(QWidget* owner)
    : QWidget(owner, Qt::Tool),
      tools_(new QButtonGroup(this)),
      colourButton_(new QToolButton(this)),
      width_(new QSpinBox(this)) {
    setObjectName(QStringLiteral("ToolBar"));
    setWindowTitle(QStringLiteral("ToolBar"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(2);
    tools_->setExclusive(true);
    for (const ToolEntry& entry : kTools) {
        auto* button = new QToolButton(this);
        button->setText(QString::fromUtf8(entry.caption));
        button->setCheckable(true);
        button->setMinimumWidth(56);
        tools_->addButton(button, int(entry.tool));
        layout->addWidget(button);
    }
    tools_->button(int(DrawTool::Pointer))->setChecked(true);
    connect(tools_, &QButtonGroup::idClicked, this, [this](int id) {
        tool_ = DrawTool(id);
        emit toolChanged(id);
    });
    colourButton_->setObjectName(QStringLiteral("colour"));
    colourButton_->setToolTip(QStringLiteral("色"));
    setColour(colour_);
    connect(colourButton_, &QToolButton::clicked, this, [this] {
        const QColor chosen = QColorDialog::getColor(colour_, this, QStringLiteral("色"));
        if (chosen.isValid()) setColour(chosen);
    });
    layout->addWidget(colourButton_);
    width_->setObjectName(QStringLiteral("width"));
    width_->setRange(1, 50);
    width_->setValue(3);
    width_->setToolTip(QStringLiteral("線の太さ"));
    layout->addWidget(width_);
    layout->addStretch();
}

void DrawingToolbar::setTool(DrawTool tool) {
    tool_ = tool;
    if (QAbstractButton* button = tools_->button(int(tool))) button->setChecked(true);
}

void DrawingToolbar::setColour(const QColor& colour) {
    colour_ = colour;
    colourButton_->setIcon(util::drawnIcon(
        QSize(24, 16), [colour](QPainter& painter) { painter.fillRect(0, 0, 24, 16, colour); }));
}

int DrawingToolbar::lineWidth() const { return width_->value(); }

QToolButton* DrawingToolbar::toolButton(DrawTool tool) const {
    return qobject_cast<QToolButton*>(tools_->button(int(tool)));
}

void DrawingToolbar::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    emit closedByUser();
}

}  // namespace ximora::editor
