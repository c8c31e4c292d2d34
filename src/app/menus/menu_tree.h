#pragma once
// The whole menu tree of `ppPic` as one table. Rows follow each other in menu order; a row
// one level deeper than the row before it starts that row's submenu.

namespace ximora::app {

/// One menu item. `group` of a row with a submenu is the group its items inherit; a null
/// `group` inherits from the enclosing submenu. A null `job` means the caption cut before
/// "(&"; an empty `job` produces no pair. "-" is a separator.
struct MenuRow {
    int depth;            ///< 0 for the top menus `mnJb`
    const char* array;    ///< item array name ("mnFile")
    int index;            ///< index within the array
    const char* caption;  ///< caption as shown
    const char* group;
    const char* job;
};

/// The rows, in order, and how many there are.
const MenuRow* menuRows();
int menuRowCount();

}  // namespace ximora::app
