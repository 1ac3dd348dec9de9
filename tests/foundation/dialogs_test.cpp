// DIALOG: the modal loop and its end message, push buttons ending with their id,
// Cancel with 0, the Help button as a help request, the disabled owner, nested loops
// and a quit message arriving meanwhile.
#include "dialogdriver.h"
#include "testdialogs.h"
#include "datadialogs.h"
#include "kelvo.h"

#include <gtest/gtest.h>

#include <vector>

static const int IDD_BUTTONS = 100;
static const int IDD_QUIET = 101;
static const int IDC_OTHER = 150;
static const int IDC_CHECK = 160;
static const int IDC_EDIT = 170;

// Runs the buttons dialog while the driver presses what press says.
static int run_pressing(std::function<void(HWND)> press, HWND owner = nullptr)
{
    DIALOG dialog(IDD_BUTTONS, owner);
    DIALOGDRIVER driver("DialogTest Buttons", press);
    int result = dialog.Run();
    EXPECT_TRUE(driver.Wait());
    EXPECT_EQ(dialog.hWnd, nullptr);  // Run made the window, Run destroyed it
    return result;
}

TEST(Dialog, PushButtonsEndWithTheirIdCancelWithZero)
{
    EXPECT_EQ(run_pressing([](HWND d) { ClickButton(GetDlgItem(d, IDOK)); }), IDOK);
    EXPECT_EQ(run_pressing([](HWND d) { ClickButton(GetDlgItem(d, IDC_OTHER)); }), IDC_OTHER);
    EXPECT_EQ(run_pressing([](HWND d) { ClickButton(GetDlgItem(d, IDCANCEL)); }), 0);
    // The close box comes as Cancel.
    EXPECT_EQ(run_pressing([](HWND d) { SendMessageA(d, WM_CLOSE, 0, 0); }), 0);
}

TEST(Dialog, OtherControlsDoNotEndIt)
{
    bool stillopen = false;
    int result = run_pressing([&](HWND d) {
        ClickCheck(GetDlgItem(d, IDC_CHECK), true);
        SetControlText(GetDlgItem(d, IDC_EDIT), "typed");
        stillopen = IsWindow(d) && IsWindowVisible(d);
        ClickButton(GetDlgItem(d, IDC_OTHER));
    });
    EXPECT_TRUE(stillopen);
    EXPECT_EQ(result, IDC_OTHER);
}

static std::vector<std::pair<HWND, int>> help_requests;

static bool record_help(HWND window, int number, void* context)
{
    help_requests.push_back({window, number});
    return context != nullptr;
}

TEST(Dialog, HelpButtonAsksForHelpInstead)
{
    help_requests.clear();
    int marker = 1;
    WINDOWS::SetHelpHook(record_help, &marker);
    HWND seen = nullptr;
    bool stillopen = false;
    int result = run_pressing([&](HWND d) {
        seen = d;
        ClickButton(GetDlgItem(d, 9));
        stillopen = IsWindow(d) && IsWindowVisible(d);
        ClickButton(GetDlgItem(d, IDCANCEL));
    });
    WINDOWS::SetHelpHook(nullptr, nullptr);
    EXPECT_TRUE(stillopen);
    EXPECT_EQ(result, 0);
    ASSERT_EQ(help_requests.size(), 1u);
    EXPECT_EQ(help_requests[0].first, seen);
    EXPECT_EQ(help_requests[0].second, IDD_BUTTONS);

    // Without a hook nothing answers.
    EXPECT_FALSE(WINDOWS::RequestHelp(nullptr, 5));
    WINDOWS::SetHelpHook(record_help, nullptr);
    EXPECT_FALSE(WINDOWS::RequestHelp(nullptr, 6));
    WINDOWS::SetHelpHook(nullptr, nullptr);
    EXPECT_EQ(help_requests.size(), 2u);
}

