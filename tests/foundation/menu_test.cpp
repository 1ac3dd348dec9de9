// MENU: item texts, states and separators, and pop-up tracking answered by a helper
// thread that works the real menu window with keyboard messages.
#include "menu.h"

#include "kelvo.h"
#include "testwindow.h"

#include <gtest/gtest.h>

#include <thread>

static const int IDR_TESTMENU = 300;
static const int IDM_OPEN = 201;
static const int IDM_SAVE = 202;
static const int IDM_DEEP = 204;
static const int IDM_EXIT = 205;

TEST(Menu, ItemTextByCommandAndByPosition)
{
    MENU menu(IDR_TESTMENU);
    ASSERT_TRUE(menu.GetHandle());
    EXPECT_STREQ(menu.GetMenuItemText(IDM_OPEN).Text(), "&Open\tCtrl+O");
    EXPECT_STREQ(menu.GetMenuItemText(IDM_DEEP).Text(), "&Deep item");  // in a sub-menu
    EXPECT_STREQ(menu.GetMenuItemText(0, true).Text(), "&File");
    MENU file(menu.GetSubMenu(0));
    EXPECT_STREQ(file.GetMenuItemText(2, true).Text(), "&Save");
    EXPECT_STREQ(file.GetMenuItemText(3, true).Text(), "&More");
    STRING separator = file.GetMenuItemText(1, true);
    EXPECT_TRUE(separator.NotNull());
    EXPECT_EQ(separator.Length(), 0);
    EXPECT_TRUE(menu.GetMenuItemText(999).IsNull());
    EXPECT_TRUE(file.GetMenuItemText(99, true).IsNull());
}

TEST(Menu, EnableGraysAndCheckMarks)
{
    MENU menu(IDR_TESTMENU);
    EXPECT_TRUE(menu.IsMenuItemEnabled(IDM_SAVE));
    ASSERT_TRUE(menu.EnableMenuItem(IDM_SAVE, false));
    EXPECT_TRUE(GetMenuState(menu.GetHandle(), IDM_SAVE, MF_BYCOMMAND) & MF_GRAYED);
    EXPECT_FALSE(menu.IsMenuItemEnabled(IDM_SAVE));
    ASSERT_TRUE(menu.EnableMenuItem(IDM_SAVE, true));
    EXPECT_FALSE(GetMenuState(menu.GetHandle(), IDM_SAVE, MF_BYCOMMAND) & MF_GRAYED);

    ASSERT_TRUE(menu.CheckMenuItem(IDM_DEEP, true));
    EXPECT_TRUE(GetMenuState(menu.GetHandle(), IDM_DEEP, MF_BYCOMMAND) & MF_CHECKED);
    EXPECT_TRUE(menu.IsMenuItemChecked(IDM_DEEP));
    ASSERT_TRUE(menu.CheckMenuItem(IDM_DEEP, false));
    EXPECT_FALSE(menu.IsMenuItemChecked(IDM_DEEP));

    EXPECT_FALSE(menu.EnableMenuItem(999, true));
    EXPECT_FALSE(menu.CheckMenuItem(999, true));
}

// The types of a menu's items, "-" for a separator and the text otherwise.
static std::string layout(HMENU menu)
{
    std::string all;
    for (int i = 0; i < GetMenuItemCount(menu); i++) {
        char text[64] = "";
        UINT state = GetMenuState(menu, i, MF_BYPOSITION);
        if ((state & MF_SEPARATOR) && !(state & MF_POPUP))
            strcpy(text, "-");
        else
            GetMenuStringA(menu, i, text, sizeof text, MF_BYPOSITION);
        if (!all.empty()) all += " ";
        all += text;
    }
    return all;
}

