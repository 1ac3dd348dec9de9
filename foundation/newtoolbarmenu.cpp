// NEWTOOLBAR's menu images: the items of a menu become owner-drawn items that show
// the bar's symbols, measured, drawn and given their mnemonics back by the bar.
#include "newtoolbar.h"

#include "kelvo.h"
#include "menu.h"
#include "newtoolbarlook.h"

using namespace NEWTOOLBARLOOK;

static const int MENU_IMAGE = 16;
static const int MENU_GUTTER = MENU_IMAGE + 12;  // the image column
static const int MENU_TEXT_GAP = 8;
static const int MENU_ACCEL_GAP = 28;
static const int MENU_RIGHT = 22;                // room for a sub-menu arrow
static const int MENU_SEPARATOR_HEIGHT = 9;
static const int MENU_INSET = 3;                 // the selection keeps off the edges

const NEWTOOLBARMENUITEM* NEWTOOLBAR::FindMenuItem(ULONG_PTR data) const
{
    // Only addresses the bar handed out itself are ever followed.
    for (int i = 0; i < MenuItems.GetCount(); i++) {
        const NEWTOOLBARMENUITEM* item = MenuItems.GetItem(i);
        if (reinterpret_cast<ULONG_PTR>(item) == data) return item;
    }
    return nullptr;
}

int NEWTOOLBAR::MenuItemPosition(const NEWTOOLBARMENUITEM* item)
{
    int count = GetMenuItemCount(item->Menu);
    for (int pos = 0; pos < count; pos++) {
        MENUITEMINFOA mii = {};
        mii.cbSize = sizeof mii;
        mii.fMask = MIIM_DATA;
        if (GetMenuItemInfoA(item->Menu, pos, TRUE, &mii) &&
            mii.dwItemData == reinterpret_cast<ULONG_PTR>(item))
            return pos;
    }
    return -1;
}

int NEWTOOLBAR::TakeMenuItems(HMENU menu, int id, bool bar)
{
    int taken = 0;
    int count = GetMenuItemCount(menu);
    for (int pos = 0; pos < count; pos++) {
        MENUITEMINFOA mii = {};
        mii.cbSize = sizeof mii;
        mii.fMask = MIIM_FTYPE | MIIM_ID | MIIM_SUBMENU | MIIM_DATA;
        if (!GetMenuItemInfoA(menu, pos, TRUE, &mii)) continue;
        if (mii.hSubMenu) taken += TakeMenuItems(mii.hSubMenu, id, false);
        // A menu bar keeps the system's drawing; only its pop-ups are ours.
        if (bar || FindMenuItem(mii.dwItemData)) continue;
        if (id != 0 && (mii.hSubMenu || mii.wID != static_cast<UINT>(id))) continue;
        NEWTOOLBARMENUITEM record;
        record.Owner = this;
        record.Menu = menu;
        record.Id = mii.hSubMenu ? 0 : mii.wID;
        record.Separator = (mii.fType & MFT_SEPARATOR) != 0;
        record.Popup = mii.hSubMenu != nullptr;
        if (!MenuItems.Add(record)) break;
        // Only the type and the data change: the text stays with the item, for the
        // tool tips and for anyone who reads it.
        MENUITEMINFOA set = {};
        set.cbSize = sizeof set;
        set.fMask = MIIM_FTYPE | MIIM_DATA;
        set.fType = mii.fType | MFT_OWNERDRAW;
        set.dwItemData = reinterpret_cast<ULONG_PTR>(MenuItems.GetItem(MenuItems.GetCount() - 1));
        if (SetMenuItemInfoA(menu, pos, TRUE, &set)) taken++;
    }
    if (!bar && taken > 0) {
        MENUINFO mi = {};
        mi.cbSize = sizeof mi;
        mi.fMask = MIM_BACKGROUND;
        mi.hbrBack = GetSysColorBrush(COLOR_WINDOW);  // the system's, so it outlives us
        SetMenuInfo(menu, &mi);
    }
    return taken;
}

int NEWTOOLBAR::MenuImages(HMENU menu, int id)
{
    LogitLevel(4, "NEWTOOLBAR::MenuImages %p id=%d\n", static_cast<void*>(menu), id);
    if (!menu || !IsMenu(menu)) return 0;
    int taken = TakeMenuItems(menu, id, hParent && menu == GetMenu(hParent));
    LogitLevel(4, "NEWTOOLBAR::~MenuImages took %d\n", taken);
    return taken;
}

