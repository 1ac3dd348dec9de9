// NEWTOOLBAR in a real window: layout in rows, clicks and check buttons driven by
// mouse messages, tool tips from the menu, the stored symbol size, the painting,
// and owner-drawn menu items measured, drawn and tracked.
#include "newtoolbar.h"

#include "memorybitmap.h"
#include "menu.h"
#include "newtoolbarlook.h"
#include "reports.h"
#include "scratchkey.h"
#include "testwindow.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

using namespace NEWTOOLBARLOOK;

static const int BITMAP_SMALL = 110;
static const int BITMAP_LARGE = 111;
static const int IDR_MENU = 300;
static const int CMD_SYNC = 401, CMD_CLOCK = 402, CMD_SETTINGS = 403, CMD_PAUSE = 404,
                 CMD_HELP = 407, CMD_EXIT = 408;
// The bar's buttons (a separator before the third and the fifth), image i for button i.
static const int BUTTONS[] = {CMD_SYNC, CMD_CLOCK, CMD_SETTINGS, CMD_PAUSE,
                              405,      406,       CMD_HELP,     CMD_EXIT};

// What the parent window saw.
static std::vector<int> commands;
static int measured, drawn;
static NEWTOOLBAR* drawing_bar;

static LRESULT CALLBACK parent_proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    NMTTDISPINFOA* tip = reinterpret_cast<NMTTDISPINFOA*>(lParam);
    if (msg == WM_COMMAND) commands.push_back(LOWORD(wParam));
    // The owner may give a tool tip text of its own.
    if (msg == WM_NOTIFY && tip->hdr.code == TTN_GETDISPINFOA &&
        static_cast<int>(tip->hdr.idFrom) == CMD_HELP)
        tip->lpszText = const_cast<char*>("from parent");
    if (drawing_bar && drawing_bar->MenuItemDrawing(msg, wParam, lParam, &result)) {
        measured += msg == WM_MEASUREITEM;
        drawn += msg == WM_DRAWITEM;
        return result;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

static COLORREF at(const MEMORYBITMAP& pic, const RECT& r, int dx, int dy)
{
    return GetPixel(pic.GetHdc(), r.left + dx, r.top + dy);
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
        commands.clear();
        measured = drawn = 0;
        menu = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MENU));
        parent = CreateTestWindow("parent", parent_proc, WS_OVERLAPPEDWINDOW, 0, 0, 640, 300, menu);
        ASSERT_TRUE(parent);
        ASSERT_TRUE(bar.Create(parent, 2001, BITMAP_SMALL, BITMAP_LARGE, key.Name().c_str()));
        drawing_bar = &bar;
        for (int i = 0; i < 8; i++) {
            if (i == 2 || i == 4) bar.AddSeparator();
            bar.AddButton(BUTTONS[i], i, BUTTONS[i] == CMD_PAUSE ? TBSTYLE_CHECK : TBSTYLE_BUTTON);
        }
        bar.Resize();
    }
    void TearDown() override
    {
        drawing_bar = nullptr;
        DestroyWindow(parent);
    }
    void Mouse(UINT message, int id, int dx = 0)
    {
        RECT r = bar.GetButtonRect(id);
        SendMessageA(bar.GetHwnd(), message, 0, MAKELPARAM(r.left + 5 + dx, r.top + 5));
    }
    void Click(int id, int dx = 0)
    {
        Mouse(WM_LBUTTONDOWN, id);
        Mouse(WM_LBUTTONUP, id, dx);
    }

    SCRATCHKEY key;
    HWND parent = nullptr;
    HMENU menu = nullptr;
    NEWTOOLBAR bar;
};

