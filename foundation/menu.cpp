// MENU: item texts and states by command or position, separator tidying and the
// pop-up tracking with the foreground and WM_NULL rules of the notification area.
#include "menu.h"

#include "kelvo.h"
#include "kelvoapp.h"

static bool item_exists(HMENU menu, UINT item, UINT by)
{
    return menu && GetMenuState(menu, item, by) != static_cast<UINT>(-1);
}

MENU::MENU(HMENU hmenu, bool owned) : hMenu(hmenu), Owned(owned) {}

MENU::MENU(int resourceid) : hMenu(nullptr), Owned(true)
{
    LogitLevel(4, "MENU::MENU %d\n", resourceid);
    HMENU hmenu = LoadMenuA(KELVOAPP::ResourceModule(), MAKEINTRESOURCEA(resourceid));
    ASSERT(hmenu);
    hMenu = hmenu;
}

MENU::~MENU()
{
    if (Owned && hMenu && IsMenu(hMenu)) DestroyMenu(hMenu);
}

HMENU MENU::GetSubMenu(int pos) const { return hMenu ? ::GetSubMenu(hMenu, pos) : nullptr; }

STRING MenuItemText(HMENU menu, int item, bool byposition)
{
    if (!item_exists(menu, item, byposition ? MF_BYPOSITION : MF_BYCOMMAND)) return STRING();
    // Asked through the item information, which owner-drawn items answer as well.
    MENUITEMINFOA mii = {};
    mii.cbSize = sizeof mii;
    mii.fMask = MIIM_STRING;
    if (!GetMenuItemInfoA(menu, item, byposition, &mii)) return STRING();
    STRING text;
    text.Make(static_cast<int>(mii.cch), nullptr);
    mii.cch++;
    mii.dwTypeData = text.Data();
    if (text.Length() > 0 && GetMenuItemInfoA(menu, item, byposition, &mii))
        text.Truncate(static_cast<int>(mii.cch));
    else
        text.Truncate(0);
    return text;
}

STRING MENU::GetMenuItemText(int item, bool byposition) const
{
    STRING text = MenuItemText(hMenu, item, byposition);
    if (text.IsNull())
        LogitLevel(4, "MENU::GetMenuItemText %d not found\n", item);
    else
        LogitLevel(4, "MENU::GetMenuItemText %d returns %s\n", item, text.Text());
    return text;
}

bool MENU::EnableMenuItem(int id, bool enable)
{
    LogitLevel(4, "MENU::EnableMenuItem %d %d\n", id, enable);
    if (!item_exists(hMenu, id, MF_BYCOMMAND)) return false;
    ::EnableMenuItem(hMenu, id, MF_BYCOMMAND | (enable ? MF_ENABLED : MF_GRAYED));
    return true;
}

bool MENU::IsMenuItemEnabled(int id) const
{
    if (!item_exists(hMenu, id, MF_BYCOMMAND)) return false;
    return !(GetMenuState(hMenu, id, MF_BYCOMMAND) & (MF_GRAYED | MF_DISABLED));
}

bool MENU::CheckMenuItem(int id, bool check)
{
    LogitLevel(4, "MENU::CheckMenuItem %d %d\n", id, check);
    if (!item_exists(hMenu, id, MF_BYCOMMAND)) return false;
    ::CheckMenuItem(hMenu, id, MF_BYCOMMAND | (check ? MF_CHECKED : MF_UNCHECKED));
    return true;
}

bool MENU::IsMenuItemChecked(int id) const
{
    if (!item_exists(hMenu, id, MF_BYCOMMAND)) return false;
    return (GetMenuState(hMenu, id, MF_BYCOMMAND) & MF_CHECKED) != 0;
}

bool MENU::DeleteMenuItem(int id)
{
    LogitLevel(4, "MENU::DeleteMenuItem %d\n", id);
    return hMenu && DeleteMenu(hMenu, id, MF_BYCOMMAND);
}

static bool is_separator(HMENU menu, int pos)
{
    MENUITEMINFOA mii = {};
    mii.cbSize = sizeof mii;
    mii.fMask = MIIM_FTYPE | MIIM_SUBMENU;
    return GetMenuItemInfoA(menu, pos, TRUE, &mii) && (mii.fType & MFT_SEPARATOR) &&
           !mii.hSubMenu;
}

static int tidy_separators(HMENU menu)
{
    int removed = 0;
    bool previous_separator = true;  // a separator at the top separates nothing
    for (int pos = 0; pos < GetMenuItemCount(menu);) {
        if (is_separator(menu, pos)) {
            if (previous_separator) {
                RemoveMenu(menu, pos, MF_BYPOSITION);
                removed++;
                continue;
            }
            previous_separator = true;
        } else {
            previous_separator = false;
            HMENU sub = ::GetSubMenu(menu, pos);
            if (sub) removed += tidy_separators(sub);
        }
        pos++;
    }
    int last = GetMenuItemCount(menu) - 1;
    if (last >= 0 && is_separator(menu, last)) {
        RemoveMenu(menu, last, MF_BYPOSITION);
        removed++;
    }
    return removed;
}

int MENU::DeleteMenuItemSeparator()
{
    int removed = hMenu ? tidy_separators(hMenu) : 0;
    LogitLevel(4, "MENU::DeleteMenuItemSeparator removed %d\n", removed);
    return removed;
}

int MENU::TrackPopupMenu(HWND owner, int flags, const POINT* at, int popup)
{
    LogitLevel(4, "MENU::TrackPopupMenu owner=%p flags=%d popup=%d\n", static_cast<void*>(owner),
               flags, popup);
    HMENU hmenu = popup >= 0 ? GetSubMenu(popup) : hMenu;
    if (!ASSERT(hmenu)) return 0;
    POINT pt;
    if (at)
        pt = *at;
    else
        GetCursorPos(&pt);

    // Hung below a menu bar of its own for the time it is shown; the bar itself is
    // never displayed.
    HMENU bar = CreateMenu();
    if (!ASSERT(bar)) return 0;
    AppendMenuA(bar, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(hmenu), "BLUB");

    UINT tpm = TPM_LEFTALIGN | TPM_TOPALIGN;
    tpm |= (flags & MENU_RIGHTBUTTON) ? TPM_RIGHTBUTTON : TPM_LEFTBUTTON;
    if (flags & MENU_RETURNCMD) tpm |= TPM_RETURNCMD;
    // Without the owner in the foreground the menu would not close when the user
    // clicks elsewhere (a menu opened from the notification area).
    SetForegroundWindow(owner);
    int rc = ::TrackPopupMenu(::GetSubMenu(bar, 0), tpm, pt.x, pt.y, 0, owner, nullptr);
    // Lets the menu close properly when it was opened from the notification area.
    PostMessageA(owner, WM_NULL, 0, 0);

    // Taken off the bar again without being destroyed with it.
    RemoveMenu(bar, 0, MF_BYPOSITION);
    DestroyMenu(bar);
    LogitLevel(4, "MENU::~TrackPopupMenu rc=%d\n", rc);
    return rc;
}
