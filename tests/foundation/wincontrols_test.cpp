// The control wrappers on real controls in a window: edit field limit and character
// filter, list box and combo box alike, check and radio state, up-down range, tabs.
#include "wincontrols.h"

#include "kelvo.h"

#include <commctrl.h>
#include <gtest/gtest.h>

class Controls : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(parent.Create(nullptr, "controls", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300));
    }
    WINDOW parent;
};

// Takes digits only.
class DIGITFIELD : public ENTRYFIELD {
public:
    bool AcceptChar(unsigned ch) override { return ch >= '0' && ch <= '9'; }
};

static void type(HWND hwnd, const char* text)
{
    for (const char* p = text; *p; p++) SendMessageA(hwnd, WM_CHAR, static_cast<unsigned char>(*p), 1);
}

TEST_F(Controls, EntryFieldLimitAndCharacterFilter)
{
    ENTRYFIELD plain;
    ASSERT_TRUE(plain.Create(parent.hWnd, 201, WS_VISIBLE, 10, 10, 100, 20));
    EXPECT_EQ(plain.GetId(), 201);
    plain.SetLimit(5);
    type(plain.hWnd, "abcdefgh");
    EXPECT_EQ(plain.GetText(), "abcde");
    plain.Select(1, 3);
    DWORD start = 0, end = 0;
    SendMessageA(plain.hWnd, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 1u);
    EXPECT_EQ(end, 3u);

    DIGITFIELD digits;
    ASSERT_TRUE(digits.Create(parent.hWnd, 202, WS_VISIBLE, 10, 40, 100, 20));
    type(digits.hWnd, "1a2-3");
    EXPECT_EQ(digits.GetText(), "123");
    SendMessageA(digits.hWnd, WM_CHAR, VK_BACK, 1);  // editing keys are no characters
    EXPECT_EQ(digits.GetText(), "12");
}

TEST_F(Controls, WrapperOfADialogControlLeavesItsMessagesAlone)
{
    ENTRYFIELD created;
    ASSERT_TRUE(created.Create(parent.hWnd, 203, WS_VISIBLE, 10, 10, 100, 20));
    LONG_PTR proc = GetWindowLongPtrA(created.hWnd, GWLP_WNDPROC);
    {
        DIGITFIELD wrapped;
        ASSERT_TRUE(wrapped.Wrap(parent.hWnd, 203));
        EXPECT_EQ(wrapped.hWnd, created.hWnd);
        type(wrapped.hWnd, "x");  // the wrapper's filter is not asked
        EXPECT_EQ(wrapped.GetText(), "x");
    }
    EXPECT_TRUE(IsWindow(created.hWnd));
    EXPECT_EQ(GetWindowLongPtrA(created.hWnd, GWLP_WNDPROC), proc);

    CONTROL missing;
    int reports = AssertCount();
    EXPECT_FALSE(missing.Wrap(parent.hWnd, 999));
    EXPECT_EQ(AssertCount(), reports + 1);
}

// The same operations on a sorted list box and a sorted combo box.
static void check_list(LISTBOX& list)
{
    list.Reset();
    EXPECT_EQ(list.Add("pear", 30), 0);
    EXPECT_EQ(list.Add("apple", 10), 0);  // sorted in before
    list.Add("apple pie", 20);
    EXPECT_EQ(list.GetCount(), 3);
    EXPECT_EQ(list.Find("APPLE"), 0);     // whole text, any case
    EXPECT_EQ(list.Find("apple pie"), 1);
    EXPECT_EQ(list.Find("app"), -1);      // no prefix match
    EXPECT_EQ(list.GetItemText(2), "pear");
    EXPECT_EQ(list.GetItemData(2), 30);
    EXPECT_EQ(list.GetSelected(), -1);
    list.Select(1);
    EXPECT_EQ(list.GetSelected(), 1);
    list.Select(-1);
    EXPECT_EQ(list.GetSelected(), -1);
    EXPECT_TRUE(list.GetItemText(7).IsNull());
    list.Reset();
    EXPECT_EQ(list.GetCount(), 0);
}

TEST_F(Controls, ListBoxAndComboBoxAlike)
{
    LISTBOX list;
    ASSERT_TRUE(list.Create(parent.hWnd, 401, WS_VISIBLE | LBS_SORT, 10, 10, 150, 100));
    check_list(list);

    CONTROL combo;
    ASSERT_TRUE(combo.Create("ComboBox", parent.hWnd, 402, WS_VISIBLE | CBS_DROPDOWNLIST | CBS_SORT,
                             200, 10, 150, 100));
    LISTBOX wrapped(parent.hWnd, 402);
    check_list(wrapped);
}

TEST_F(Controls, SpinButtonStepsItsBuddyWithinItsRange)
{
    ENTRYFIELD field;
    ASSERT_TRUE(field.Create(parent.hWnd, 202, WS_VISIBLE, 10, 10, 100, 20));
    SPINBUTTON spin;
    ASSERT_TRUE(spin.Create(parent.hWnd, 1202, field.hWnd));
    EXPECT_EQ(reinterpret_cast<HWND>(SendMessageA(spin.hWnd, UDM_GETBUDDY, 0, 0)), field.hWnd);
    spin.SetRange(-5, 5);
    spin.SetPos(3);
    EXPECT_EQ(spin.GetPos(), 3);
    EXPECT_EQ(field.GetText(), "3");
    spin.SetPos(99);  // the control keeps to its range
    EXPECT_EQ(spin.GetPos(), 5);
    SendMessageA(spin.hWnd, WM_KEYDOWN, VK_DOWN, 0);
    EXPECT_EQ(field.GetText(), "4");
}

TEST_F(Controls, TabControlTabsAndPageArea)
{
    TABCONTROL tab;
    ASSERT_TRUE(tab.Create(parent.hWnd, 500, 10, 10, 300, 200));
    EXPECT_EQ(tab.AddTab("General"), 0);
    EXPECT_EQ(tab.AddTab("Server"), 1);
    EXPECT_EQ(tab.GetCount(), 2);
    EXPECT_EQ(tab.GetTabText(1), "Server");
    EXPECT_TRUE(tab.GetTabText(5).IsNull());
    EXPECT_EQ(tab.GetSelected(), 0);
    tab.Select(1);
    EXPECT_EQ(tab.GetSelected(), 1);
    RECT page = tab.PageRect();
    // Inside the control, below the tabs, in the parent's coordinates.
    EXPECT_GT(page.left, 10);
    EXPECT_GT(page.top, 20);
    EXPECT_LT(page.right, 310);
    EXPECT_LT(page.bottom, 210);
    EXPECT_GT(page.right - page.left, 250);
}
