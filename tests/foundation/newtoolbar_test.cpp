// NEWTOOLBAR in a real window: layout in rows, clicks and check buttons driven by
// mouse messages, tool tips from the menu, the stored symbol size, the painting,
// and owner-drawn menu items measured, drawn and tracked.
#include "newtoolbar.h"

#include "kelvo.h"
#include "menu.h"
#include "newtoolbarlook.h"
#include "registry.h"
#include "testwindow.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

static const int BITMAP_SMALL = 110;
static const int BITMAP_LARGE = 111;
static const int IDR_MENU = 300;
static const int ID_TOOLBAR = 2001;
static const int CMD_SYNC = 401, CMD_CLOCK = 402, CMD_SETTINGS = 403, CMD_PAUSE = 404,
                 CMD_LIST = 405, CMD_SERVER = 406, CMD_HELP = 407, CMD_EXIT = 408,
                 CMD_SAVE = 409;
static const char TEST_APP[] = "TestNewToolbar";

// What the parent window saw.
struct PARENTLOG {
    std::vector<int> commands;
    NEWTOOLBAR* toolbar = nullptr;
    int measured = 0;
    int drawn = 0;
    int overrideid = 0;  // tool tip id for which the parent gives its own text
};
static PARENTLOG parentlog;

static LRESULT CALLBACK parent_proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_COMMAND:
        parentlog.commands.push_back(LOWORD(wParam));
        return 0;
    case WM_NOTIFY: {
        NMHDR* hdr = reinterpret_cast<NMHDR*>(lParam);
        if (hdr->code == TTN_GETDISPINFOA && static_cast<int>(hdr->idFrom) == parentlog.overrideid)
            reinterpret_cast<NMTTDISPINFOA*>(hdr)->lpszText = const_cast<char*>("from parent");
        return 0;
    }
    case WM_MEASUREITEM:
    case WM_DRAWITEM:
    case WM_MENUCHAR: {
        LRESULT result = 0;
        if (parentlog.toolbar &&
            parentlog.toolbar->MenuItemDrawing(msg, wParam, lParam, &result)) {
            if (msg == WM_MEASUREITEM) parentlog.measured++;
            if (msg == WM_DRAWITEM) parentlog.drawn++;
            return result;
        }
        break;
    }
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

// A 32-bit top-down picture to draw into and read pixels from.
class PICTURE {
public:
    PICTURE(int cx, int cy) : cx(cx)
    {
        BITMAPINFO bi = {};
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = cx;
        bi.bmiHeader.biHeight = -cy;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        dc = CreateCompatibleDC(nullptr);
        bitmap = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits),
                                  nullptr, 0);
        old = SelectObject(dc, bitmap);
        RECT all = {0, 0, cx, cy};
        WINDOW::FillSolidRect(dc, all, RGB(255, 0, 255));
    }
    ~PICTURE()
    {
        SelectObject(dc, old);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
    COLORREF At(int x, int y)
    {
        GdiFlush();
        DWORD p = bits[y * cx + x];
        return RGB((p >> 16) & 255, (p >> 8) & 255, p & 255);
    }
    HDC dc;

private:
    int cx;
    DWORD* bits = nullptr;
    HBITMAP bitmap;
    HGDIOBJ old;
};

