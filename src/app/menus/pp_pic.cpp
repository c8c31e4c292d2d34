#include "app/menus/pp_pic.h"

#include <QAction>
#include <QActionGroup>
#include <QCursor>
#include <QMenu>

#include "app/menus/macro_list.h"
#include "app/menus/menu_state.h"
#include "app/menus/menu_tree.h"
#include "app/menus/menu_walker.h"
#include "app/menus/registered_folders.h"
#include "util/shared_values.h"
#include "util/usr.h"

namespace ximora::app {

using util::shared;

namespace {
const char* const kArray = "array";
const char* const kIndex = "index";
const char* const kGroup = "group";
const char* const kJob = "job";

QString key(const QString& array, int index) { return array + "/" + QString::number(index); }

// Menu text shows "&" only when doubled.
QString shown(const QString& text) {
    QString escaped = text;
    return escaped.replace('&', QStringLiteral("&&"));
}
}  // namespace

QString jobOfCaption(const QString& caption) {
    QString job = caption;
    Usr::CutAt(job, QStringLiteral("(&"));
    return job;
}

PpPic::PpPic(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("ppPic"));
    hide();
    build();
}

void PpPic::build() {
    walkMenuTable(
        [](const MenuRow&) { return true; },
        [this](const MenuRow& row, const QString& caption) {
            auto* menu = new QMenu(caption, this);
            tops_.insert(row.index, menu);
            if (row.index == 1 || row.index == 2 || row.index == 3 || row.index == 10)
                connect(menu, &QMenu::aboutToShow, this, [this] {
                    if (stateSource_) applyState(stateSource_());
                });
            return menu;
        },
        [this](const MenuEntry& entry) {
            QAction* action = entry.action;
            action->setProperty(kArray, QString::fromUtf8(entry.row.array));
            action->setProperty(kIndex, entry.row.index);
            action->setProperty(kGroup, entry.group);
            action->setProperty(kJob, entry.job);
            items_.insert(key(QString::fromUtf8(entry.row.array), entry.row.index), action);
            if (entry.item)
                connect(action, &QAction::triggered, this, [this, action] { choose(action); });
        });
    // Items filled later start hidden.
    for (const char* array : {"mnFold", "mnMcR", "mnHaniUs", "mnHnEx", "mnMcrS"})
        if (QAction* first = item(QString::fromUtf8(array), 0)) first->setVisible(false);
    item("mnHnEx", 1)->setVisible(false);
    item("mnNwF", 0)->setVisible(false);
    item("mnHani", 3)->setVisible(false);
    item("mnHani", 4)->setVisible(false);
    item("mnNwF", 1)->setVisible(false);
    for (int n = 0; n < 3; ++n) item("mnApr", n)->setVisible(false);
    item("mnMcrS", 2)->setEnabled(false);
    // Each of these is one choice: its items carry the check box, a click checks the item
    // and clears the others. The other items of their menus are plain commands.
    const struct {
        const char* array;
        int count;
    } choices[] = {{"mnUdt", 3},   {"mnDel", 2},   {"mnLstS", 2}, {"mnDisp", 5},
                   {"mnMouse", 3}, {"mnTmbFd", 2}, {"mnTree", 3}, {"mnColor", 8}};
    for (const auto& choice : choices) {
        auto* group = new QActionGroup(this);
        for (int index = 0; index < choice.count; ++index) {
            QAction* a = item(QString::fromUtf8(choice.array), index);
            a->setCheckable(true);
            group->addAction(a);
        }
    }
    item("mnEdt", 25)->setCheckable(true);
}

QAction* PpPic::item(const QString& array, int index) const {
    return items_.value(key(array, index), nullptr);
}

QMenu* PpPic::topMenu(int top) const { return tops_.value(top, nullptr); }

void PpPic::PopUp(QWidget* owner, int top, QWidget* anchor) {
    group_.clear();
    job_.clear();
    QMenu* menu = topMenu(top);
    if (!menu) return;
    Q_UNUSED(owner)  // the menu is owned by this window; it only shows over the owner
    menu->exec(anchor ? anchor->mapToGlobal(QPoint(0, anchor->height())) : QCursor::pos());
}

void PpPic::PopUpItem(const QString& array, int index, const QPoint& at) {
    group_.clear();
    job_.clear();
    QAction* opener = item(array, index);
    if (opener && opener->menu()) opener->menu()->exec(at);
}

void PpPic::choose(QAction* action) {
    group_.clear();
    job_.clear();
    const QString array = action->property(kArray).toString();
    const int index = action->property(kIndex).toInt();
    const QString text = action->property(kJob).toString();
    if (array == QStringLiteral("mnFold")) {
        chooseFolder(text);
    } else if (array == QStringLiteral("mnNwF") && index == 0) {
        if (Usr::FolderExists(shared().sUsrDir + "Temp/")) chooseFolder(shared().sUsrDir + "Temp");
    } else if (array == QStringLiteral("mnNwF") && index == 2) {
        shared().sPcFold = folders::registerFolder(shared().sStartDir, shared().sPcFold);
        StPcFld();
    } else if (array == QStringLiteral("mnMcR")) {
        if (const auto found = macros::body(macroList_, text)) {
            group_ = QStringLiteral("ｺﾏﾝﾄﾞ");
            job_ = *found;
        }
    } else if (array == QStringLiteral("mnEdt") && index == 25) {
        group_ = QStringLiteral("ﾊﾟﾝｳｨﾝﾄﾞｳ");
        job_ = action->isChecked() ? QStringLiteral("表示") : QStringLiteral("非表示");
    } else if (!text.isEmpty()) {
        group_ = action->property(kGroup).toString();
        job_ = text;
    }
}