HFONT NEWTOOLBAR::MenuFont()
{
    if (hMenuFont) return hMenuFont;
    NONCLIENTMETRICSA ncm = {};
    ncm.cbSize = sizeof ncm;
    if (!SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, ncm.cbSize, &ncm, 0)) {
        // Systems before Vista know the structure without its last field.
        ncm.cbSize = sizeof ncm - sizeof ncm.iPaddedBorderWidth;
        SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, ncm.cbSize, &ncm, 0);
    }
    hMenuFont = CreateFontIndirectA(&ncm.lfMenuFont);
    return hMenuFont;
}

bool NEWTOOLBAR::MeasureMenuItem(MEASUREITEMSTRUCT* mis)
{
    const NEWTOOLBARMENUITEM* item = FindMenuItem(mis->itemData);
    if (mis->CtlType != ODT_MENU || !item) return false;
    if (item->Separator) {
        mis->itemWidth = MENU_GUTTER;
        mis->itemHeight = MENU_SEPARATOR_HEIGHT;
        return true;
    }
    STRING text = MenuItemText(item->Menu, MenuItemPosition(item), true);
    STRING label = text.Field(0, "\t", STRINGFIELD_EMPTYIFMISSING);
    STRING accel = text.Field(1, "\t", STRINGFIELD_EMPTYIFMISSING);
    HDC hdc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(hdc, MenuFont());
    RECT rl = {0, 0, 0, 0}, ra = {0, 0, 0, 0};
    DrawTextA(hdc, label.Length() ? label.Text() : " ", -1, &rl, DT_SINGLELINE | DT_CALCRECT);
    if (accel.Length()) DrawTextA(hdc, accel, -1, &ra, DT_SINGLELINE | DT_CALCRECT);
    SelectObject(hdc, old);
    ReleaseDC(nullptr, hdc);
    int width = MENU_GUTTER + MENU_TEXT_GAP + rl.right + MENU_RIGHT;
    if (accel.Length()) width += MENU_ACCEL_GAP + ra.right;
    int height = rl.bottom + 10;
    if (height < MENU_IMAGE + 8) height = MENU_IMAGE + 8;
    mis->itemWidth = width;
    mis->itemHeight = height;
    return true;
}

static void draw_check_mark(HDC hdc, int cx, int cy, COLORREF colour)
{
    HPEN pen = CreatePen(PS_SOLID, 2, colour);
    HGDIOBJ old = SelectObject(hdc, pen);
    POINT pts[3] = {{cx - 4, cy}, {cx - 1, cy + 3}, {cx + 5, cy - 4}};
    Polyline(hdc, pts, 3);
    SelectObject(hdc, old);
    DeleteObject(pen);
}

