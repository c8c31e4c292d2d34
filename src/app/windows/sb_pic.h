#pragma once
// `sbPic`: the sub picture window, a second window with an editor of its own so that another
// picture can be edited beside the main window. Its menus and keys send command pairs to its
// own editor only.

#include <QMainWindow>

namespace ximora::editor {
class uPcE;
}

namespace ximora::app {

class SubMenus;

class SbPic : public QMainWindow {
    Q_OBJECT
  public:
    /// `parent` is the main window; the sub window is a window of its own that goes with it.
    /// It deletes itself when closed.
    explicit SbPic(QWidget* parent = nullptr);

    /// Places the window over `main` (moved by a tenth of its width and height, nine tenths
    /// as large), binds the editor to the working folder `sUsrDir` + "Wrk/" and shows the
    /// window without waiting. A window already shown is only raised: binding again would
    /// forget that its picture is edited.
    void Act(const QWidget& main);
    /// A command pair from the menus or the keys: "別名保存(詳細指定)" opens the save-as
    /// dialog on the editor's image, "終了" closes after the save question, every other pair
    /// goes to the editor. A job is cut before "(&"; an empty group or job does nothing.
    void command(const QString& group, const QString& job);
    /// The editor's save question for closing with the program (uPcE::kCancel keeps the
    /// program open); a later close does not ask again.
    int checkSave();

    editor::uPcE* editor() const { return pce_; }
    SubMenus* menus() const { return menus_; }
    /// Sets the menu items from the editor's state, as opening a top menu does.
    void updateMenus();

  protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void buildKeys();
    void connectEditor();

    editor::uPcE* pce_;
    SubMenus* menus_;
    bool bound_ = false;
    bool asked_ = false;  // the save question ran already for the close under way
};

}  // namespace ximora::app
