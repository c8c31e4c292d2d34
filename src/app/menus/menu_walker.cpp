#include "app/menus/menu_walker.h"

#include <QAction>
#include <QMenu>
#include <climits>
#include <vector>

#include "app/menus/pp_pic.h"

namespace ximora::app {

void walkMenuTable(const std::function<bool(const MenuRow&)>& keep,
                   const std::function<QMenu*(const MenuRow&, const QString& caption)>& makeTop,
                   const std::function<void(const MenuEntry&)>& made) {
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
        if (!keep(row)) {
            skipBelow = row.depth;
            continue;
        }
        levels.resize(static_cast<size_t>(row.depth));
        const QString caption = QString::fromUtf8(row.caption);
        const QString group = row.group        ? QString::fromUtf8(row.group)
                              : levels.empty() ? QString()
                                               : levels.back().group;
        const QString job = row.job ? QString::fromUtf8(row.job) : jobOfCaption(caption);
        const bool opens = i + 1 < count && rows[i + 1].depth > row.depth;
        QMenu* submenu = nullptr;
        QAction* action = nullptr;
        if (row.depth == 0)
            submenu = makeTop(row, caption);
        else if (opens)
            submenu = levels.back().menu->addMenu(caption);
        else if (caption == QStringLiteral("-"))
            action = levels.back().menu->addSeparator();
        else
            action = levels.back().menu->addAction(caption);
        if (submenu) {
            action = submenu->menuAction();
            levels.push_back({submenu, group});
        }
        made({row, group, job, action, !submenu && !action->isSeparator()});
    }
}

}  // namespace ximora::app