TEST_F(Newtoolbar, ButtonsLieInRowsAcrossTheParentInTheStoredSymbolSize)
{
    RECT client, r;
    GetClientRect(parent, &client);
    GetWindowRect(bar.GetHwnd(), &r);
    EXPECT_EQ(r.right - r.left, client.right);
    EXPECT_EQ(r.bottom - r.top, bar.GetHeight());
    EXPECT_EQ(bar.GetImageSize(), 24);  // large symbols unless stored otherwise

    // One row while there is room; a separator leaves a wider gap than neighbours have.
    RECT first = bar.GetButtonRect(CMD_SYNC), previous = {0, 0, 0, 0};
    int size = first.right - first.left, gaps[8] = {};
    EXPECT_EQ(size, first.bottom - first.top);
    EXPECT_GE(size, 24 + 8);
    for (int i = 0; i < 8; i++) {
        RECT b = bar.GetButtonRect(BUTTONS[i]);
        EXPECT_EQ(b.top, first.top) << i;
        EXPECT_EQ(b.right - b.left, size) << i;
        gaps[i] = b.left - previous.right;
        previous = b;
    }
    EXPECT_GT(gaps[2], gaps[1] + 6);
    EXPECT_EQ(bar.GetHeight(), first.bottom + first.top + 1);

    int onerow = bar.GetHeight();
    SetWindowPos(parent, nullptr, 0, 0, 150, 300, SWP_NOMOVE | SWP_NOZORDER);
    int height = bar.Resize();
    GetClientRect(bar.GetHwnd(), &client);
    EXPECT_GT(height, 2 * onerow - 12);
    EXPECT_EQ(client.bottom, height);
    int rows = 0, lasttop = -1;
    for (int id : BUTTONS) {
        RECT b = bar.GetButtonRect(id);
        EXPECT_LE(b.right, client.right) << id;
        EXPECT_LT(b.bottom, height) << id;
        rows += b.top != lasttop;
        lasttop = b.top;
    }
    EXPECT_GE(rows, 3);

    ASSERT_TRUE(bar.SetSmallSymbols(true));
    EXPECT_EQ(bar.GetButtonRect(CMD_SYNC).right - bar.GetButtonRect(CMD_SYNC).left, size - 10);
    EXPECT_EQ(key.Value("SmallSymbols"), "1");
    NEWTOOLBAR next;
    ASSERT_TRUE(next.Create(parent, 2002, BITMAP_SMALL, BITMAP_LARGE, key.Name().c_str()));
    EXPECT_EQ(next.GetImageSize(), 16);
    ASSERT_TRUE(bar.SetSmallSymbols(false));
    EXPECT_EQ(key.Value("SmallSymbols"), "0");
}

TEST_F(Newtoolbar, ClicksSendCommandsToggleCheckButtonsAndPaintTheirState)
{
    RECT client, pause = bar.GetButtonRect(CMD_PAUSE), sync = bar.GetButtonRect(CMD_SYNC),
         help = bar.GetButtonRect(CMD_HELP), exit = bar.GetButtonRect(CMD_EXIT);
    GetClientRect(bar.GetHwnd(), &client);
    MEMORYBITMAP pic(client.right, client.bottom);
    auto print = [&]() {
        bar.Send(WM_PRINTCLIENT, reinterpret_cast<WPARAM>(pic.GetHdc()), PRF_CLIENT);
    };
    Click(CMD_SYNC);
    Click(CMD_PAUSE);
    EXPECT_TRUE(bar.IsButtonChecked(CMD_PAUSE));
    Click(CMD_PAUSE);
    Click(CMD_PAUSE, 200);  // released away from the button: taken back
    EXPECT_FALSE(bar.IsButtonChecked(CMD_PAUSE));
    ASSERT_TRUE(bar.EnableButton(CMD_EXIT, false));
    Click(CMD_EXIT);  // disabled: nothing
    EXPECT_EQ(commands, (std::vector<int>{CMD_SYNC, CMD_PAUSE, CMD_PAUSE}));
    EXPECT_EQ(GetCapture(), nullptr);
    REPORTS reports;
    EXPECT_FALSE(bar.CheckButton(CMD_CLOCK, true));  // no check button
    EXPECT_TRUE(reports.Were(1, "button.Style & TBSTYLE_CHECK"));
    ASSERT_TRUE(bar.CheckButton(CMD_PAUSE, true));

    bar.Send(WM_MOUSELEAVE);  // no button hot from the clicks
    print();
    EXPECT_EQ(at(pic, client, 1, client.bottom - 1), BAR_BORDER);
    EXPECT_EQ(at(pic, pause, 3, 3), CHECKED_FILL);
    EXPECT_EQ(at(pic, sync, 3, 3), BAR_BACKGROUND);
    // Exit's red symbol is gray while disabled (the symbols: the menu drawing test).
    COLORREF middle = at(pic, exit, (exit.right - exit.left) / 2, (exit.bottom - exit.top) / 2);
    EXPECT_TRUE(middle != BAR_BACKGROUND && is_gray(middle)) << std::hex << middle;

    // Hot under the mouse, then pressed with the capture, then back to normal.
    commands.clear();
    Mouse(WM_MOUSEMOVE, CMD_SYNC);
    print();
    EXPECT_EQ(at(pic, sync, 3, 3), HOT_FILL);
    EXPECT_EQ(at(pic, help, 3, 3), BAR_BACKGROUND);
    Mouse(WM_LBUTTONDOWN, CMD_HELP);
    print();
    EXPECT_EQ(at(pic, help, 3, 3), PRESSED_FILL);
    EXPECT_EQ(at(pic, sync, 3, 3), BAR_BACKGROUND);
    EXPECT_EQ(GetCapture(), bar.GetHwnd());
    bar.Send(WM_MOUSELEAVE);
    Mouse(WM_LBUTTONUP, CMD_HELP);
    EXPECT_EQ(commands, std::vector<int>{CMD_HELP});
    print();
    EXPECT_EQ(at(pic, help, 3, 3), BAR_BACKGROUND);
}

