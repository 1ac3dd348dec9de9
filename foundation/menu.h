// MENU, one menu handle with the item operations the programs use: texts, enabled
// and checked states, tidying separators, and tracking it as a pop-up menu.
#pragma once

#include "strings.h"

#include <windows.h>

// Flags of MENU::TrackPopupMenu.
const int MENU_RETURNCMD = 1;    // return the chosen command instead of sending it
const int MENU_RIGHTBUTTON = 8;  // the right mouse button chooses too

// Text of item (command id, or position with byposition) of menu, owner-drawn items
// included, without logging (for drawing paths); a null STRING when there is none.
STRING MenuItemText(HMENU menu, int item, bool byposition);

class MENU {
public:
    // Wraps hmenu; an owned menu is destroyed with the object.
    explicit MENU(HMENU hmenu = nullptr, bool owned = false);
    // Loads menu resource id of the resource module; destroyed with the object.
    explicit MENU(int resourceid);
    ~MENU();
    MENU(const MENU&) = delete;
    MENU& operator=(const MENU&) = delete;

    HMENU GetHandle() const { return hMenu; }
    // The pop-up at position pos, or null.
    HMENU GetSubMenu(int pos) const;

    // Text of the item with command id item (sub-menus searched too), or at position
    // item; a null STRING when there is no such item.
    STRING GetMenuItemText(int item, bool byposition = false) const;
    // Enables the item with command id, or grays it.
    bool EnableMenuItem(int id, bool enable);
    bool IsMenuItemEnabled(int id) const;
    bool CheckMenuItem(int id, bool check);
    bool IsMenuItemChecked(int id) const;
    // Deletes the item with command id.
    bool DeleteMenuItem(int id);
    // Deletes the separators that separate nothing (first, last, or following another
    // separator), in sub-menus too; returns how many went.
    int DeleteMenuItemSeparator();

    // Shows the menu (with popup >= 0 its sub-menu at that position) at the screen point
    // at, or at the cursor, for owner. Flags MENU_RETURNCMD and MENU_RIGHTBUTTON. Returns
    // the chosen command (0: none) with MENU_RETURNCMD, otherwise whether it was shown.
    int TrackPopupMenu(HWND owner, int flags, const POINT* at = nullptr, int popup = -1);

private:
    HMENU hMenu;
    bool Owned;
};
