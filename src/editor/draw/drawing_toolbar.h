#pragma once
// The drawing toolbar "ToolBar": a small tool window beside the editor's window with the tools,
// the colour and the line width. Closing it ends drawing (the editor then commits the shapes).

#include <QColor>
#include <QWidget>

#include "editor/draw/drawing.h"

class QButtonGroup;
class QSpinBox;
class QToolButton;

namespace ximora::editor {

class DrawingToolbar : public QWidget {
    Q_OBJECT
  public:
    explicit DrawingToolbar(QWidget* owner);

    DrawTool tool() const { return tool_; }
    void setTool(DrawTool tool);
    QColor colour() const { return colour_; }
    void setColour(const QColor& colour);
    int lineWidth() const;
    QToolButton* toolButton(DrawTool tool) const;
    /// The picture the stamp tool places (empty: the stamp tool places nothing).
    QImage stamp() const { return stamp_; }
    void setStamp(const QImage& stamp) { stamp_ = stamp; }

  signals:
    /// The user chose another tool (its number: 1 pointer, 2 and up drawing tools).
    void toolChanged(int kind);
    /// The user closed the toolbar.
    void closedByUser();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    QButtonGroup* tools_;
    QToolButton* colourButton_;
    QSpinBox* width_;
    DrawTool tool_ = DrawTool::Pointer;
    QColor colour_ = Qt::red;
    QImage stamp_;
};

}  // namespace ximora::editor
