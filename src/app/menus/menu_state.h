#pragma once
// Enabling and check marks of the editing menus from the editor's menu state. Shared by
// `ppPic` and the sub picture window, whose menus are a part of the same tree.

#include <functional>

class QAction;
class QString;

namespace ximora::app {

struct MenuState;

/// Item (`array`, `index`) of a menu set; null when the set has no such item.
using MenuItemLookup = std::function<QAction*(const QString& array, int index)>;

/// Sets the items the state decides; items missing from the set are skipped.
void applyMenuState(const MenuState& state, const MenuItemLookup& item);

}  // namespace ximora::app
