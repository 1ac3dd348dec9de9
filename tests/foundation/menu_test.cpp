// MENU: item texts, states and separators, and pop-up tracking answered by a helper
// thread that works the real menu window with keyboard messages.
#include "menu.h"

#include "reports.h"
#include "testwindow.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

static const int IDR_TESTMENU = 300;
static const int IDM_OPEN = 201;
static const int IDM_SAVE = 202;
static const int IDM_DEEP = 204;
static const int IDM_EXIT = 205;

TEST(Menu, ItemTextsAndStatesByCommandAndByPosition)
{
    MENU menu(IDR_TESTMENU);
    EXPECT_STREQ(menu.GetMenuItemText(IDM_OPEN).Text(), "&Open\tCtrl+O");
    EXPECT_STREQ(menu.GetMenuItemText(IDM_DEEP).Text(), "&Deep item");  // in a sub-menu
    EXPECT_STREQ(menu.GetMenuItemText(0, true).Text(), "&File");
    MENU file(menu.GetSubMenu(0));
    EXPECT_STREQ(file.GetMenuItemText(3, true).Text(), "&More");
    EXPECT_STREQ(file.GetMenuItemText(1, true).Text(), "");  // a separator: empty, not null
    EXPECT_TRUE(menu.GetMenuItemText(999).IsNull());
    EXPECT_TRUE(file.GetMenuItemText(99, true).IsNull());

    ASSERT_TRUE(menu.EnableMenuItem(IDM_SAVE, false) && menu.CheckMenuItem(IDM_DEEP, true));
    EXPECT_FALSE(menu.IsMenuItemEnabled(IDM_SAVE));
    EXPECT_TRUE(menu.IsMenuItemChecked(IDM_DEEP));
    EXPECT_FALSE(menu.EnableMenuItem(999, true) || menu.CheckMenuItem(999, true));

    REPORTS reports;
    MENU missing(4711);
    EXPECT_TRUE(reports.Were(1, "hmenu"));
    EXPECT_TRUE(missing.GetMenuItemText(IDM_OPEN).IsNull());
    EXPECT_FALSE(missing.EnableMenuItem(IDM_OPEN, true));
    EXPECT_EQ(missing.DeleteMenuItemSeparator(), 0);
}

// The items of a menu, "-" for a separator and the text otherwise, after appending
// the items given the same way (letters with their own code as command id).
static std::string layout(HMENU menu, const char* items = "")
{
    for (const char* p = items; *p; p++) {
        if (*p == '-')
            AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
        else
            AppendMenuA(menu, MF_STRING, *p, std::string(1, *p).c_str());
    }
    std::string all;
    for (int i = 0; i < GetMenuItemCount(menu); i++) {
        char text[64] = "";
        GetMenuStringA(menu, i, text, sizeof text, MF_BYPOSITION);
        UINT state = GetMenuState(menu, i, MF_BYPOSITION);
        all += (state & MF_SEPARATOR) && !(state & MF_POPUP) ? "-" : text;
    }
    return all;
}

TEST(Menu, DeleteMenuItemSeparatorLeavesOnlySeparatorsBetweenItems)
{
    MENU menu(CreatePopupMenu(), true);
    HMENU h = menu.GetHandle();
    HMENU sub = CreatePopupMenu();
    layout(sub, "x-");
    layout(h, "-a--");
    AppendMenuA(h, MF_POPUP, reinterpret_cast<UINT_PTR>(sub), "sub");
    ASSERT_EQ(layout(h, "-b--"), "-a--sub-b--");
    EXPECT_EQ(menu.DeleteMenuItemSeparator(), 5);
    EXPECT_EQ(layout(h), "a-sub-b");
    EXPECT_EQ(layout(sub), "x");
    EXPECT_EQ(menu.DeleteMenuItemSeparator(), 0);
}

// ---------------------------------------------------------------- tracking

// What came to the owner since the last look: "null" for each WM_NULL, and the commands.
static std::string owner_messages(HWND owner)
{
    std::string all;
    MSG msg;
    while (PeekMessageA(&msg, owner, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_NULL) all += "null ";
        if (msg.message == WM_COMMAND) all += std::to_string(LOWORD(msg.wParam)) + " ";
        DispatchMessageA(&msg);
    }
    return all;
}

TEST(MenuTracking, AnsweredByTheHelperWithTheOwnerInFront)
{
    HWND owner = CreateTestWindow("owner", nullptr, WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    HWND other = CreateTestWindow("other", nullptr, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 400);
    ASSERT_TRUE(owner && other);
    MENU menu(IDR_TESTMENU);
    MENUSEEN seen;
    // Tracks pop-up 0 of menu (or all of it) while the helper presses keys.
    auto track = [&](MENU& m, int flags, const POINT* at, std::vector<WPARAM> keys, int popup = 0) {
        SetForegroundWindow(other);
        owner_messages(owner);
        std::thread helper = AnswerPopupMenu(&seen, keys);
        int rc = m.TrackPopupMenu(owner, flags, at, popup);
        helper.join();
        return rc;
    };
    // Flag 1 returns the command instead of sending it; the menu opens at the point.
    POINT point = {100, 120};
    EXPECT_EQ(track(menu, MENU_RETURNCMD, &point, {VK_DOWN, VK_DOWN, VK_RETURN}), IDM_SAVE);
    EXPECT_EQ(owner_messages(owner), "null ");
    EXPECT_EQ(seen.foreground, owner);
    EXPECT_EQ(std::to_string(seen.rect.left) + "," + std::to_string(seen.rect.top), "100,120");
    // Taken off the temporary bar, not destroyed with it: it can be shown again.
    ASSERT_TRUE(IsMenu(menu.GetSubMenu(0)));
    EXPECT_EQ(GetMenuItemCount(menu.GetSubMenu(0)), 6);
    EXPECT_EQ(track(menu, MENU_RETURNCMD, &point, {VK_DOWN, VK_RETURN}), IDM_OPEN);

    EXPECT_NE(track(menu, MENU_RIGHTBUTTON, nullptr, {VK_UP, VK_RETURN}), 0);
    EXPECT_EQ(owner_messages(owner), std::to_string(IDM_EXIT) + " null ");

    // Cancelled, opened at the cursor.
    MENU file(menu.GetSubMenu(0));
    POINT cursor;
    GetCursorPos(&cursor);
    EXPECT_EQ(track(file, MENU_RETURNCMD, nullptr, {}, -1), 0);
    EXPECT_EQ(owner_messages(owner), "null ");
    EXPECT_EQ(seen.rect.left, cursor.x);
    EXPECT_EQ(seen.rect.top, cursor.y);
    DestroyWindow(owner);
    DestroyWindow(other);
}
