#pragma once
// The correction and effects dialogs: tabs of operations over a base image. Every application
// starts again from the base, so one tab's results never pile up; choosing another tab makes
// the current result the new base, so different tabs build on each other. The toggle "Draw"
// gates all work; the range drawn on the preview limits it to its inside or outside.

#include <QStringList>
#include <cmath>

#include "dialogs/adjust_dialog.h"
#include "editor/document/picture_document.h"
#include "engine/core/area.h"

class QGroupBox;
class QTabBar;
class QVBoxLayout;

namespace ximora::dialogs {

class TabbedAdjustDialog : public AdjustDialog {
    Q_OBJECT
  public:
    /// `range` is the editor's selection (all 0 for none); `editorMode` its display mode.
    TabbedAdjustDialog(const QString& caption, const QStringList& tabs,
                       const engine::Image& editorImage, int editorMode,
                       const editor::Selection& range, QWidget* parent);

    /// Runs the current tab's operation on a fresh copy of the base image (when "Draw" is
    /// down and no control is being set up).
    void apply();

    QTabBar* tabs() const { return tabs_; }
    QPushButton* drawButton() const { return draw_; }
    /// "内側" (0) and "外側" (1).
    QRadioButton* rangeOption(int index) const { return range_[index]; }
    const engine::Image& base() const { return base_; }

  protected:
    /// Resets the controls of tab `index` to their defaults and shows its frame.
    virtual void setUpTab(int index) = 0;
    /// The operation of tab `index` on `image` within `area`.
    virtual bool operate(int index, engine::Image& image, const engine::Area& area) = 0;

    /// Shows `frame` (hiding the one shown before) captioned `caption`; frames are made by
    /// the subclass with frameParent() as their parent.
    void showFrame(QGroupBox* frame, const QString& caption);
    QWidget* frameParent() const { return frameArea_; }
    /// A new parameter frame ("frImg") in the frame area, hidden until shown.
    QGroupBox* newFrame() const;
    /// A slider's value as the engine's whole-number level.
    static int level(double value) { return int(std::lround(value)); }

    void showEvent(QShowEvent* event) override;
    void undoPressed() override;
    void displayChosen(int mode) override;

  private:
    void tabChosen(int index);
    void applyOnce();
    engine::Area readRange() const;

    QTabBar* tabs_;
    QPushButton* draw_;
    QRadioButton* range_[2];
    QWidget* frameArea_;
    QVBoxLayout* frameLayout_;
    QGroupBox* shownFrame_ = nullptr;
    engine::Image base_;
    editor::Selection startRange_;
    bool changed_ = false;  // the working image differs from the base
    bool rangeShown_ = false;
    bool applying_ = false;  // an application is running (the busy pointer runs events)
    bool pending_ = false;   // a change arrived meanwhile
    int mode_;
};

}  // namespace ximora::dialogs