TEST(Menu, DeleteMenuItemSeparatorLeavesOnlySeparatorsBetweenItems)
{
    MENU menu(CreatePopupMenu(), true);
    HMENU h = menu.GetHandle();
    HMENU sub = CreatePopupMenu();
    AppendMenuA(sub, MF_STRING, 11, "x");
    AppendMenuA(sub, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(h, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(h, MF_STRING, 1, "a");
    AppendMenuA(h, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(h, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(h, MF_POPUP, reinterpret_cast<UINT_PTR>(sub), "sub");
    AppendMenuA(h, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(h, MF_STRING, 2, "b");
    AppendMenuA(h, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(h, MF_SEPARATOR, 0, nullptr);
    ASSERT_EQ(layout(h), "- a - - sub - b - -");

    EXPECT_EQ(menu.DeleteMenuItemSeparator(), 5);
    EXPECT_EQ(layout(h), "a - sub - b");
    EXPECT_EQ(layout(sub), "x");
    EXPECT_EQ(menu.DeleteMenuItemSeparator(), 0);

    // The use it is made for: an item taken out leaves its separator dangling.
    MENU file(CreatePopupMenu(), true);
    AppendMenuA(file.GetHandle(), MF_STRING, 1, "show");
    AppendMenuA(file.GetHandle(), MF_SEPARATOR, 0, nullptr);
    AppendMenuA(file.GetHandle(), MF_STRING, 2, "exit");
    ASSERT_TRUE(file.DeleteMenuItem(1));
    EXPECT_EQ(file.DeleteMenuItemSeparator(), 1);
    EXPECT_EQ(layout(file.GetHandle()), "exit");
}

TEST(Menu, MissingResourceIsReportedAndLeavesAnEmptyShell)
{
    int reports = AssertCount();
    MENU menu(4711);
    EXPECT_EQ(AssertCount(), reports + 1);
    EXPECT_STREQ(AssertLastCondition(), "hmenu");
    EXPECT_TRUE(menu.GetMenuItemText(IDM_OPEN).IsNull());
    EXPECT_FALSE(menu.EnableMenuItem(IDM_OPEN, true));
    EXPECT_EQ(menu.DeleteMenuItemSeparator(), 0);
}

// ---------------------------------------------------------------- tracking

// The windows are made once: destroying a visible window costs seconds under Wine.
class MenuTracking : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        owner = CreateTestWindow("owner", nullptr, WS_OVERLAPPEDWINDOW | WS_VISIBLE);
        other = CreateTestWindow("other", nullptr, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 400);
    }
    static void TearDownTestSuite()
    {
        DestroyWindow(owner);
        DestroyWindow(other);
    }
    void SetUp() override
    {
        ASSERT_TRUE(owner);
        SetForegroundWindow(other);
        drain();
        nulls = 0;
        command = 0;
    }
    // Takes the owner's waiting messages; counts WM_NULL and notes the last command.
    void drain()
    {
        MSG msg;
        while (PeekMessageA(&msg, owner, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_NULL) nulls++;
            if (msg.message == WM_COMMAND) command = LOWORD(msg.wParam);
            DispatchMessageA(&msg);
        }
    }

    static HWND owner;
    static HWND other;
    int nulls = 0;
    int command = 0;
};

HWND MenuTracking::owner = nullptr;
HWND MenuTracking::other = nullptr;

TEST_F(MenuTracking, ReturnsChosenCommandWithFlagOne)
{
    MENU menu(IDR_TESTMENU);
    MENUSEEN seen;
    std::thread helper = AnswerPopupMenu(&seen, {VK_DOWN, VK_DOWN, VK_RETURN});
    POINT at = {100, 120};
    int rc = menu.TrackPopupMenu(owner, MENU_RETURNCMD, &at, 0);
    helper.join();
    ASSERT_TRUE(seen.menuwindow);
    EXPECT_EQ(seen.foreground, owner);
    EXPECT_EQ(seen.rect.left, 100);
    EXPECT_EQ(seen.rect.top, 120);
    EXPECT_EQ(rc, IDM_SAVE);  // the separator is skipped
    drain();
    EXPECT_EQ(command, 0);  // returned, not sent
    EXPECT_EQ(nulls, 1);

    // Taken off the temporary bar, not destroyed with it: it can be shown again.
    ASSERT_TRUE(IsMenu(menu.GetSubMenu(0)));
    EXPECT_EQ(GetMenuItemCount(menu.GetSubMenu(0)), 6);
    EXPECT_STREQ(menu.GetMenuItemText(IDM_SAVE).Text(), "&Save");
    std::thread again = AnswerPopupMenu(&seen, {VK_DOWN, VK_RETURN});
    rc = menu.TrackPopupMenu(owner, MENU_RETURNCMD, &at, 0);
    again.join();
    EXPECT_EQ(rc, IDM_OPEN);
}

TEST_F(MenuTracking, SendsCommandToOwnerWithoutFlagOne)
{
    MENU menu(IDR_TESTMENU);
    MENUSEEN seen;
    std::thread helper = AnswerPopupMenu(&seen, {VK_UP, VK_RETURN});
    int rc = menu.TrackPopupMenu(owner, MENU_RIGHTBUTTON, nullptr, 0);
    helper.join();
    EXPECT_NE(rc, 0);
    drain();
    EXPECT_EQ(command, IDM_EXIT);
    EXPECT_EQ(nulls, 1);
}

TEST_F(MenuTracking, CancelledMenuChoosesNothingAtTheCursor)
{
    MENU menu(IDR_TESTMENU);
    MENU file(menu.GetSubMenu(0));
    MENUSEEN seen;
    POINT cursor;
    GetCursorPos(&cursor);
    std::thread helper = AnswerPopupMenu(&seen, {});
    int rc = file.TrackPopupMenu(owner, MENU_RETURNCMD);
    helper.join();
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(seen.rect.left, cursor.x);
    EXPECT_EQ(seen.rect.top, cursor.y);
    drain();
    EXPECT_EQ(command, 0);
    EXPECT_EQ(nulls, 1);
}
