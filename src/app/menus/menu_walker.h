#pragma once
// One walk over the menu table that builds the menus of both their owners: the pop-up menus of
// `ppPic` and the sub window's menu bar. The owner makes the top menus and wires the items.

#include <QString>
#include <functional>

#include "app/menus/menu_tree.h"

class QAction;
class QMenu;

namespace ximora::app {

/// A row of the table as the walk made it.
struct MenuEntry {
    const MenuRow& row;
    QString group;    ///< the row's own group or the one it inherits from its menu
    QString job;      ///< the row's job: its own, or the caption cut before "(&"; empty: no pair
    QAction* action;  ///< the item, the separator or the action of the menu the row opens
    bool item;        ///< a plain item (neither a separator nor a menu)
};

/// Walks the rows `keep` accepts; the rows below a row left out go with it. A top row gets the
/// menu `makeTop` returns for it; the other rows become submenus, separators or items of their
/// menus. `made` receives every row made, in table order.
void walkMenuTable(const std::function<bool(const MenuRow&)>& keep,
                   const std::function<QMenu*(const MenuRow&, const QString& caption)>& makeTop,
                   const std::function<void(const MenuEntry&)>& made);

}  // namespace ximora::app