// The bar as WM_PRINTCLIENT draws it into pic.
static void print_bar(NEWTOOLBAR& bar, PICTURE& pic)
{
    SendMessageA(bar.GetHwnd(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(pic.dc), PRF_CLIENT);
}

static bool is_gray(COLORREF c)
{
    return abs(GetRValue(c) - GetGValue(c)) < 8 && abs(GetGValue(c) - GetBValue(c)) < 8;
}

static bool is_blue(COLORREF c) { return GetBValue(c) > GetRValue(c) + 60; }

class Newtoolbar : public testing::Test {
protected:
    void SetUp() override
    {
        RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Kelvo\\TestNewToolbar");
        parentlog = PARENTLOG();
        menu = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MENU));
        parent = CreateTestWindow("parent", parent_proc, WS_OVERLAPPEDWINDOW, 0, 0, 640, 300, menu);
        ASSERT_TRUE(parent);
        ASSERT_TRUE(bar.Create(parent, ID_TOOLBAR, BITMAP_SMALL, BITMAP_LARGE, TEST_APP));
        parentlog.toolbar = &bar;
        bar.AddButton(CMD_SYNC, 0);
        bar.AddButton(CMD_CLOCK, 1);
        bar.AddSeparator();
        bar.AddButton(CMD_SETTINGS, 2);
        bar.AddButton(CMD_PAUSE, 3, TBSTYLE_CHECK);
        bar.AddSeparator();
        bar.AddButton(CMD_LIST, 4);
        bar.AddButton(CMD_SERVER, 5);
        bar.AddButton(CMD_HELP, 6);
        bar.AddButton(CMD_EXIT, 7);
        bar.Resize();
    }
    void TearDown() override
    {
        parentlog.toolbar = nullptr;
        DestroyWindow(parent);
        RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Kelvo\\TestNewToolbar");
    }
    void Click(int id, int dx = 0)
    {
        RECT r = bar.GetButtonRect(id);
        LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        LPARAM up = MAKELPARAM((r.left + r.right) / 2 + dx, (r.top + r.bottom) / 2);
        SendMessageA(bar.GetHwnd(), WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageA(bar.GetHwnd(), WM_LBUTTONUP, 0, up);
    }

    HWND parent = nullptr;
    HMENU menu = nullptr;
    NEWTOOLBAR bar;
};

