#include "app/menus/sub_menus.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <climits>
#include <vector>

#include "app/menus/menu_tree.h"
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
    struct Level {
        QMenu* menu;
        QString group;
    };
    std::vector<Level> levels;
    const MenuRow* rows = menuRows();
    const int count = menuRowCount();
    int skipBelow = INT_MAX;  // rows deeper than a row left out are left out with it
    for (int i = 0; i < count; ++i) {
        const MenuRow& row = rows[i];
        if (row.depth > skipBelow) continue;
        skipBelow = INT_MAX;
        if (!picked(row)) {
            skipBelow = row.depth;
            continue;
        }
        levels.resize(static_cast<size_t>(row.depth));
        const QString caption = QString::fromUtf8(row.caption);
        const QString group = row.group        ? QString::fromUtf8(row.group)
                              : levels.empty() ? QString()
                                               : levels.back().group;
        const bool opens = i + 1 < count && rows[i + 1].depth > row.depth;
        QAction* action = nullptr;
        if (row.depth == 0) {
            QMenu* menu = bar->addMenu(caption);
            tops_.insert(row.index, menu);
            action = menu->menuAction();
            levels.push_back({menu, group});
        } else if (opens) {
            QMenu* menu = levels.back().menu->addMenu(caption);
            action = menu->menuAction();
            levels.push_back({menu, group});
        } else if (caption == QStringLiteral("-")) {
            action = levels.back().menu->addSeparator();
        } else {
            const QString job = row.job ? QString::fromUtf8(row.job) : jobOfCaption(caption);
            action = addItem(levels.back().menu, caption, group, job);
        }
        items_.insert(key(QString::fromUtf8(row.array), row.index), action);
    }
    for (int i = 0; i < 8; ++i) item(QStringLiteral("mnColor"), i)->setCheckable(true);
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
