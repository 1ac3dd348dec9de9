// TASKBARICON against the shell's notification area: adding, icon and tool tip
// changes, re-adding after the shell lost the icon, removal.
#include "taskbaricon.h"

#include "reports.h"
#include "testwindow.h"

#include <gtest/gtest.h>

#include <string>

static const int ICON_CLOCK = 101;
static const int ICON_ALERT = 102;

class TaskbarIcon : public testing::Test {
protected:
    void SetUp() override
    {
        owner = CreateTestWindow("owner");
        ASSERT_TRUE(owner);
    }
    void TearDown() override { DestroyWindow(owner); }

    // Asks the shell itself about our icon: modified (whether it still knows it) or deleted.
    bool Shell(DWORD message)
    {
        NOTIFYICONDATAA probe = {};
        probe.cbSize = NOTIFYICONDATAA_V2_SIZE;
        probe.hWnd = owner;
        probe.uID = 1;
        return Shell_NotifyIconA(message, &probe) != FALSE;
    }

    HWND owner = nullptr;
};

TEST_F(TaskbarIcon, TooltipWritesAmpersandThreeTimesAndCutsAt63)
{
    TASKBARICON icon(owner, ICON_CLOCK, "");
    const std::string b60(60, 'b');
    const struct {
        std::string text, tip;
    } cases[] = {
        {"Time & date", "Time &&& date"},
        {std::string(100, 'a'), std::string(63, 'a')},
        // 61 letters and "&": the whole group does not fit, so none of it is written.
        {b60 + "b&c", b60 + "b"},
        {b60 + "&c", b60 + "&&&"},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(icon.SetTooltip(c.text.c_str()));
        EXPECT_EQ(icon.GetTooltip(), c.tip);
    }
    ASSERT_TRUE(icon.SetTooltip(nullptr));
    EXPECT_STREQ(icon.GetTooltip(), "");
}

TEST_F(TaskbarIcon, AddedWithTheFirstTipAgainAfterTheShellLostItAndRemovedAtTheEnd)
{
    {
        TASKBARICON icon(owner, ICON_CLOCK, std::string(200, 'x').c_str());
        ASSERT_TRUE(icon.IsAdded());
        EXPECT_EQ(std::string(icon.GetTooltip()), std::string(127, 'x'));  // the first tip's room
        EXPECT_TRUE(Shell(NIM_MODIFY));

        // The shell restarted: the next change adds the icon again.
        ASSERT_TRUE(Shell(NIM_DELETE));
        EXPECT_TRUE(icon.SetTooltip("after & restart"));
        EXPECT_TRUE(Shell(NIM_MODIFY));
        EXPECT_STREQ(icon.GetTooltip(), "after &&& restart");
        ASSERT_TRUE(Shell(NIM_DELETE));
        HICON first = icon.GetIcon();
        EXPECT_TRUE(icon.SetIcon(ICON_ALERT));
        EXPECT_TRUE(Shell(NIM_MODIFY));
        HICON second = icon.GetIcon();
        EXPECT_NE(first, second);
        ICONINFO info = {};
        ASSERT_TRUE(GetIconInfo(second, &info));
        BITMAP bm = {};
        GetObjectA(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bm, &bm);
        EXPECT_EQ(bm.bmWidth, 16);
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);

        // A missing resource keeps the icon shown.
        REPORTS reports;
        EXPECT_FALSE(icon.SetIcon(4711));
        EXPECT_TRUE(reports.Were(1));
        EXPECT_EQ(icon.GetIcon(), second);
    }
    EXPECT_FALSE(Shell(NIM_MODIFY));
    REPORTS reports;
    TASKBARICON missing(owner, 4711, "tip");
    EXPECT_TRUE(reports.Were(1, "nof.hIcon"));
}
