// The control wrappers on real controls in a window: edit field limit and character
// filter, list box and combo box alike (the data dialog and book tests use the other
// controls through their items and pages).
#include "wincontrols.h"

#include "dialogdriver.h"
#include "reports.h"

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

TEST_F(Controls, EntryFieldLimitCharacterFilterAndMereWrapper)
{
    ENTRYFIELD plain;
    ASSERT_TRUE(plain.Create(parent.hWnd, 201, WS_VISIBLE, 10, 10, 100, 20));
    EXPECT_EQ(plain.GetId(), 201);
    plain.SetLimit(5);
    TypeText(plain.hWnd, "abcdefgh");
    EXPECT_EQ(plain.GetText(), "abcde");

    DIGITFIELD digits;
    ASSERT_TRUE(digits.Create(parent.hWnd, 202, WS_VISIBLE, 10, 40, 100, 20));
    TypeText(digits.hWnd, "1a2-3");
    EXPECT_EQ(digits.GetText(), "123");
    SendMessageA(digits.hWnd, WM_CHAR, VK_BACK, 1);  // editing keys are no characters
    EXPECT_EQ(digits.GetText(), "12");

    // A wrapper of an existing control leaves its messages alone.
    LONG_PTR proc = GetWindowLongPtrA(plain.hWnd, GWLP_WNDPROC);
    {
        DIGITFIELD wrapped;
        ASSERT_TRUE(wrapped.Wrap(parent.hWnd, 201));
        EXPECT_EQ(wrapped.hWnd, plain.hWnd);
        wrapped.SetText("");
        TypeText(wrapped.hWnd, "x");  // the wrapper's filter is not asked
        EXPECT_EQ(wrapped.GetText(), "x");
    }
    EXPECT_TRUE(IsWindow(plain.hWnd));
    EXPECT_EQ(GetWindowLongPtrA(plain.hWnd, GWLP_WNDPROC), proc);
    CONTROL missing;
    REPORTS reports;
    EXPECT_FALSE(missing.Wrap(parent.hWnd, 999));
    EXPECT_TRUE(reports.Were(1, "this->hWnd", "id= 999"));
}

TEST_F(Controls, ListBoxAndComboBoxAlike)
{
    LISTBOX box;
    ASSERT_TRUE(box.Create(parent.hWnd, 401, WS_VISIBLE | LBS_SORT, 10, 10, 150, 100));
    CONTROL combo;
    ASSERT_TRUE(combo.Create("ComboBox", parent.hWnd, 402, WS_VISIBLE | CBS_DROPDOWNLIST | CBS_SORT,
                             200, 10, 150, 100));
    LISTBOX wrapped(parent.hWnd, 402);
    for (LISTBOX* list : {&box, &wrapped}) {
        EXPECT_EQ(list->Add("pear", 30), 0);
        EXPECT_EQ(list->Add("apple", 10), 0);  // sorted in before
        list->Add("apple pie", 20);
        EXPECT_EQ(list->GetCount(), 3);
        EXPECT_EQ(list->Find("APPLE"), 0);  // whole text, any case
        EXPECT_EQ(list->Find("apple pie"), 1);
        EXPECT_EQ(list->Find("app"), -1);  // no prefix match
        EXPECT_EQ(list->GetItemText(2), "pear");
        EXPECT_EQ(list->GetItemData(2), 30);
        EXPECT_TRUE(list->GetItemText(7).IsNull());
        list->Select(1);
        EXPECT_EQ(list->GetSelected(), 1);
        list->Select(-1);
        EXPECT_EQ(list->GetSelected(), -1);
        list->Reset();
        EXPECT_EQ(list->GetCount(), 0);
    }
}
