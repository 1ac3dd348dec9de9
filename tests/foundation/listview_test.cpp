// LISTVIEW filled from tab-separated records, read back through the control's own
// messages: texts of every column, item data, images and image lists.
#include "listview.h"

#include "kelvo.h"
#include "testwindow.h"

#include <gtest/gtest.h>

#include <string>

static const int ICON_CLOCK = 101;
static const int ICON_ALERT = 102;
static const int BITMAP_STRIP16 = 110;

// The control's own answers, independent of the class's readers.
static std::string cell(HWND list, int row, int column)
{
    char text[1024] = "";
    LVITEMA item = {};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    SendMessageA(list, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
    return text;
}

static LVITEMA item_of(HWND list, int row)
{
    LVITEMA item = {};
    item.mask = LVIF_PARAM | LVIF_IMAGE;
    item.iItem = row;
    SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    return item;
}

class Listview : public testing::Test {
protected:
    void SetUp() override
    {
        parent = CreateTestWindow("parent", nullptr, WS_OVERLAPPEDWINDOW, 0, 0, 400, 300);
        ASSERT_TRUE(parent);
        ASSERT_TRUE(list.Create(parent, 100, 0, 0, 380, 280));
        ASSERT_TRUE(list.InsertColumn(0, "Name"));
        ASSERT_TRUE(list.InsertColumn(1, "Value"));
        ASSERT_TRUE(list.InsertColumn(2, "Note"));
    }
    void TearDown() override { DestroyWindow(parent); }

    HWND parent = nullptr;
    LISTVIEW list;
};

TEST_F(Listview, IsAReportStyleListViewWithItsColumns)
{
    char cls[32];
    GetClassNameA(list.GetHwnd(), cls, sizeof cls);
    EXPECT_STREQ(cls, "SysListView32");
    EXPECT_EQ(GetWindowLongA(list.GetHwnd(), GWL_STYLE) & LVS_TYPEMASK, LVS_REPORT);
    EXPECT_EQ(list.GetId(), 100);
    HWND header = reinterpret_cast<HWND>(SendMessageA(list.GetHwnd(), LVM_GETHEADER, 0, 0));
    EXPECT_EQ(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0), 3);
    char text[32] = "";
    LVCOLUMNA col = {};
    col.mask = LVCF_TEXT;
    col.pszText = text;
    col.cchTextMax = sizeof text;
    SendMessageA(list.GetHwnd(), LVM_GETCOLUMNA, 1, reinterpret_cast<LPARAM>(&col));
    EXPECT_STREQ(text, "Value");
}

TEST_F(Listview, RecordsFillColumnsFromTabSeparatedFields)
{
    EXPECT_EQ(list.InsertRecord(1002, 1, "Time\t12:00:00\tlocal"), 0);
    EXPECT_EQ(list.InsertRecord(1006, -1, "Difference\t\t+0.25 s"), 1);
    EXPECT_EQ(list.InsertRecord(1012, 0, "Server only"), 2);
    EXPECT_EQ(list.InsertRecord(1013, 0, ""), 3);
    HWND h = list.GetHwnd();
    ASSERT_EQ(SendMessageA(h, LVM_GETITEMCOUNT, 0, 0), 4);

    EXPECT_EQ(cell(h, 0, 0), "Time");
    EXPECT_EQ(cell(h, 0, 1), "12:00:00");
    EXPECT_EQ(cell(h, 0, 2), "local");
    EXPECT_EQ(cell(h, 1, 0), "Difference");
    EXPECT_EQ(cell(h, 1, 1), "");
    EXPECT_EQ(cell(h, 1, 2), "+0.25 s");
    EXPECT_EQ(cell(h, 2, 0), "Server only");
    EXPECT_EQ(cell(h, 2, 1), "");
    EXPECT_EQ(cell(h, 3, 0), "");

    EXPECT_EQ(item_of(h, 0).lParam, 1002);
    EXPECT_EQ(item_of(h, 0).iImage, 1);
    EXPECT_EQ(item_of(h, 1).lParam, 1006);
    EXPECT_EQ(item_of(h, 2).lParam, 1012);
    EXPECT_EQ(item_of(h, 2).iImage, 0);

    EXPECT_EQ(list.FindRecord(1012), 2);
    EXPECT_EQ(list.FindRecord(4711), -1);
    EXPECT_EQ(list.GetRecordId(1), 1006);
    EXPECT_STREQ(list.GetItemText(0, 2).Text(), "local");
    ASSERT_TRUE(list.SetItemText(1, 1, "changed"));
    EXPECT_EQ(cell(h, 1, 1), "changed");
    EXPECT_TRUE(list.DeleteAll());
    EXPECT_EQ(list.GetCount(), 0);
}