TEST_F(Newtoolbar, IsAChildOfItsOwnClassSpanningTheParent)
{
    char cls[64];
    GetClassNameA(bar.GetHwnd(), cls, sizeof cls);
    EXPECT_STREQ(cls, "KelvoWinClassNewToolbar");
    EXPECT_EQ(GetParent(bar.GetHwnd()), parent);
    EXPECT_EQ(GetDlgCtrlID(bar.GetHwnd()), ID_TOOLBAR);
    RECT client, r;
    GetClientRect(parent, &client);
    GetWindowRect(bar.GetHwnd(), &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(r.right, client.right);
    EXPECT_EQ(r.bottom - r.top, bar.GetHeight());
    EXPECT_EQ(bar.GetButtonCount(), 10);
    EXPECT_FALSE(bar.GetSmallSymbols());
    EXPECT_EQ(bar.GetImageSize(), 24);
}

TEST_F(Newtoolbar, ButtonsAreArrangedInOneRowWhenThereIsRoom)
{
    const int ids[] = {CMD_SYNC, CMD_CLOCK, CMD_SETTINGS, CMD_PAUSE, CMD_LIST,
                       CMD_SERVER, CMD_HELP, CMD_EXIT};
    RECT first = bar.GetButtonRect(CMD_SYNC);
    int size = first.right - first.left;
    EXPECT_EQ(size, first.bottom - first.top);
    EXPECT_GE(size, 24 + 8);
    RECT previous = {0, 0, 0, 0};
    for (int id : ids) {
        RECT r = bar.GetButtonRect(id);
        EXPECT_EQ(r.top, first.top) << id;
        EXPECT_EQ(r.right - r.left, size) << id;
        EXPECT_GT(r.left, previous.right - 1) << id;
        previous = r;
    }
    // A separator leaves a gap wider than between neighbours.
    int gap = bar.GetButtonRect(CMD_CLOCK).left - bar.GetButtonRect(CMD_SYNC).right;
    int sepgap = bar.GetButtonRect(CMD_SETTINGS).left - bar.GetButtonRect(CMD_CLOCK).right;
    EXPECT_GT(sepgap, gap + 6);
    EXPECT_EQ(bar.GetHeight(), first.bottom + first.top + 1);
    EXPECT_TRUE(IsRectEmpty(&previous) == FALSE);
}

TEST_F(Newtoolbar, NarrowParentWrapsButtonsIntoRows)
{
    int oneRow = bar.GetHeight();
    SetWindowPos(parent, nullptr, 0, 0, 150, 300, SWP_NOMOVE | SWP_NOZORDER);
    int height = bar.Resize();
    RECT client;
    GetClientRect(bar.GetHwnd(), &client);
    EXPECT_GT(height, 2 * oneRow - 12);
    EXPECT_EQ(client.bottom, height);
    const int ids[] = {CMD_SYNC, CMD_CLOCK, CMD_SETTINGS, CMD_PAUSE, CMD_LIST,
                       CMD_SERVER, CMD_HELP, CMD_EXIT};
    int rows = 0, lasttop = -1;
    for (int id : ids) {
        RECT r = bar.GetButtonRect(id);
        EXPECT_LE(r.right, client.right) << id;
        EXPECT_LT(r.bottom, height) << id;
        if (r.top != lasttop) rows++;
        lasttop = r.top;
    }
    EXPECT_GE(rows, 3);
}

TEST_F(Newtoolbar, ClicksSendCommandsAndToggleCheckButtons)
{
    Click(CMD_SYNC);
    Click(CMD_PAUSE);
    ASSERT_EQ(parentlog.commands.size(), 2u);
    EXPECT_EQ(parentlog.commands[0], CMD_SYNC);
    EXPECT_EQ(parentlog.commands[1], CMD_PAUSE);
    EXPECT_FALSE(bar.IsButtonChecked(CMD_SYNC));
    EXPECT_TRUE(bar.IsButtonChecked(CMD_PAUSE));
    Click(CMD_PAUSE);
    EXPECT_FALSE(bar.IsButtonChecked(CMD_PAUSE));

    // Released away from the button: taken back.
    Click(CMD_PAUSE, 200);
    EXPECT_FALSE(bar.IsButtonChecked(CMD_PAUSE));
    EXPECT_EQ(parentlog.commands.size(), 3u);

    ASSERT_TRUE(bar.EnableButton(CMD_SYNC, false));
    EXPECT_FALSE(bar.IsButtonEnabled(CMD_SYNC));
    Click(CMD_SYNC);
    EXPECT_EQ(parentlog.commands.size(), 3u);
    EXPECT_TRUE(bar.EnableButton(CMD_SYNC, true));
    EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(Newtoolbar, OnlyCheckButtonsCanBeChecked)
{
    ASSERT_TRUE(bar.CheckButton(CMD_PAUSE, true));
    EXPECT_TRUE(bar.IsButtonChecked(CMD_PAUSE));
    int reports = AssertCount();
    EXPECT_FALSE(bar.CheckButton(CMD_SYNC, true));
    EXPECT_EQ(AssertCount(), reports + 1);
    EXPECT_STREQ(AssertLastCondition(), "button.Style & TBSTYLE_CHECK");
    EXPECT_FALSE(bar.IsButtonChecked(CMD_SYNC));
    EXPECT_FALSE(bar.CheckButton(4711, true));
}

TEST_F(Newtoolbar, ToolTipsAreTheMenuTexts)
{
    EXPECT_STREQ(bar.ToolTipText(CMD_SYNC).Text(), "Sync now");
    EXPECT_STREQ(bar.ToolTipText(CMD_SETTINGS).Text(), "Settings");
    EXPECT_STREQ(bar.ToolTipText(CMD_SAVE).Text(), "Save & close");
    EXPECT_STREQ(bar.ToolTipText(CMD_SERVER).Text(), "Server");
    EXPECT_STREQ(bar.ToolTipText(4711).Text(), "");

    HWND tip = bar.GetToolTipWindow();
    ASSERT_TRUE(tip);
    EXPECT_EQ(SendMessageA(tip, TTM_GETTOOLCOUNT, 0, 0), 8);

    // As the tool tip control asks for them.
    NMTTDISPINFOA di = {};
    di.hdr.hwndFrom = tip;
    di.hdr.idFrom = CMD_CLOCK;
    di.hdr.code = TTN_GETDISPINFOA;
    SendMessageA(bar.GetHwnd(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&di));
    ASSERT_TRUE(di.lpszText);
    EXPECT_STREQ(di.lpszText, "Adjust clock");

    parentlog.overrideid = CMD_HELP;
    di = NMTTDISPINFOA();
    di.hdr.hwndFrom = tip;
    di.hdr.idFrom = CMD_HELP;
    di.hdr.code = TTN_GETDISPINFOA;
    SendMessageA(bar.GetHwnd(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&di));
    EXPECT_STREQ(di.lpszText, "from parent");

    NMTTDISPINFOW dw = {};
    dw.hdr.hwndFrom = tip;
    dw.hdr.idFrom = CMD_EXIT;
    dw.hdr.code = TTN_GETDISPINFOW;
    SendMessageA(bar.GetHwnd(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&dw));
    ASSERT_TRUE(dw.lpszText);
    EXPECT_STREQ(dw.lpszText, L"Exit");

    // Another menu than the parent's can be named.
    HMENU own = CreatePopupMenu();
    AppendMenuA(own, MF_STRING, CMD_SYNC, "&Refresh");
    bar.SetMenu(own);
    EXPECT_STREQ(bar.ToolTipText(CMD_SYNC).Text(), "Refresh");
    bar.SetMenu(nullptr);
    DestroyMenu(own);
}

TEST_F(Newtoolbar, SmallSymbolsAreStoredForTheNextStart)
{
    int large = bar.GetButtonRect(CMD_SYNC).right - bar.GetButtonRect(CMD_SYNC).left;
    ASSERT_TRUE(bar.SetSmallSymbols(true));
    EXPECT_EQ(bar.GetImageSize(), 16);
    int small = bar.GetButtonRect(CMD_SYNC).right - bar.GetButtonRect(CMD_SYNC).left;
    EXPECT_EQ(small, large - 10);
    {
        REGISTRY reg(HKEY_CURRENT_USER, "Software\\Kelvo\\", TEST_APP, REGISTRY_READ);
        EXPECT_STREQ(reg.Read("SmallSymbols").Text(), "1");
    }
    NEWTOOLBAR next;
    ASSERT_TRUE(next.Create(parent, ID_TOOLBAR + 1, BITMAP_SMALL, BITMAP_LARGE, TEST_APP));
    EXPECT_TRUE(next.GetSmallSymbols());

    ASSERT_TRUE(bar.SetSmallSymbols(false));
    REGISTRY reg(HKEY_CURRENT_USER, "Software\\Kelvo\\", TEST_APP, REGISTRY_READ);
    EXPECT_STREQ(reg.Read("SmallSymbols").Text(), "0");
}

TEST_F(Newtoolbar, PaintShowsCheckedAndDisabledButtons)
{
    RECT client;
    GetClientRect(bar.GetHwnd(), &client);
    PICTURE pic(client.right, client.bottom);
    bar.CheckButton(CMD_PAUSE, true);
    bar.EnableButton(CMD_EXIT, false);
    print_bar(bar, pic);

    EXPECT_EQ(pic.At(1, 1), NEWTOOLBARLOOK::BAR_BACKGROUND);
    EXPECT_EQ(pic.At(1, client.bottom - 1), NEWTOOLBARLOOK::BAR_BORDER);
    RECT pause = bar.GetButtonRect(CMD_PAUSE);
    EXPECT_EQ(pic.At(pause.left + 3, pause.top + 3), NEWTOOLBARLOOK::CHECKED_FILL);
    RECT sync = bar.GetButtonRect(CMD_SYNC);
    EXPECT_EQ(pic.At(sync.left + 3, sync.top + 3), NEWTOOLBARLOOK::BAR_BACKGROUND);

    // The help symbol is a blue disc: blue when enabled, gray when disabled (exit is red).
    RECT help = bar.GetButtonRect(CMD_HELP);
    int cx = (help.left + help.right) / 2, cy = (help.top + help.bottom) / 2;
    EXPECT_TRUE(is_blue(pic.At(cx - 6, cy))) << std::hex << pic.At(cx - 6, cy);
    RECT exit = bar.GetButtonRect(CMD_EXIT);
    cx = (exit.left + exit.right) / 2;
    int y;
    bool inked = false;
    for (y = exit.top; y < exit.bottom; y++) {
        COLORREF c = pic.At(cx, y);
        if (c != NEWTOOLBARLOOK::BAR_BACKGROUND) {
            inked = true;
            EXPECT_TRUE(is_gray(c)) << std::hex << c;
        }
    }
    EXPECT_TRUE(inked);
}

TEST_F(Newtoolbar, PaintShowsHotAndPressedButtons)
{
    RECT client;
    GetClientRect(bar.GetHwnd(), &client);
    RECT clock = bar.GetButtonRect(CMD_CLOCK);
    RECT list = bar.GetButtonRect(CMD_LIST);
    SendMessageA(bar.GetHwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(clock.left + 5, clock.top + 5));
    PICTURE hot(client.right, client.bottom);
    print_bar(bar, hot);
    EXPECT_EQ(hot.At(clock.left + 3, clock.top + 3), NEWTOOLBARLOOK::HOT_FILL);
    EXPECT_EQ(hot.At(list.left + 3, list.top + 3), NEWTOOLBARLOOK::BAR_BACKGROUND);

    SendMessageA(bar.GetHwnd(), WM_LBUTTONDOWN, MK_LBUTTON,
                 MAKELPARAM(list.left + 5, list.top + 5));
    PICTURE pressed(client.right, client.bottom);
    print_bar(bar, pressed);
    EXPECT_EQ(pressed.At(list.left + 3, list.top + 3), NEWTOOLBARLOOK::PRESSED_FILL);
    EXPECT_EQ(pressed.At(clock.left + 3, clock.top + 3), NEWTOOLBARLOOK::BAR_BACKGROUND);
    EXPECT_EQ(GetCapture(), bar.GetHwnd());

    SendMessageA(bar.GetHwnd(), WM_MOUSELEAVE, 0, 0);
    SendMessageA(bar.GetHwnd(), WM_LBUTTONUP, 0, MAKELPARAM(list.left + 5, list.top + 5));
    EXPECT_EQ(parentlog.commands.size(), 1u);
    PICTURE after(client.right, client.bottom);
    print_bar(bar, after);
    EXPECT_EQ(after.At(list.left + 3, list.top + 3), NEWTOOLBARLOOK::BAR_BACKGROUND);
}

// ---------------------------------------------------------------- menu images

TEST_F(Newtoolbar, MenuImagesMakePopupItemsOwnerDrawnAndKeepTheirTexts)
{
    EXPECT_EQ(bar.MenuImages(menu, 0), 11);
    HMENU time = GetSubMenu(menu, 0);
    MENUITEMINFOA mii = {};
    mii.cbSize = sizeof mii;
    mii.fMask = MIIM_FTYPE;
    ASSERT_TRUE(GetMenuItemInfoA(time, CMD_SYNC, FALSE, &mii));
    EXPECT_TRUE(mii.fType & MFT_OWNERDRAW);
    ASSERT_TRUE(GetMenuItemInfoA(menu, 0, TRUE, &mii));  // the bar draws itself
    EXPECT_FALSE(mii.fType & MFT_OWNERDRAW);
    MENU m(menu);
    EXPECT_STREQ(m.GetMenuItemText(CMD_SYNC).Text(), "Sync &now\tF5");
    EXPECT_STREQ(bar.ToolTipText(CMD_SYNC).Text(), "Sync now");
    // A second call takes nothing twice.
    EXPECT_EQ(bar.MenuImages(menu, 0), 0);

    HMENU single = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MENU));
    HMENU popup = GetSubMenu(single, 0);
    EXPECT_EQ(bar.MenuImages(popup, CMD_CLOCK), 1);
    ASSERT_TRUE(GetMenuItemInfoA(popup, CMD_SYNC, FALSE, &mii));
    EXPECT_FALSE(mii.fType & MFT_OWNERDRAW);
    ASSERT_TRUE(GetMenuItemInfoA(popup, CMD_CLOCK, FALSE, &mii));
    EXPECT_TRUE(mii.fType & MFT_OWNERDRAW);
    DestroyMenu(single);
}