TEST(Dialog, OwnerIsDisabledWhileItRuns)
{
    HWND owner = CreateWindowExA(0, "Static", "owner", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100,
                                 nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_TRUE(owner);
    bool enabledmeanwhile = true;
    HWND ownerseen = nullptr;
    bool visible = false;
    int result = run_pressing(
        [&](HWND d) {
            enabledmeanwhile = IsWindowEnabled(owner);
            ownerseen = GetWindow(d, GW_OWNER);
            visible = IsWindowVisible(d);
            ClickButton(GetDlgItem(d, IDOK));
        },
        owner);
    EXPECT_EQ(result, IDOK);
    EXPECT_FALSE(enabledmeanwhile);
    EXPECT_EQ(ownerseen, owner);
    EXPECT_TRUE(visible);
    EXPECT_TRUE(IsWindowEnabled(owner));
    DestroyWindow(owner);
}

// A dialog that acts on itself from inside its own loop.
class SELFENDING : public DIALOG {
public:
    SELFENDING(int id, int result) : DIALOG(id), endwith(result) {}
    INT_PTR DlgProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_INITDIALOG) PostMessageA(hWnd, WM_USER + 1, 0, 0);
        if (message == WM_USER + 1) {
            visible = IsWindowVisible(hWnd);
            if (inner) {
                innerresult = inner->Run(DIALOG_RUN_NOSHOW);
            } else {
                End(endwith);
            }
            return TRUE;
        }
        return DIALOG::DlgProc(message, wParam, lParam);
    }
    int endwith;
    bool visible = true;
    DIALOG* inner = nullptr;
    int innerresult = -1;
};

TEST(Dialog, NoShowRunsHiddenAndEndsFromInside)
{
    SELFENDING dialog(IDD_QUIET, 7);
    EXPECT_EQ(dialog.Run(DIALOG_RUN_NOSHOW), 7);
    EXPECT_FALSE(dialog.visible);
    EXPECT_EQ(dialog.hWnd, nullptr);
}

// Ends the outer dialog from inside the inner dialog's loop, then itself.
class ENDSOUTER : public DIALOG {
public:
    ENDSOUTER(DIALOG* outer) : DIALOG(IDD_QUIET), outer(outer) {}
    INT_PTR DlgProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_INITDIALOG) {
            outer->End(11);
            End(12);
        }
        return DIALOG::DlgProc(message, wParam, lParam);
    }
    DIALOG* outer;
};

TEST(Dialog, EndReachesTheOuterLoopThroughANestedOne)
{
    SELFENDING outer(IDD_QUIET, 0);
    ENDSOUTER inner(&outer);
    outer.inner = &inner;
    EXPECT_EQ(outer.Run(DIALOG_RUN_NOSHOW), 11);
    EXPECT_EQ(outer.innerresult, 12);
}

TEST(Dialog, ModelessWindowRunsItsLoopAgainAndAgain)
{
    DIALOG dialog(IDD_QUIET);
    ASSERT_TRUE(dialog.Create());
    HWND hwnd = dialog.hWnd;
    // An end while no loop runs ends nothing later.
    dialog.End(4);
    WINDOWS::WinProcessMessages(100);
    dialog.End(6);
    EXPECT_EQ(dialog.RunLoop(), 6);
    dialog.End(8);
    EXPECT_EQ(dialog.Run(DIALOG_RUN_NOSHOW), 8);
    EXPECT_EQ(dialog.hWnd, hwnd);  // made before Run: Run keeps it
    EXPECT_TRUE(IsWindow(hwnd));
}

TEST(Dialog, QuitMessageEndsTheLoopAndStaysForTheMainLoop)
{
    DIALOG dialog(IDD_QUIET);
    ASSERT_TRUE(dialog.Create());
    PostQuitMessage(3);
    EXPECT_EQ(dialog.RunLoop(), 0);
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 3u);
}

TEST(Dialog, MissingTemplateIsReported)
{
    DIALOG dialog(4242);
    int reports = AssertCount();
    EXPECT_EQ(dialog.Run(), 0);
    EXPECT_EQ(AssertCount(), reports + 1);
    EXPECT_STREQ(AssertLastCondition(), "this->hWnd");
}

TEST(Dialog, ObjectDestroysTheWindowItMade)
{
    HWND hwnd;
    {
        DIALOG dialog(IDD_QUIET);
        ASSERT_TRUE(dialog.Create());
        hwnd = dialog.hWnd;
        EXPECT_TRUE(dialog.AutoDestroy);
    }
    EXPECT_FALSE(IsWindow(hwnd));
}
