// LISTVIEW filled from tab-separated records, read back through the control's own
// messages: texts of every column, item data, images and image lists.
#include "listview.h"

#include "reports.h"
#include "testwindow.h"

#include <gtest/gtest.h>

#include <string>

static const int ICON_CLOCK = 101;
static const int ICON_ALERT = 102;
static const int BITMAP_STRIP16 = 110;

// Every row as the control itself answers: item data, image and the texts of the
// three columns, "|" between them.
static std::string rows(HWND list)
{
    std::string all;
    for (int row = 0; row < SendMessageA(list, LVM_GETITEMCOUNT, 0, 0); row++) {
        LVITEMA item = {};
        item.mask = LVIF_PARAM | LVIF_IMAGE;
        item.iItem = row;
        SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
        all += std::to_string(item.lParam) + "," + std::to_string(item.iImage);
        for (int column = 0; column < 3; column++) {
            char text[64] = "";
            LVITEMA sub = {};
            sub.iSubItem = column;
            sub.pszText = text;
            sub.cchTextMax = sizeof text;
            SendMessageA(list, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&sub));
            all += std::string("|") + text;
        }
        all += "\n";
    }
    return all;
}

static int image_count(HWND list)
{
    return ImageList_GetImageCount(
        reinterpret_cast<HIMAGELIST>(SendMessageA(list, LVM_GETIMAGELIST, LVSIL_SMALL, 0)));
}

class Listview : public testing::Test {
protected:
    void SetUp() override
    {
        parent = CreateTestWindow("parent", nullptr, WS_OVERLAPPEDWINDOW, 0, 0, 400, 300);
        ASSERT_TRUE(parent);
        ASSERT_TRUE(list.Create(parent, 100, 0, 0, 380, 280));
        int column = 0;
        for (const char* title : {"Name", "Value", "Note"})
            ASSERT_TRUE(list.InsertColumn(column++, title));
    }
    void TearDown() override { DestroyWindow(parent); }

    HWND parent = nullptr;
    LISTVIEW list;
};

TEST_F(Listview, RecordsFillColumnsFromTabSeparatedFields)
{
    EXPECT_EQ(GetWindowLongA(list.GetHwnd(), GWL_STYLE) & LVS_TYPEMASK, LVS_REPORT);
    HWND header = reinterpret_cast<HWND>(list.Send(LVM_GETHEADER));
    EXPECT_EQ(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0), 3);

    EXPECT_EQ(list.InsertRecord(1002, 1, "Time\t12:00:00\tlocal"), 0);
    EXPECT_EQ(list.InsertRecord(1006, -1, "Difference\t\t+0.25 s"), 1);
    EXPECT_EQ(list.InsertRecord(1012, 0, "Server only"), 2);
    EXPECT_EQ(list.InsertRecord(1013, 0, ""), 3);
    REPORTS reports;
    EXPECT_EQ(list.InsertRecord(7, -1, "a\tb\tc\td"), 4);
    EXPECT_TRUE(reports.Were(1, nullptr, "insert failed for column 3"));
    // The rows inserted without an image show the list's default, 0.
    EXPECT_EQ(rows(list.GetHwnd()),
              "1002,1|Time|12:00:00|local\n1006,0|Difference||+0.25 s\n1012,0|Server only||\n"
              "1013,0|||\n7,0|a|b|c\n");
    EXPECT_EQ(list.FindRecord(1012), 2);
    EXPECT_EQ(list.FindRecord(4711), -1);
    EXPECT_EQ(list.GetRecordId(1), 1006);

    // Long texts are read back whole.
    std::string longtext = std::string(3000, 'x') + "end";
    ASSERT_TRUE(list.SetItemText(1, 1, longtext.c_str()));
    EXPECT_EQ(std::string(list.GetItemText(1, 1).Text()), longtext);

    LISTVIEW none;
    EXPECT_EQ(none.InsertRecord(1, -1, "a\tb"), -1);
    EXPECT_TRUE(reports.Were(1, "rc!=-1"));
}

TEST_F(Listview, ImageListsOfIconsAndStrips)
{
    const int icons[] = {ICON_CLOCK, ICON_ALERT, ICON_CLOCK};
    ASSERT_TRUE(list.SetIcons(icons, 3));
    EXPECT_EQ(image_count(list.GetHwnd()), 3);
    int cx = 0, cy = 0;
    ImageList_GetIconSize(
        reinterpret_cast<HIMAGELIST>(list.Send(LVM_GETIMAGELIST, LVSIL_SMALL)), &cx, &cy);
    EXPECT_EQ(cx, 16);
    EXPECT_EQ(cy, 16);

    // A missing icon is reported but keeps its place.
    const int broken[] = {ICON_CLOCK, 4711, ICON_ALERT};
    REPORTS reports;
    EXPECT_FALSE(list.SetIcons(broken, 3));
    EXPECT_TRUE(reports.Were(1, nullptr, "icon 4711"));
    EXPECT_EQ(image_count(list.GetHwnd()), 3);

    ASSERT_TRUE(list.SetImageStrip(BITMAP_STRIP16, 16));
    EXPECT_EQ(image_count(list.GetHwnd()), 8);
}