// The item data the bar gave the item at pos of menu.
static ULONG_PTR item_data(HMENU menu, int pos)
{
    MENUITEMINFOA mii = {};
    mii.cbSize = sizeof mii;
    mii.fMask = MIIM_DATA;
    GetMenuItemInfoA(menu, pos, TRUE, &mii);
    return mii.dwItemData;
}

TEST_F(Newtoolbar, MenuItemsAreMeasured)
{
    bar.MenuImages(menu, 0);
    HMENU time = GetSubMenu(menu, 0);
    MEASUREITEMSTRUCT mis = {};
    mis.CtlType = ODT_MENU;
    mis.itemID = CMD_SYNC;
    mis.itemData = item_data(time, 0);
    LRESULT result = 0;
    ASSERT_TRUE(bar.MenuItemDrawing(WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&mis), &result));
    EXPECT_EQ(result, TRUE);
    EXPECT_GE(mis.itemHeight, 24u);
    UINT withaccel = mis.itemWidth;

    MEASUREITEMSTRUCT plain = {};
    plain.CtlType = ODT_MENU;
    plain.itemID = CMD_CLOCK;
    plain.itemData = item_data(time, 1);
    ASSERT_TRUE(bar.MenuItemDrawing(WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&plain), &result));
    EXPECT_GT(plain.itemWidth, 16u + 40u);
    EXPECT_GT(withaccel, 0u);

    MEASUREITEMSTRUCT sep = {};
    sep.CtlType = ODT_MENU;
    sep.itemData = item_data(time, 2);
    ASSERT_TRUE(bar.MenuItemDrawing(WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&sep), &result));
    EXPECT_LT(sep.itemHeight, mis.itemHeight);

    // Someone else's owner-drawn item is left alone.
    MEASUREITEMSTRUCT foreign = mis;
    foreign.itemData = 12345;
    EXPECT_FALSE(bar.MenuItemDrawing(WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&foreign),
                                     &result));
    foreign = mis;
    foreign.CtlType = ODT_LISTBOX;
    EXPECT_FALSE(bar.MenuItemDrawing(WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&foreign),
                                     &result));
}

