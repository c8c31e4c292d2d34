#include "app/windows/sb_pic.h"

#include <QAction>
#include <QCloseEvent>
#include <QCursor>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QShortcut>
#include <cmath>

#include "app/menus/menu_state.h"
#include "app/menus/pp_pic.h"
#include "app/menus/registered_folders.h"
#include "app/menus/sub_menus.h"
#include "dialogs/save_as_dialog.h"
#include "editor/upce.h"
#include "platform/desktop.h"
#include "util/shared_values.h"

namespace ximora::app {

using util::shared;

namespace {
struct Key {
    QKeyCombination keys;
    const char* group;
    const char* job;
};
const Key kKeys[] = {
    {Qt::CTRL | Qt::Key_O, "ﾌｧｲﾙ", "ﾌｧｲﾙを開く"},
    {Qt::CTRL | Qt::Key_S, "ﾌｧｲﾙ", "上書き保存"},
    {Qt::CTRL | Qt::Key_V, "画像編集", "ｸﾘｯﾌﾟﾎﾞｰﾄﾞから新規"},
    {Qt::CTRL | Qt::Key_C, "画像編集", "ｸﾘｯﾌﾟﾎﾞｰﾄﾞにｺﾋﾟｰ"},
    {Qt::CTRL | Qt::Key_T, "画像編集", "ﾄﾘﾐﾝｸﾞ"},
    {Qt::CTRL | Qt::Key_Z, "画像編集", "編集を一つ戻す"},
    {Qt::CTRL | Qt::Key_Y, "画像編集", "やり直し"},
    {Qt::CTRL | Qt::SHIFT | Qt::Key_Z, "画像編集", "やり直し"},
    {Qt::CTRL | Qt::Key_W, "ﾌｧｲﾙ", "連番をつけて作業ﾌｫﾙﾀﾞに複写"},
    {Qt::CTRL | Qt::Key_P, "ﾌｧｲﾙ", "印刷"},
    {Qt::CTRL | Qt::Key_R, "回転", "右90度"},
    {Qt::CTRL | Qt::Key_L, "回転", "左90度"},
    {QKeyCombination(Qt::Key_F8), "ﾌｧｲﾙ", "上書き保存"},
};

int tenths(int value, int n) { return static_cast<int>(std::lround(value * n / 10.0)); }
}  // namespace

SbPic::SbPic(QWidget* parent) : QMainWindow(parent, Qt::Window) {
    setObjectName(QStringLiteral("sbPic"));
    setAttribute(Qt::WA_DeleteOnClose);
    pce_ = new editor::uPcE(this);
    pce_->setObjectName(QStringLiteral("uPcE"));
    setCentralWidget(pce_);
    pce_->enableZoomInputs();
    menus_ = new SubMenus(
        menuBar(), [this](const QString& group, const QString& job) { command(group, job); });
    for (int top : {1, 3})
        connect(menus_->topMenu(top), &QMenu::aboutToShow, this, &SbPic::updateMenus);
    buildKeys();
    connectEditor();
}

void SbPic::buildKeys() {
    for (const Key& key : kKeys) {
        auto* shortcut = new QShortcut(QKeySequence(key.keys), this);
        const QString group = QString::fromUtf8(key.group);
        const QString job = QString::fromUtf8(key.job);
        connect(shortcut, &QShortcut::activated, this, [this, group, job] { command(group, job); });
    }
}

void SbPic::connectEditor() {
    connect(pce_, &editor::uPcE::eStPcTyp, this,
            [this](const QString& path, const QString&, const QString&) { setWindowTitle(path); });
    // File dialogs start in the first registered folder that still exists.
    connect(pce_, &editor::uPcE::eAskPcPh, this, [](QString& path) {
        const QStringList folders = folders::existing(shared().sPcFold);
        path = folders.isEmpty() ? QString() : folders.first();
    });
    connect(pce_, &editor::uPcE::ePopUp, this, [this] {
        updateMenus();
        menus_->topMenu(3)->exec(QCursor::pos());
    });
}

void SbPic::Act(const QWidget& main) {
    if (!bound_) {
        // Window positions count the frames; sizes are the inner areas.
        const QRect frame = main.frameGeometry();
        resize(tenths(main.width(), 9), tenths(main.height(), 9));
        move(frame.x() + tenths(main.width(), 1), frame.y() + tenths(main.height(), 1));
        pce_->cOn(this, shared().sUsrDir + "Wrk/");
        bound_ = true;
    }
    show();
    raise();
    activateWindow();
    pce_->StSize();
}

void SbPic::command(const QString& group, const QString& rawJob) {
    const QString job = jobOfCaption(rawJob);
    if (group.isEmpty() || job.isEmpty()) return;
    if (group == QStringLiteral("ﾌｧｲﾙ") && job == QStringLiteral("別名保存(詳細指定)")) {
        int handle = 0;
        pce_->GetHndle(handle);
        const QString file = pce_->prFile();
        dialogs::spImgSV::Act(handle, this, file.isEmpty() ? QString() : QFileInfo(file).path());
    } else if (group == QStringLiteral("ﾌｧｲﾙ") && job == QStringLiteral("終了")) {
        if (checkSave() != editor::uPcE::kCancel) close();
    } else {
        pce_->pcAct(group, job);
    }
}

int SbPic::checkSave() {
    const int answer = pce_->vCheckSave();
    asked_ = answer != editor::uPcE::kCancel;
    return answer;
}

void SbPic::updateMenus() {
    MenuState state;
    bool panApplies = false;  // the sub window has no pan window item
    pce_->GtMnState(state.image, state.changed, state.range, state.undo, state.colourCode,
                    panApplies, state.toolBar);
    state.clipboard = platform::clipboardHasPicture();
    QStringList names;
    for (const QString& entry : pce_->UsrHani().split(':', Qt::SkipEmptyParts))
        names << entry.section(',', 0, 0);
    menus_->setRegisteredRanges(names);
    applyMenuState(state,
                   [this](const QString& array, int index) { return menus_->item(array, index); });
}

void SbPic::closeEvent(QCloseEvent* event) {
    if (!asked_ && checkSave() == editor::uPcE::kCancel) {
        event->ignore();
        return;
    }
    pce_->cOff();
    event->accept();
}

void SbPic::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    if (bound_ && shared().bAppAct && !isMinimized()) pce_->StSize();
}

}  // namespace ximora::app
