#include "app/menus/sub_menus.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>

#include "app/menus/menu_tree.h"
#include "app/menus/menu_walker.h"
#include "app/menus/pp_pic.h"

namespace ximora::app {

namespace {
// Top menus and their items taken over from the menu tree; an item's submenu comes along.
struct Pick {
    const char* array;
    int first;
    int last;
};
constexpr Pick kPicks[] = {
    {"mnJb", 1, 1}, {"mnFile", 0, 6}, {"mnFile", 21, 22}, {"mnJb", 3, 3}, {"mnEdt", 0, 21},
};
// The requested range and the registered ranges are not taken from the tree: a launch job
// requests ranges of the main window only, and the registered ranges are filled in later.
constexpr const char* kLeftOut[] = {"mnHnEx", "mnHaniUs"};

// Top menus and items of the table's top levels are picked; deeper rows come with their menu
// unless their array is left out.
bool picked(const MenuRow& row) {
    if (row.depth >= 2) {
        for (const char* array : kLeftOut)
            if (qstrcmp(array, row.array) == 0) return false;
        return true;
    }
    for (const Pick& pick : kPicks)
        if (qstrcmp(pick.array, row.array) == 0 && row.index >= pick.first &&
            row.index <= pick.last)
            return true;
    return false;
}

QString key(const QString& array, int index) { return array + "/" + QString::number(index); }
}  // namespace

SubMenus::SubMenus(QMenuBar* bar, Chosen chosen) : QObject(bar), chosen_(std::move(chosen)) {
    walkMenuTable(
        picked,
        [this, bar](const MenuRow& row, const QString& caption) {
            QMenu* menu = bar->addMenu(caption);
            tops_.insert(row.index, menu);
            return menu;
        },
        [this](const MenuEntry& entry) {
            items_.insert(key(QString::fromUtf8(entry.row.array), entry.row.index), entry.action);
            if (entry.item && !entry.job.isEmpty())
                connect(entry.action, &QAction::triggered, this,
                        [this, group = entry.group, job = entry.job] { chosen_(group, job); });
        });
    // The colour depth in force is one choice.
    auto* colours = new QActionGroup(this);
    for (int i = 0; i < 8; ++i) {
        QAction* colour = item(QStringLiteral("mnColor"), i);
        colour->setCheckable(true);
        colours->addAction(colour);
    }
}

QAction* SubMenus::addItem(QMenu* menu, const QString& caption, const QString& group,
                           const QString& job, QAction* before) {
    auto* action = new QAction(caption, menu);
    menu->insertAction(before, action);
    if (!job.isEmpty())
        connect(action, &QAction::triggered, this, [this, group, job] { chosen_(group, job); });
    return action;
}

QAction* SubMenus::item(const QString& array, int index) const {
    return items_.value(key(array, index), nullptr);
}

QMenu* SubMenus::topMenu(int top) const { return tops_.value(top, nullptr); }

void SubMenus::setRegisteredRanges(const QStringList& names) {
    for (qsizetype i = 0; i < ranges_.size(); ++i)
        items_.remove(key(QStringLiteral("mnHaniUs"), static_cast<int>(i)));
    qDeleteAll(ranges_);
    ranges_.clear();
    QAction* fixed = item(QStringLiteral("mnHani"), 0);
    QMenu* menu = fixed ? qobject_cast<QMenu*>(fixed->parent()) : nullptr;
    if (!menu) return;
    for (const QString& name : names) {
        // A name may hold "&", which a menu would take for a mnemonic.
        QString shown = name;
        shown.replace('&', QStringLiteral("&&"));
        QAction* action = addItem(menu, shown, QStringLiteral("範囲"), name, fixed);
        items_.insert(key(QStringLiteral("mnHaniUs"), static_cast<int>(ranges_.size())), action);
        ranges_.append(action);
    }
}

}  // namespace ximora::app