bool NEWTOOLBAR::DrawMenuItem(const DRAWITEMSTRUCT* dis)
{
    const NEWTOOLBARMENUITEM* item = FindMenuItem(dis->itemData);
    if (dis->CtlType != ODT_MENU || !item) return false;
    HDC hdc = dis->hDC;
    RECT r = dis->rcItem;
    FillSolidRect(hdc, r, GetSysColor(COLOR_WINDOW));
    if (item->Separator) {
        int mid = (r.top + r.bottom) / 2;
        RECT line = {r.left + MENU_GUTTER, mid, r.right - MENU_INSET - 4, mid + 1};
        FillSolidRect(hdc, line, SEPARATOR_LINE);
        return true;
    }
    bool grayed = (dis->itemState & (ODS_GRAYED | ODS_DISABLED)) != 0;
    bool selected = (dis->itemState & ODS_SELECTED) != 0;
    bool checked = (dis->itemState & ODS_CHECKED) != 0;
    if (selected) {
        RECT sel = {r.left + MENU_INSET, r.top + 1, r.right - MENU_INSET, r.bottom - 1};
        if (grayed)
            FillRoundRect(hdc, sel, HOT_FILL, HOT_FILL);
        else
            FillRoundRect(hdc, sel, MENU_SELECTED_FILL, MENU_SELECTED_BORDER);
    }

    const NEWTOOLBARBUTTON* button = item->Popup ? nullptr : FindButton(item->Id);
    int image = button ? button->Image : -1;
    int ix = r.left + (MENU_GUTTER - MENU_IMAGE) / 2 + 1;
    int iy = r.top + (r.bottom - r.top - MENU_IMAGE) / 2;
    if (checked) {
        RECT box = {ix - 3, iy - 3, ix + MENU_IMAGE + 3, iy + MENU_IMAGE + 3};
        FillRoundRect(hdc, box, CHECKED_FILL, CHECKED_BORDER);
        if (image < 0)
            draw_check_mark(hdc, ix + MENU_IMAGE / 2, iy + MENU_IMAGE / 2,
                            grayed ? MENU_TEXT_GRAYED : MENU_TEXT);
    }
    if (image >= 0) DrawImage(hdc, ix, iy, SmallImages, image, grayed);

    STRING text = MenuItemText(item->Menu, MenuItemPosition(item), true);
    STRING label = text.Field(0, "\t", STRINGFIELD_EMPTYIFMISSING);
    STRING accel = text.Field(1, "\t", STRINGFIELD_EMPTYIFMISSING);
    HGDIOBJ oldfont = SelectObject(hdc, MenuFont());
    int oldmode = SetBkMode(hdc, TRANSPARENT);
    COLORREF oldcolour = SetTextColor(hdc, grayed ? MENU_TEXT_GRAYED : MENU_TEXT);
    UINT prefix = (dis->itemState & ODS_NOACCEL) ? DT_HIDEPREFIX : 0;
    RECT tr = {r.left + MENU_GUTTER + MENU_TEXT_GAP, r.top, r.right - MENU_RIGHT, r.bottom};
    DrawTextA(hdc, label, -1, &tr, DT_SINGLELINE | DT_VCENTER | DT_LEFT | prefix);
    if (accel.Length())
        DrawTextA(hdc, accel, -1, &tr, DT_SINGLELINE | DT_VCENTER | DT_RIGHT | DT_NOPREFIX);
    SetTextColor(hdc, oldcolour);
    SetBkMode(hdc, oldmode);
    SelectObject(hdc, oldfont);
    return true;
}

// The mnemonic of a menu text: the character after a single "&", or 0.
static char mnemonic(const STRING& text)
{
    for (int i = 0; i + 1 < text.Length(); i++) {
        if (text[i] != '&') continue;
        if (text[i + 1] != '&') return text[i + 1];
        i++;
    }
    return 0;
}

static char upper(char c)
{
    CharUpperBuffA(&c, 1);
    return c;
}

bool NEWTOOLBAR::MenuChar(WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    // Owner-drawn items lose the system's mnemonic handling; it is done here.
    HMENU menu = reinterpret_cast<HMENU>(lParam);
    char wanted = static_cast<char>(LOWORD(wParam));
    int count = GetMenuItemCount(menu);
    int first = -1, afterhilite = -1, hilite = -1, matches = 0;
    for (int pos = 0; pos < count; pos++) {
        MENUITEMINFOA mii = {};
        mii.cbSize = sizeof mii;
        mii.fMask = MIIM_DATA | MIIM_STATE;
        if (!GetMenuItemInfoA(menu, pos, TRUE, &mii)) continue;
        if (mii.fState & MFS_HILITE) hilite = pos;
        if (!FindMenuItem(mii.dwItemData)) continue;
        char c = mnemonic(MenuItemText(menu, pos, true));
        if (!c || upper(c) != upper(wanted)) continue;
        matches++;
        if (first < 0) first = pos;
        if (afterhilite < 0 && hilite >= 0 && pos > hilite) afterhilite = pos;
    }
    LogitLevel(4, "NEWTOOLBAR::MenuChar %c matches=%d\n", wanted, matches);
    if (matches == 0) return false;
    if (matches == 1)
        *result = MAKELRESULT(first, MNC_EXECUTE);
    else
        *result = MAKELRESULT(afterhilite >= 0 ? afterhilite : first, MNC_SELECT);
    return true;
}

bool NEWTOOLBAR::MenuItemDrawing(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    LRESULT dummy = 0;
    if (!result) result = &dummy;
    switch (message) {
    case WM_MEASUREITEM:
        if (!MeasureMenuItem(reinterpret_cast<MEASUREITEMSTRUCT*>(lParam))) return false;
        *result = TRUE;
        return true;
    case WM_DRAWITEM:
        if (!DrawMenuItem(reinterpret_cast<const DRAWITEMSTRUCT*>(lParam))) return false;
        *result = TRUE;
        return true;
    case WM_MENUCHAR:
        return MenuChar(wParam, lParam, result);
    }
    return false;
}
