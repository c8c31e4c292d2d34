#include "app/menus/menu_state.h"

#include <QAction>
#include <QString>

#include "app/menus/pp_pic.h"

namespace ximora::app {

void applyMenuState(const MenuState& s, const MenuItemLookup& item) {
    const auto enable = [&item](const char* array, int index, bool on) {
        if (QAction* a = item(QString::fromUtf8(array), index)) a->setEnabled(on);
    };
    const auto check = [&item](const char* array, int index, bool on) {
        if (QAction* a = item(QString::fromUtf8(array), index)) a->setChecked(on);
    };
    enable("mnFile", 4, s.changed);
    for (int i : {5, 6, 9, 15, 17, 18, 20}) enable("mnFile", i, s.image);
    enable("mnWkf", 0, s.image);
    for (int i = 0; i < 3; ++i) check("mnTree", i, s.browserState == i);
    enable("mnEdt", 0, s.changed);
    enable("mnEdt", 1, s.undo);
    for (int i : {3, 13, 14, 15, 16, 17, 19, 21, 22, 23}) enable("mnEdt", i, s.image);
    enable("mnEdt", 25, s.image && s.panApplies);
    enable("mnEdt", 4, s.clipboard);
    enable("mnEdt", 6, !s.toolBar);
    for (int i : {8, 9, 11}) enable("mnEdt", i, s.range);
    for (int i : {2, 7, 8, 9}) enable("mnHani", i, s.range);
    check("mnEdt", 25, s.panShown);
    const int codes[] = {1, 4, 40, 8, 80, 16, 24, 32};
    for (int i = 0; i < 8; ++i) check("mnColor", i, s.colourCode == codes[i]);
}

}  // namespace ximora::app
