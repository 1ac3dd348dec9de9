// DIALOG: the modal loop and its end message, push buttons ending with their id,
// Cancel with 0, the Help button as a help request, the disabled owner, nested loops
// and a quit message arriving meanwhile.
#include "dialogs.h"

#include "dialogdriver.h"
#include "reports.h"

#include <gtest/gtest.h>

#include <string>
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

static std::vector<std::pair<HWND, int>> help_requests;

static bool record_help(HWND window, int number, void* context)
{
    help_requests.push_back({window, number});
    return context != nullptr;
}

TEST(Dialog, PushButtonsEndItWithTheirIdHelpAndOtherControlsDoNotOwnerDisabledMeanwhile)
{
    int marker = 1;
    WINDOWS::SetHelpHook(record_help, &marker);
    HWND owner = CreateWindowExA(0, "Static", "owner", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100,
                                 nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_TRUE(owner);
    std::string seen;
    HWND shown = nullptr;
    auto press = [&](HWND d) {
        shown = d;
        seen = std::string(IsWindowEnabled(owner) ? "enabled" : "disabled") +
               (GetWindow(d, GW_OWNER) == owner ? " owned" : "");
        ClickCheck(GetDlgItem(d, IDC_CHECK), true);
        SetControlText(GetDlgItem(d, IDC_EDIT), "typed");
        ClickButton(GetDlgItem(d, IDC_DIALOGHELP));
        seen += IsWindowVisible(d) ? " open" : " closed";
        ClickButton(GetDlgItem(d, IDOK));
    };
    EXPECT_EQ(run_pressing(press, owner), IDOK);
    EXPECT_EQ(seen, "disabled owned open");
    EXPECT_TRUE(IsWindowEnabled(owner));
    DestroyWindow(owner);
    EXPECT_EQ(help_requests, (std::vector<std::pair<HWND, int>>{{shown, IDD_BUTTONS}}));
    EXPECT_EQ(run_pressing([](HWND d) { ClickButton(GetDlgItem(d, IDC_OTHER)); }), IDC_OTHER);
    // Cancel gives 0 (the close box comes as Cancel: the data dialog tests).
    EXPECT_EQ(run_pressing([](HWND d) { ClickButton(GetDlgItem(d, IDCANCEL)); }), 0);

    // A hook that shows nothing, or none at all, answers false.
    WINDOWS::SetHelpHook(record_help, nullptr);
    EXPECT_FALSE(WINDOWS::RequestHelp(nullptr, 6));
    WINDOWS::SetHelpHook(nullptr, nullptr);
    EXPECT_FALSE(WINDOWS::RequestHelp(nullptr, 5));
    EXPECT_EQ(help_requests.size(), 2u);
}

// Run without an outer dialog, runs a second one from inside its own loop; as that
// second one, ends the outer dialog from inside its own loop, then itself.
class NESTEDDIALOG : public DIALOG {
public:
    explicit NESTEDDIALOG(NESTEDDIALOG* outer = nullptr) : DIALOG(IDD_QUIET), outer(outer) {}
    INT_PTR DlgProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_INITDIALOG && outer) {
            outer->End(11);
            End(12);
        }
        if (message == WM_INITDIALOG && !outer) PostMessageA(hWnd, WM_USER + 1, 0, 0);
        if (message != WM_USER + 1) return DIALOG::DlgProc(message, wParam, lParam);
        visible = IsWindowVisible(hWnd);
        innerresult = NESTEDDIALOG(this).Run(DIALOG_RUN_NOSHOW);
        return TRUE;
    }
    NESTEDDIALOG* outer;
    bool visible = true;
    int innerresult = -1;
};

TEST(Dialog, NoShowRunsHiddenAndEndReachesTheOuterLoopThroughANestedOne)
{
    NESTEDDIALOG outer;
    EXPECT_EQ(outer.Run(DIALOG_RUN_NOSHOW), 11);
    EXPECT_EQ(outer.innerresult, 12);
    EXPECT_FALSE(outer.visible);
}

TEST(Dialog, ModelessWindowRunsItsLoopAgainAndGoesWithTheObject)
{
    HWND hwnd;
    {
        DIALOG dialog(IDD_QUIET);
        ASSERT_TRUE(dialog.Create());
        hwnd = dialog.hWnd;
        // An end while no loop runs ends nothing later.
        dialog.End(4);
        WINDOWS::WinProcessMessages(100);
        dialog.End(6);
        EXPECT_EQ(dialog.RunLoop(), 6);
        dialog.End(8);
        EXPECT_EQ(dialog.Run(DIALOG_RUN_NOSHOW), 8);
        EXPECT_EQ(dialog.hWnd, hwnd);  // made before Run: Run keeps it

        // A quit message ends the loop and stays for the thread's main loop.
        PostQuitMessage(3);
        EXPECT_EQ(dialog.RunLoop(), 0);
        MSG msg;
        ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
        EXPECT_EQ(msg.wParam, 3u);
    }
    EXPECT_FALSE(IsWindow(hwnd));

    DIALOG missing(4242);
    REPORTS reports;
    EXPECT_EQ(missing.Run(), 0);
    EXPECT_TRUE(reports.Were(1, "this->hWnd"));
}