TEST_F(Newtoolbar, ToolTipsAreTheMenuTexts)
{
    // No "&", no accelerator, no "..."; "&&" is one "&".
    std::string texts;
    for (int id : {CMD_SYNC, CMD_SETTINGS, 409, 4711})
        texts += bar.ToolTipText(id).Text() + std::string("|");
    EXPECT_EQ(texts, "Sync now|Settings|Save & close||");
    HWND tip = bar.GetToolTipWindow();
    EXPECT_EQ(SendMessageA(tip, TTM_GETTOOLCOUNT, 0, 0), 8);

    // As the tool tip control asks for them, in both character sets; the owner may answer.
    NMTTDISPINFOA di = {};
    di.hdr = {tip, static_cast<UINT_PTR>(CMD_HELP), static_cast<UINT>(TTN_GETDISPINFOA)};
    SendMessageA(bar.GetHwnd(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&di));
    EXPECT_STREQ(di.lpszText, "from parent");
    NMTTDISPINFOW dw = {};
    dw.hdr = {tip, static_cast<UINT_PTR>(CMD_EXIT), static_cast<UINT>(TTN_GETDISPINFOW)};
    SendMessageA(bar.GetHwnd(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&dw));
    EXPECT_STREQ(dw.lpszText, L"Exit");

    MENU own(CreatePopupMenu(), true);  // another menu than the parent's
    AppendMenuA(own.GetHandle(), MF_STRING, CMD_SYNC, "&Refresh");
    bar.SetMenu(own.GetHandle());
    EXPECT_STREQ(bar.ToolTipText(CMD_SYNC).Text(), "Refresh");
    bar.SetMenu(nullptr);
}

// ---------------------------------------------------------------- menu images

static MENUITEMINFOA item_info(HMENU menu, UINT item, BOOL byposition = TRUE)
{
    MENUITEMINFOA mii = {};
    mii.cbSize = sizeof mii;
    mii.fMask = MIIM_FTYPE | MIIM_DATA;
    GetMenuItemInfoA(menu, item, byposition, &mii);
    return mii;
}

static bool owner_drawn(HMENU menu, UINT item, BOOL byposition = TRUE)
{
    return (item_info(menu, item, byposition).fType & MFT_OWNERDRAW) != 0;
}

TEST_F(Newtoolbar, MenuImagesMakePopupItemsOwnerDrawnForTheTrackedMenu)
{
    EXPECT_EQ(bar.MenuImages(menu, 0), 11);
    EXPECT_TRUE(owner_drawn(menu, CMD_SYNC, FALSE));
    EXPECT_FALSE(owner_drawn(menu, 0));  // the bar draws itself
    EXPECT_STREQ(MENU(menu).GetMenuItemText(CMD_SYNC).Text(), "Sync &now\tF5");
    EXPECT_EQ(bar.MenuImages(menu, 0), 0);  // nothing is taken twice
    ShowWindow(parent, SW_SHOW);
    MENUSEEN seen;
    std::thread helper = AnswerPopupMenu(&seen, {VK_DOWN, VK_DOWN, VK_RETURN});
    POINT point = {50, 50};
    EXPECT_EQ(MENU(menu).TrackPopupMenu(parent, MENU_RETURNCMD, &point, 0), CMD_CLOCK);
    helper.join();
    EXPECT_GE(measured, 7);
    EXPECT_GE(drawn, 7);

    MENU single(IDR_MENU);
    HMENU popup = single.GetSubMenu(0);
    EXPECT_EQ(bar.MenuImages(popup, CMD_CLOCK), 1);
    EXPECT_FALSE(owner_drawn(popup, CMD_SYNC, FALSE));
    EXPECT_TRUE(owner_drawn(popup, CMD_CLOCK, FALSE));
}

// Whether any pixel of an area is dark text.
static bool has_text(const MEMORYBITMAP& pic, int x1, int x2, int y1, int y2)
{
    for (int y = y1; y < y2; y++)
        for (int x = x1; x < x2; x++) {
            COLORREF c = GetPixel(pic.GetHdc(), x, y);
            if (GetRValue(c) < 110 && GetGValue(c) < 110 && GetBValue(c) < 130) return true;
        }
    return false;
}