void PpPic::chooseFolder(const QString& folder) {
    if (!Usr::FolderExists(folder)) return;
    QString path = folder;
    if (path.size() > 1) Usr::TrimEnd(path, QStringLiteral("/"));
    shared().sStartDir = path;
    group_ = QStringLiteral("ﾌｫﾙﾀﾞ指定");
    job_ = path;
}

void PpPic::fillDynamic(const QString& array, const QStringList& captions, const QString& before) {
    QAction* first = item(array, 0);
    QMenu* menu = first ? qobject_cast<QMenu*>(first->parent()) : nullptr;
    if (!menu) return;
    int index = 0;
    for (; index < captions.size(); ++index) {
        QAction* action = item(array, index);
        if (!action) {
            action = new QAction(menu);
            action->setProperty(kArray, array);
            action->setProperty(kIndex, index);
            action->setProperty(kGroup, first->property(kGroup));
            menu->insertAction(item(before, 0), action);
            connect(action, &QAction::triggered, this, [this, action] { choose(action); });
            items_.insert(key(array, index), action);
        }
        action->setText(shown(captions[index]));
        action->setProperty(kJob, captions[index]);
        action->setVisible(true);
    }
    for (; QAction* rest = item(array, index); ++index) rest->setVisible(false);
}

void PpPic::prShwRetB(bool show) {
    for (int i = 0; i < 4; ++i) item("mnRetB", i)->setVisible(show);
}

void PpPic::prFileEnd(bool show) {
    for (int i = 18; i <= 20; ++i) item("mnFile", i)->setVisible(show);
}

void PpPic::prEdtMode(const QString& mode) {
    topMenu(3)->menuAction()->setEnabled(mode != QStringLiteral("初期"));
}

void PpPic::prJPG(bool enabled) { topMenu(3)->menuAction()->setEnabled(enabled); }

void PpPic::check(const QString& array, int index, bool on) {
    if (QAction* a = item(array, index)) a->setChecked(on);
}

void PpPic::setItem(const QString& array, int index, bool enabled) {
    if (QAction* a = item(array, index)) a->setEnabled(enabled);
}

void PpPic::SetParam(int update, bool confirmDelete, bool selectionEntry, const QString& view,
                     int mouse, bool thumbBeside) {
    for (int i = 0; i < 3; ++i) check("mnUdt", i, i == update);
    check("mnDel", 0, confirmDelete);
    check("mnDel", 1, !confirmDelete);
    check("mnLstS", 0, selectionEntry);
    check("mnLstS", 1, !selectionEntry);
    for (int i = 0; i < 5; ++i) check("mnDisp", i, item("mnDisp", i)->property(kJob) == view);
    for (int i = 0; i < 3; ++i) check("mnMouse", i, i == mouse);
    check("mnTmbFd", 0, thumbBeside);
    check("mnTmbFd", 1, !thumbBeside);
}

void PpPic::StPcFld() {
    auto& values = shared();
    const QStringList all = values.sPcFold.split(',');
    fillDynamic(QStringLiteral("mnFold"), folders::existing(values.sPcFold),
                QStringLiteral("mnNwF"));
    if (!Usr::FolderExists(values.sStartDir))
        values.sStartDir = Usr::FolderExists(all.first()) ? all.first() : values.sUsrDir;
    const qsizetype slash = values.sStartDir.indexOf('/');
    if (slash >= 0) values.sRootDir = values.sStartDir.left(slash + 1);
}

QString PpPic::StPcFldB() {
    item("mnNwF", 0)->setVisible(true);
    item("mnNwF", 1)->setVisible(true);
    fillDynamic(QStringLiteral("mnFold"), folders::existing(shared().sPcFold),
                QStringLiteral("mnNwF"));
    return shared().sPcFold.split(',').first();
}

void PpPic::MacroMenu(const QString& list) {
    macroList_ = list;
    item("mnMcrS", 0)->setVisible(false);
    fillDynamic(QStringLiteral("mnMcR"), macros::titles(list), QStringLiteral("mnMcrS"));
    item("mnMcrS", 0)->setVisible(true);
}

void PpPic::setEditorCaption(int n, const QString& caption) {
    QAction* a = item("mnApr", n);
    if (!a) return;
    a->setText(shown(caption.isEmpty() ? QStringLiteral("?") : caption));
    a->setVisible(!caption.isEmpty());
}

void PpPic::setRangeRequest(const QString& caption) {
    const bool show = !caption.isEmpty() && caption != QStringLiteral("?");
    QAction* a = item("mnHnEx", 0);
    if (show) {
        a->setText(shown(caption));
        a->setProperty(kJob, caption);
    }
    a->setVisible(show);
    item("mnHnEx", 1)->setVisible(show);
}

void PpPic::setRegisteredRanges(const QStringList& names) {
    fillDynamic(QStringLiteral("mnHaniUs"), names, QStringLiteral("mnHani"));
}

void PpPic::setStorageSet(bool set) {
    for (int i = 0; i < 3; ++i) setItem("mnKkn", i, set);
}

void PpPic::applyState(const MenuState& s) {
    applyMenuState(s, [this](const QString& array, int index) { return item(array, index); });
}

}  // namespace ximora::app