// Draws item pos of menu in the given state into a fresh picture.
static void draw_item(NEWTOOLBAR& bar, HMENU menu, int pos, UINT state, PICTURE& pic, RECT r)
{
    DRAWITEMSTRUCT dis = {};
    dis.CtlType = ODT_MENU;
    dis.itemAction = ODA_DRAWENTIRE;
    dis.itemState = state;
    dis.hwndItem = reinterpret_cast<HWND>(menu);
    dis.hDC = pic.dc;
    dis.rcItem = r;
    dis.itemData = item_data(menu, pos);
    LRESULT result = 0;
    EXPECT_TRUE(bar.MenuItemDrawing(WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&dis), &result));
}

// Whether any pixel of a row span is dark text.
static bool has_text(PICTURE& pic, int x1, int x2, int y1, int y2)
{
    for (int y = y1; y < y2; y++)
        for (int x = x1; x < x2; x++) {
            COLORREF c = pic.At(x, y);
            if (GetRValue(c) < 110 && GetGValue(c) < 110 && GetBValue(c) < 130) return true;
        }
    return false;
}

TEST_F(Newtoolbar, MenuItemsAreDrawnWithImageTextAndState)
{
    bar.MenuImages(menu, 0);
    HMENU time = GetSubMenu(menu, 0);
    RECT r = {0, 0, 200, 26};
    const int imagex = (28 - 16) / 2 + 1, imagey = (26 - 16) / 2;

    PICTURE normal(200, 26);
    draw_item(bar, time, 0, 0, normal, r);
    EXPECT_EQ(normal.At(199, 0), GetSysColor(COLOR_WINDOW));
    // The sync symbol: a blue ring, its left edge at the image's middle row.
    bool blue = false;
    for (int x = imagex; x < imagex + 5; x++) blue = blue || is_blue(normal.At(x, imagey + 8));
    EXPECT_TRUE(blue);
    EXPECT_TRUE(has_text(normal, 36, 120, 4, 22));

    PICTURE grayed(200, 26);
    draw_item(bar, time, 0, ODS_GRAYED, grayed, r);
    for (int x = imagex; x < imagex + 5; x++) EXPECT_TRUE(is_gray(grayed.At(x, imagey + 8)));
    EXPECT_FALSE(has_text(grayed, 36, 120, 4, 22));

    PICTURE selected(200, 26);
    draw_item(bar, time, 0, ODS_SELECTED, selected, r);
    EXPECT_EQ(selected.At(100, 4), NEWTOOLBARLOOK::MENU_SELECTED_FILL);
    EXPECT_EQ(selected.At(0, 4), GetSysColor(COLOR_WINDOW));

    // "Save && close" has no button: a checked one shows a check mark in a box.
    PICTURE checked(200, 26);
    draw_item(bar, time, 5, ODS_CHECKED, checked, r);
    EXPECT_EQ(checked.At(imagex - 1, imagey - 1), NEWTOOLBARLOOK::CHECKED_FILL);
    EXPECT_TRUE(has_text(checked, imagex, imagex + 16, imagey, imagey + 16));

    PICTURE separator(200, 9);
    RECT sr = {0, 0, 200, 9};
    draw_item(bar, time, 2, 0, separator, sr);
    EXPECT_EQ(separator.At(100, 4), NEWTOOLBARLOOK::SEPARATOR_LINE);
    EXPECT_EQ(separator.At(100, 1), GetSysColor(COLOR_WINDOW));
}