TEST_F(Listview, FieldBeyondTheColumnsIsReported)
{
    int reports = AssertCount();
    int row = list.InsertRecord(7, -1, "a\tb\tc\td");
    EXPECT_EQ(row, 0);
    EXPECT_EQ(cell(list.GetHwnd(), 0, 2), "c");
    ASSERT_EQ(AssertCount(), reports + 1);
    EXPECT_EQ(std::string(AssertLastInfo()).rfind("insert failed for column ", 0), 0u);
    EXPECT_STREQ(AssertLastInfo(), "insert failed for column 3");
}

TEST(ListviewShell, InsertIntoMissingControlIsReported)
{
    LISTVIEW none;
    int reports = AssertCount();
    EXPECT_EQ(none.InsertRecord(1, -1, "a\tb"), -1);
    EXPECT_EQ(AssertCount(), reports + 1);
    EXPECT_STREQ(AssertLastCondition(), "rc!=-1");
    EXPECT_EQ(none.GetCount(), 0);
}

TEST_F(Listview, LongTextsAreReadBackWhole)
{
    std::string longtext(3000, 'x');
    longtext += "end";
    list.InsertRecord(1, -1, ("first\t" + longtext).c_str());
    EXPECT_EQ(std::string(list.GetItemText(0, 1).Text()), longtext);
}

TEST_F(Listview, ImageListsOfIconsAndStrips)
{
    const int icons[] = {ICON_CLOCK, ICON_ALERT, ICON_CLOCK};
    ASSERT_TRUE(list.SetIcons(icons, 3));
    HIMAGELIST images = reinterpret_cast<HIMAGELIST>(
        SendMessageA(list.GetHwnd(), LVM_GETIMAGELIST, LVSIL_SMALL, 0));
    ASSERT_TRUE(images);
    EXPECT_EQ(ImageList_GetImageCount(images), 3);
    int cx = 0, cy = 0;
    ImageList_GetIconSize(images, &cx, &cy);
    EXPECT_EQ(cx, 16);
    EXPECT_EQ(cy, 16);

    // A missing icon is reported but keeps its place.
    const int broken[] = {ICON_CLOCK, 4711, ICON_ALERT};
    int reports = AssertCount();
    EXPECT_FALSE(list.SetIcons(broken, 3));
    EXPECT_EQ(AssertCount(), reports + 1);
    EXPECT_STREQ(AssertLastInfo(), "icon 4711");
    images = reinterpret_cast<HIMAGELIST>(
        SendMessageA(list.GetHwnd(), LVM_GETIMAGELIST, LVSIL_SMALL, 0));
    EXPECT_EQ(ImageList_GetImageCount(images), 3);

    ASSERT_TRUE(list.SetImageStrip(BITMAP_STRIP16, 16));
    images = reinterpret_cast<HIMAGELIST>(
        SendMessageA(list.GetHwnd(), LVM_GETIMAGELIST, LVSIL_SMALL, 0));
    EXPECT_EQ(ImageList_GetImageCount(images), 8);
}
