// What the tray module needs of a form: its window, its icon and a way to pop up a menu.
#pragma once

#include "platform/Types.h"

namespace vedodud {

// A menu the tray module keeps a counted reference to.
struct Menu {
    MenuId id;
};

class TrayForm {
public:
    virtual ~TrayForm() = default;
    virtual Long hWnd() = 0;
    virtual Long IconHandle() = 0;
    // Returns after the menu has closed; a chosen item's handler has run by then.
    virtual void PopupMenu(const Menu& menu) = 0;
};

}  // namespace vedodud