TEST_F(Newtoolbar, MenuCharFindsTheMnemonicOfOwnerDrawnItems)
{
    bar.MenuImages(menu, 0);
    HMENU time = GetSubMenu(menu, 0);
    LRESULT result = 0;
    ASSERT_TRUE(bar.MenuItemDrawing(WM_MENUCHAR, MAKEWPARAM('N', MF_POPUP),
                                    reinterpret_cast<LPARAM>(time), &result));
    EXPECT_EQ(HIWORD(result), MNC_EXECUTE);
    EXPECT_EQ(LOWORD(result), 0);
    // "Save && &close": the doubled "&" is no mnemonic, the "c" is.
    ASSERT_TRUE(bar.MenuItemDrawing(WM_MENUCHAR, MAKEWPARAM('c', MF_POPUP),
                                    reinterpret_cast<LPARAM>(time), &result));
    EXPECT_EQ(result, MAKELRESULT(5, MNC_EXECUTE));
    EXPECT_FALSE(bar.MenuItemDrawing(WM_MENUCHAR, MAKEWPARAM('q', MF_POPUP),
                                     reinterpret_cast<LPARAM>(time), &result));

    // Two items with the same mnemonic: selected in turn, not executed.
    HMENU twice = CreatePopupMenu();
    AppendMenuA(twice, MF_STRING, CMD_SYNC, "&Sync");
    AppendMenuA(twice, MF_STRING, CMD_SETTINGS, "&Settings");
    bar.MenuImages(twice, 0);
    ASSERT_TRUE(bar.MenuItemDrawing(WM_MENUCHAR, MAKEWPARAM('s', MF_POPUP),
                                    reinterpret_cast<LPARAM>(twice), &result));
    EXPECT_EQ(result, MAKELRESULT(0, MNC_SELECT));
    DestroyMenu(twice);
}

TEST_F(Newtoolbar, TrackedMenuIsMeasuredAndDrawnByTheBar)
{
    bar.MenuImages(menu, 0);
    ShowWindow(parent, SW_SHOW);
    MENU m(menu);
    MENUSEEN seen;
    std::thread helper = AnswerPopupMenu(&seen, {VK_DOWN, VK_DOWN, VK_RETURN});
    POINT at = {50, 50};
    int rc = m.TrackPopupMenu(parent, MENU_RETURNCMD, &at, 0);
    helper.join();
    EXPECT_EQ(rc, CMD_CLOCK);
    EXPECT_GE(parentlog.measured, 7);
    EXPECT_GE(parentlog.drawn, 7);
}
