// TASKBARICON against the shell's notification area: adding, icon and tool tip
// changes, re-adding after the shell lost the icon, removal.
#include "taskbaricon.h"

#include "kelvo.h"
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

    // What the shell itself says: whether it still knows our icon.
    bool ShellKnowsIcon()
    {
        NOTIFYICONDATAA probe = {};
        probe.cbSize = NOTIFYICONDATAA_V2_SIZE;
        probe.hWnd = owner;
        probe.uID = 1;
        return Shell_NotifyIconA(NIM_MODIFY, &probe) != FALSE;
    }
    void ShellForgetsIcon()
    {
        NOTIFYICONDATAA del = {};
        del.cbSize = NOTIFYICONDATAA_V2_SIZE;
        del.hWnd = owner;
        del.uID = 1;
        ASSERT_TRUE(Shell_NotifyIconA(NIM_DELETE, &del));
    }

    HWND owner = nullptr;
};

TEST_F(TaskbarIcon, AddedWithCallbackIconAndTipRemovedByDestructor)
{
    {
        TASKBARICON icon(owner, ICON_CLOCK, "Horalink test");
        ASSERT_TRUE(icon.IsAdded());
        EXPECT_TRUE(icon.GetIcon());
        EXPECT_STREQ(icon.GetTooltip(), "Horalink test");
        EXPECT_TRUE(ShellKnowsIcon());
    }
    EXPECT_FALSE(ShellKnowsIcon());
}

TEST_F(TaskbarIcon, FirstTipKeepsUpTo127Characters)
{
    std::string longtip(200, 'x');
    TASKBARICON icon(owner, ICON_CLOCK, longtip.c_str());
    EXPECT_EQ(std::string(icon.GetTooltip()), std::string(127, 'x'));
}

TEST_F(TaskbarIcon, TooltipWritesAmpersandThreeTimesAndCutsAt63)
{
    TASKBARICON icon(owner, ICON_CLOCK, "");
    ASSERT_TRUE(icon.SetTooltip("Time & date"));
    EXPECT_STREQ(icon.GetTooltip(), "Time &&& date");

    std::string longtext(100, 'a');
    ASSERT_TRUE(icon.SetTooltip(longtext.c_str()));
    EXPECT_EQ(std::string(icon.GetTooltip()), std::string(63, 'a'));

    // 61 letters and "&": the whole group does not fit, so none of it is written.
    std::string edge = std::string(61, 'b') + "&c";
    ASSERT_TRUE(icon.SetTooltip(edge.c_str()));
    EXPECT_EQ(std::string(icon.GetTooltip()), std::string(61, 'b'));
    edge = std::string(60, 'b') + "&c";
    ASSERT_TRUE(icon.SetTooltip(edge.c_str()));
    EXPECT_EQ(std::string(icon.GetTooltip()), std::string(60, 'b') + "&&&");

    ASSERT_TRUE(icon.SetTooltip(nullptr));
    EXPECT_STREQ(icon.GetTooltip(), "");
}

TEST_F(TaskbarIcon, ShellRestartAddsIconAgainOnNextChange)
{
    TASKBARICON icon(owner, ICON_CLOCK, "before");
    ASSERT_TRUE(ShellKnowsIcon());
    ShellForgetsIcon();
    ASSERT_FALSE(ShellKnowsIcon());
    EXPECT_TRUE(icon.SetTooltip("after & restart"));
    EXPECT_TRUE(ShellKnowsIcon());
    EXPECT_STREQ(icon.GetTooltip(), "after &&& restart");

    ShellForgetsIcon();
    EXPECT_TRUE(icon.SetIcon(ICON_ALERT));
    EXPECT_TRUE(ShellKnowsIcon());
}

TEST_F(TaskbarIcon, SetIconReplacesIconAndKeepsItOnMissingResource)
{
    TASKBARICON icon(owner, ICON_CLOCK, "tip");
    HICON first = icon.GetIcon();
    ASSERT_TRUE(icon.SetIcon(ICON_ALERT));
    HICON second = icon.GetIcon();
    EXPECT_NE(first, second);
    ICONINFO info = {};
    ASSERT_TRUE(GetIconInfo(second, &info));
    BITMAP bm = {};
    GetObjectA(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bm, &bm);
    EXPECT_EQ(bm.bmWidth, 16);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);

    int reports = AssertCount();
    EXPECT_FALSE(icon.SetIcon(4711));
    EXPECT_EQ(AssertCount(), reports + 1);
    EXPECT_EQ(icon.GetIcon(), second);
    EXPECT_TRUE(ShellKnowsIcon());
}

TEST_F(TaskbarIcon, MissingIconIsReported)
{
    int reports = AssertCount();
    TASKBARICON icon(owner, 4711, "tip");
    EXPECT_EQ(AssertCount(), reports + 1);
    EXPECT_STREQ(AssertLastCondition(), "nof.hIcon");
}