TEST_F(Newtoolbar, MenuItemsAreMeasuredAndDrawnWithImageTextAndState)
{
    bar.MenuImages(menu, 0);
    HMENU time = GetSubMenu(menu, 0);
    LRESULT result = 0;
    auto measure = [&](int pos, UINT type = ODT_MENU, ULONG_PTR data = 0) {
        MEASUREITEMSTRUCT mis = {type, 0, 0, 0, 0, data ? data : item_info(time, pos).dwItemData};
        LPARAM lparam = reinterpret_cast<LPARAM>(&mis);
        if (!bar.MenuItemDrawing(WM_MEASUREITEM, 0, lparam, &result)) return SIZE{-1, -1};
        return SIZE{static_cast<LONG>(mis.itemWidth), static_cast<LONG>(mis.itemHeight)};
    };
    SIZE sync = measure(0), clock = measure(1), separator = measure(2);
    EXPECT_GE(sync.cy, 24);
    EXPECT_GT(clock.cx, 16 + 40);
    EXPECT_LT(separator.cy, sync.cy);
    // Someone else's owner-drawn item, or a list box's, is left alone.
    EXPECT_EQ(measure(0, ODT_MENU, 12345).cx, -1);
    EXPECT_EQ(measure(0, ODT_LISTBOX).cx, -1);

    MEMORYBITMAP pic(200, 26);
    auto draw = [&](int pos, UINT state, LONG bottom = 26) {
        DRAWITEMSTRUCT dis = {ODT_MENU, 0, 0, ODA_DRAWENTIRE, state, reinterpret_cast<HWND>(time),
                              pic.GetHdc(), {0, 0, 200, bottom}, item_info(time, pos).dwItemData};
        EXPECT_TRUE(bar.MenuItemDrawing(WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&dis), &result));
    };
    const RECT image = {(28 - 16) / 2 + 1, (26 - 16) / 2, 0, 0};
    const COLORREF window = GetSysColor(COLOR_WINDOW);
    draw(0, 0);
    EXPECT_EQ(at(pic, {}, 199, 0), window);
    // The sync symbol: a blue ring, its left edge at the image's middle row.
    bool blue = false;
    for (int x = 0; x < 5; x++) blue = blue || is_blue(at(pic, image, x, 8));
    EXPECT_TRUE(blue);
    EXPECT_TRUE(has_text(pic, 36, 120, 4, 22));
    draw(0, ODS_GRAYED);
    for (int x = 0; x < 5; x++) EXPECT_TRUE(is_gray(at(pic, image, x, 8)));
    EXPECT_FALSE(has_text(pic, 36, 120, 4, 22));
    draw(0, ODS_SELECTED);
    EXPECT_EQ(at(pic, {}, 100, 4), MENU_SELECTED_FILL);
    EXPECT_EQ(at(pic, {}, 0, 4), window);
    // "Save && close" has no button: a checked one shows a check mark in a box.
    draw(5, ODS_CHECKED);
    EXPECT_EQ(at(pic, image, -1, -1), CHECKED_FILL);
    EXPECT_TRUE(has_text(pic, image.left, image.left + 16, image.top, image.top + 16));
    draw(2, 0, 9);
    EXPECT_EQ(at(pic, {}, 100, 4), SEPARATOR_LINE);
    EXPECT_EQ(at(pic, {}, 100, 1), window);
}

TEST_F(Newtoolbar, MenuCharFindsTheMnemonicOfOwnerDrawnItems)
{
    bar.MenuImages(menu, 0);
    MENU twice(CreatePopupMenu(), true);
    AppendMenuA(twice.GetHandle(), MF_STRING, CMD_SYNC, "&Sync");
    AppendMenuA(twice.GetHandle(), MF_STRING, CMD_SETTINGS, "&Settings");
    bar.MenuImages(twice.GetHandle(), 0);
    auto menuchar = [&](char c, HMENU m) {
        LRESULT result = 0;
        LPARAM lparam = reinterpret_cast<LPARAM>(m);
        bool taken = bar.MenuItemDrawing(WM_MENUCHAR, MAKEWPARAM(c, MF_POPUP), lparam, &result);
        return taken ? result : -1;
    };
    HMENU time = GetSubMenu(menu, 0);
    EXPECT_EQ(menuchar('N', time), MAKELRESULT(0, MNC_EXECUTE));
    // "Save && &close": the doubled "&" is no mnemonic, the "c" is.
    EXPECT_EQ(menuchar('c', time), MAKELRESULT(5, MNC_EXECUTE));
    EXPECT_EQ(menuchar('q', time), -1);
    // Two items with the same mnemonic: selected in turn, not executed.
    EXPECT_EQ(menuchar('s', twice.GetHandle()), MAKELRESULT(0, MNC_SELECT));
}
