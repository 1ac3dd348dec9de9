// The main window in the test's own process: the window title, the tray icon's
// number and tool tip, the menu and tool bar states, commands (unknown ones shown,
// every command stopping the alarm, settings accepted), work handed from other threads
// to the window thread, closing minimised, a session end that is called off, the about
// box and a missing help file. Closing and the session end of horalink.exe: e2e tests.
#include "app.h"

#include "appmessages.h"
#include "boxwatch.h"
#include "dialogdriver.h"
#include "horalinkres.h"
#include "kelvoapp.h"
#include "logcapture.h"
#include "scratchkey.h"
#include "testfiles.h"
#include "winhelp.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <thread>

using testing::HasSubstr;

// Generous: the machine is shared.
const DWORD WAIT_MS = 20000;

// Dispatches the thread's messages until done() holds; false after timeoutms. A quit
// message is noted in *quit (when given) instead of being lost.
static bool pump_until(const std::function<bool()>& done, DWORD timeoutms, bool* quit = nullptr)
{
    DWORD start = GetTickCount();
    for (;;) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                if (quit) *quit = true;
                continue;
            }
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (done()) return true;
        if (GetTickCount() - start > timeoutms) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
}

TEST(AppTrayIcon, NumberFollowsAttentionSuspensionAndFailures)
{
    EXPECT_EQ(APP::TrayIconNumber(false, false, "1 OK", 0), 0);
    EXPECT_EQ(APP::TrayIconNumber(false, false, "0 No answer", 1), 0);
    EXPECT_EQ(APP::TrayIconNumber(false, false, "0 No answer", 2), 2);
    EXPECT_EQ(APP::TrayIconNumber(false, false, "1 OK", 7), 0);
    EXPECT_EQ(APP::TrayIconNumber(false, true, "0 No answer", 5), 1);
    EXPECT_EQ(APP::TrayIconNumber(true, true, "0 No answer", 5), 3);
    // A fresh settings file holds "0" as TimeLastOK.
    EXPECT_EQ(APP::TrayIconNumber(false, false, "0", 2), 2);
}

class App : public testing::Test {
protected:
    void SetUp() override
    {
        // The tip of the day would wait for the user in the middle of the constructor.
        ASSERT_TRUE(key.SetValue("TipOfDayStyle", "0"));
        APP::SetRegistryName(key.Name().c_str());
        Config("");
    }
    void TearDown() override
    {
        app.reset();
        DropQuit();
        KELVOAPP::Reset();
        APP::SetRegistryName("");
    }
    // The update thread's quit message of an earlier window would end the next loop
    // (and every message box) at once.
    static void DropQuit()
    {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        }
    }
    // The settings file the program starts with: a configured connection, no scheduled
    // checks, no sound; more comes first, so that its keys win.
    void Config(const std::string& more)
    {
        std::string text = more + "ConnectionType=0\r\nVersion=1.00\r\nTimeCyclic=0\r\nNotifyDoSound=0\r\n";
        ASSERT_TRUE(WriteFileBytes(dir.File("horalink.cfg"), text));
    }
    void Start(const std::string& arguments = "")
    {
        std::string line = "\"" + std::string(KELVOAPP::ProgramPath()) + "\" \"/WORKDIR:" +
                           dir.Path() + "\" " + arguments;
        KELVOAPP::PrepareArguments(GetModuleHandleA(nullptr), line.c_str());
        KELVOAPP::SetLanguageCode(9);
        LoadLanguageLibrary((ProductBinDir() + "\\horalink.exe").c_str(), "horalink", "1.00");
        DropQuit();
        app.reset(new APP(false, help));
        ASSERT_TRUE(app->Exists());
    }
    std::string Title() { return app->GetText().Text(); }
    std::string Setting(const char* name) { return app->GetSetting(name).Text(); }
    bool Pump(const std::function<bool()>& done, bool* quit = nullptr)
    {
        return pump_until(done, WAIT_MS, quit);
    }
    // Lets every message already posted arrive.
    void Settle() { pump_until([] { return false; }, 200); }

    SCRATCHKEY key;
    TEMPDIR dir;
    HELPFILE help;
    std::unique_ptr<APP> app;
};

TEST_F(App, TitleShowsModeVersionAndSuspension)
{
    Start();
    EXPECT_EQ(Title(), "Horalink V1.00");
    EXPECT_EQ(app->DoCommand(IDM_MODELANSERVER), 1);
    EXPECT_EQ(Setting("Mode"), "2");
    EXPECT_EQ(Title(), "Horalink (LAN time server) V1.00");
    app->DoCommand(IDM_SUSPEND);
    EXPECT_EQ(Title(), "Horalink (LAN time server) V1.00 (suspended)");
    app->DoCommand(IDM_TRAYSUSPEND);
    // Mode 0 is applied as the standard mode, which adds nothing.
    app->DoCommand(IDM_MODERESET);
    EXPECT_EQ(Setting("Mode"), "1");
    EXPECT_EQ(Title(), "Horalink V1.00");
}

TEST_F(App, TitleWithoutVersion)
{
    Start("/NOVERS");
    EXPECT_EQ(Title(), "Horalink");
}

TEST_F(App, TrayIconAndToolTipFollowTheState)
{
    Config("TimeLastStatus=Clock: exact\r\nTimeLastOK=1 OK\r\nTimeErrCount=0\r\n");
    Start();
    EXPECT_EQ(app->GetTrayIconId(), IDI_TRAYNORMAL);
    EXPECT_EQ(app->GetTrayTooltip(), "Horalink: Clock: exact");

    app->DoCommand(IDM_SUSPEND);
    EXPECT_EQ(app->GetTrayIconId(), IDI_TRAYSUSPENDED);
    app->DoCommand(IDM_TRAYSUSPEND);
    EXPECT_EQ(app->GetTrayIconId(), IDI_TRAYNORMAL);

    // One failure is no reason for the error icon yet; the second is.
    app->PutSetting("TimeLastOK", "0 No answer");
    app->PutSetting("TimeErrCount", "1");
    app->PutSetting("TimeLastStatus", "Time check failed");
    app->RefreshTrayIcon();
    EXPECT_EQ(app->GetTrayIconId(), IDI_TRAYNORMAL);
    EXPECT_EQ(app->GetTrayTooltip(), "Horalink: Time check failed");
    app->PutSetting("TimeErrCount", "2");
    app->RefreshTrayIcon();
    EXPECT_EQ(app->GetTrayIconId(), IDI_TRAYERROR);
    // Suspension shows before the failures.
    app->DoCommand(IDM_SUSPEND);
    EXPECT_EQ(app->GetTrayIconId(), IDI_TRAYSUSPENDED);
}

TEST_F(App, AttentionBlinksUntilAClickAndStartsAgainWhileTheClockIsWrong)
{
    Start();
    app->PutSetting("TimeLastQuality", "2");
    app->RefreshTrayIcon();
    EXPECT_TRUE(app->IsAttentionOn());
    ASSERT_TRUE(Pump([&] { return app->GetTrayIconId() == IDI_TRAYATTENTION; }));
    ASSERT_TRUE(Pump([&] { return app->GetTrayIconId() == IDI_TRAYNORMAL; }));

    // A click on the tray icon stops it.
    app->Send(WM__TASKBAR, 1, WM_MOUSEMOVE);
    EXPECT_FALSE(app->IsAttentionOn());
    EXPECT_EQ(app->GetTrayIconId(), IDI_TRAYNORMAL);
    // The next refresh finds the clock still wrong.
    app->RefreshTrayIcon();
    EXPECT_TRUE(app->IsAttentionOn());
    // A command stops it too; a right clock ends it for good.
    app->DoCommand(IDM_CHECKNOW);
    EXPECT_FALSE(app->IsAttentionOn());
    app->PutSetting("TimeLastQuality", "1");
    app->RefreshTrayIcon();
    EXPECT_FALSE(app->IsAttentionOn());
    EXPECT_EQ(app->GetTrayIconId(), IDI_TRAYNORMAL);
}

TEST_F(App, MenuAndToolBarStates)
{
    Start();
    MENU& menu = app->GetMainMenu();
    NEWTOOLBAR& toolbar = app->GetToolbar();
    // Nothing to adjust, no alarm.
    EXPECT_FALSE(menu.IsMenuItemEnabled(IDM_ADJUSTNOW));
    EXPECT_FALSE(toolbar.IsButtonEnabled(IDM_ADJUSTNOW));
    EXPECT_FALSE(menu.IsMenuItemEnabled(IDM_STOPALARM));
    EXPECT_FALSE(toolbar.IsButtonEnabled(IDM_STOPALARM));
    EXPECT_TRUE(menu.IsMenuItemChecked(IDM_MODESTANDARD));
    EXPECT_FALSE(menu.IsMenuItemChecked(IDM_MODELANSERVER));
    EXPECT_TRUE(menu.IsMenuItemEnabled(IDM_EXIT));
    // The data folder is given on the command line: it cannot be chosen.
    EXPECT_FALSE(menu.IsMenuItemEnabled(IDM_DATAFOLDER));

    app->PutSetting("TimeLastValueMs", "1");
    app->RefreshMenus();
    EXPECT_TRUE(menu.IsMenuItemEnabled(IDM_ADJUSTNOW));
    EXPECT_TRUE(toolbar.IsButtonEnabled(IDM_ADJUSTNOW));

    app->DoCommand(IDM_SUSPEND);
    EXPECT_TRUE(menu.IsMenuItemChecked(IDM_SUSPEND));
    EXPECT_TRUE(toolbar.IsButtonChecked(IDM_SUSPEND));
    app->DoCommand(IDM_MODELANSERVER);
    EXPECT_TRUE(menu.IsMenuItemChecked(IDM_MODELANSERVER));
    EXPECT_FALSE(menu.IsMenuItemChecked(IDM_MODESTANDARD));

    // The tray menu gets the same states under its own numbers.
    MENU tray(IDR_TRAYMENU);
    app->ApplyMenuStates(tray, true);
    EXPECT_TRUE(tray.IsMenuItemEnabled(IDM_TRAYADJUSTNOW));
    EXPECT_TRUE(tray.IsMenuItemChecked(IDM_TRAYSUSPEND));
    EXPECT_FALSE(tray.IsMenuItemEnabled(IDM_STOPALARM));
    EXPECT_TRUE(tray.IsMenuItemEnabled(IDM_EXIT));
}

TEST_F(App, EveryCommandStopsTheAlarmSound)
{
    Config("NotifyDoSound=1\r\nNotifyDoSoundLoop=1\r\nNotifyDoMsgbox=0\r\nNotifySoundLoopRep=60\r\n");
    Start();
    // A wrong clock that is not set: the sound repeats until the user reacts.
    EXPECT_EQ(app->OnNeedClockAdjust(2, 5000), 0);
    EXPECT_GT(app->GetAlarmSound().Length(), 0);
    EXPECT_TRUE(app->GetMainMenu().IsMenuItemEnabled(IDM_STOPALARM));
    EXPECT_TRUE(app->GetToolbar().IsButtonEnabled(IDM_STOPALARM));
    Settle();
    EXPECT_TRUE(KillTimer(app->GetHwnd(), TIMER_ALARM));
    SetTimer(app->GetHwnd(), TIMER_ALARM, 60000, nullptr);

    app->DoCommand(IDM_TRAYCHECKNOW);
    EXPECT_EQ(app->GetAlarmSound().Length(), 0);
    EXPECT_FALSE(app->GetMainMenu().IsMenuItemEnabled(IDM_STOPALARM));
    EXPECT_FALSE(KillTimer(app->GetHwnd(), TIMER_ALARM));
}

TEST_F(App, ServiceModeDisablesExitAndKeepsRunningAtTheSessionEnd)
{
    Start("/SERVICE");
    char cls[64] = "";
    GetClassNameA(app->GetHwnd(), cls, sizeof cls);
    EXPECT_STREQ(cls, "KelvoHoralinkWinClassService");
    EXPECT_TRUE(IsIconic(app->GetHwnd()));
    EXPECT_FALSE(app->GetMainMenu().IsMenuItemEnabled(IDM_EXIT));
    MENU tray(IDR_TRAYMENU);
    app->ApplyMenuStates(tray, true);
    EXPECT_FALSE(tray.IsMenuItemEnabled(IDM_EXIT));

    // The end of the session removes the tray icon and nothing else.
    EXPECT_EQ(app->Send(WM_ENDSESSION, TRUE), 0);
    EXPECT_EQ(app->GetTrayIconId(), 0);
    EXPECT_TRUE(app->WorkThreadRunning());
}

TEST_F(App, UnknownCommandsAreShown)
{
    Start();
    LOGCAPTURE log;
    BOXWATCH boxes;
    EXPECT_EQ(app->DoCommand(4711), 0);
    const std::vector<DIALOGSEEN>& seen = boxes.Stop();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].title, Title());
    EXPECT_EQ(seen[0].text, "WM_COMMAND 4711");
    EXPECT_THAT(log.Text(), HasSubstr("APP::~DoCommand rc=0"));
}

TEST_F(App, WorkOfOtherThreadsIsHandedToTheWindowThread)
{
    Start();
    HWND hwnd = app->GetHwnd();
    app->PutSetting("TimeLastStatus", "from the update thread");
    std::thread other([&] {
        app->StartTimer(TIMER_TITLE, 60000);
        app->StopTimer(TIMER_DOCKSTATUS);
        app->RefreshTrayIcon();
        app->RefreshMenus();
    });
    other.join();
    // Nothing has happened yet: the window thread has not seen its messages.
    EXPECT_FALSE(KillTimer(hwnd, TIMER_TITLE));
    EXPECT_EQ(app->GetTrayTooltip(), "Horalink: ");
    SetTimer(hwnd, TIMER_DOCKSTATUS, 60000, nullptr);
    Settle();
    EXPECT_TRUE(KillTimer(hwnd, TIMER_TITLE));
    EXPECT_FALSE(KillTimer(hwnd, TIMER_DOCKSTATUS));
    EXPECT_EQ(app->GetTrayTooltip(), "Horalink: from the update thread");

    // The engine starts the blinking on its thread; the timer fires on the window's.
    std::thread([&] { app->StartAttention(); }).join();
    EXPECT_TRUE(Pump([&] { return app->GetAttentionPhase() != 0; }));
    app->StopAttention();
}

TEST_F(App, CloseMinimisesWhenConfigured)
{
    Config("DlgCloseMinimize=1\r\n");
    Start();
    app->Send(WM_CLOSE);
    EXPECT_TRUE(IsIconic(app->GetHwnd()));
    EXPECT_TRUE(app->WorkThreadRunning());
    // The exit command still ends it.
    bool quit = false;
    app->DoCommand(IDM_EXIT);
    EXPECT_TRUE(Pump([&] { return quit; }, &quit));
}

TEST_F(App, ACancelledSessionEndChangesNothing)
{
    Start();
    EXPECT_EQ(app->Send(WM_ENDSESSION, FALSE), 0);
    EXPECT_TRUE(app->WorkThreadRunning());
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

TEST_F(App, AboutBoxShowsTitleAndVersion)
{
    Start();
    std::string line;
    DIALOGDRIVER driver("About", [&](HWND dialog) {
        line = ControlText(FindControl(dialog, IDC_ABOUT_TITLE));
        EXPECT_NE(FindControl(dialog, IDC_ABOUT_LINK), nullptr);
        ClickButton(FindControl(dialog, IDOK));
    });
    EXPECT_EQ(app->DoCommand(IDM_ABOUT), 1);
    EXPECT_TRUE(driver.Wait());
    EXPECT_EQ(line, "Horalink V1.00");
}

TEST_F(App, AMissingHelpFileIsNamedWhenHelpIsAsked)
{
    Start();
    BOXWATCH boxes;
    app->DoCommand(IDM_HELPCONTENTS);
    app->DoCommand(IDM_HELPSTART);
    const std::vector<DIALOGSEEN>& seen = boxes.Stop();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_THAT(seen[0].text, HasSubstr("horalink.chm"));
    EXPECT_EQ(seen[0].title, "Horalink");
}

TEST_F(App, SettingsAcceptedWithOkReachTheWindowAndTheDrift)
{
    Start();
    HWND toolbar = app->GetToolbar().GetHwnd();
    EXPECT_TRUE(IsWindowVisible(toolbar));
    // As if changed on the dialog's pages before OK.
    app->PutSetting("DlgHideToolbar", "1");
    app->PutSetting("Mode", "2");
    LOGCAPTURE log;
    DIALOGDRIVER driver("Settings", [](HWND dialog) { ClickButton(FindControl(dialog, IDOK)); });
    EXPECT_EQ(app->DoCommand(IDM_SETTINGS), 1);
    EXPECT_TRUE(driver.Wait());
    EXPECT_FALSE(IsWindowVisible(toolbar));
    EXPECT_EQ(Title(), "Horalink (LAN time server) V1.00");
    EXPECT_THAT(log.Text(), HasSubstr("APP::SetDrift"));
    EXPECT_THAT(ReadFileBytes(dir.File("horalink.cfg")), HasSubstr("DlgHideToolbar=1"));
}

TEST_F(App, MinimisedToTheTrayAndBackByADoubleClick)
{
    Config("DlgTaskbar=1\r\nDlgDblClickMode=0\r\n");
    Start();
    HWND hwnd = app->GetHwnd();
    ShowWindow(hwnd, SW_MINIMIZE);
    EXPECT_FALSE(IsWindowVisible(hwnd));
    app->Send(WM__TASKBAR, 1, WM_LBUTTONDBLCLK);
    EXPECT_TRUE(IsWindowVisible(hwnd));
    EXPECT_FALSE(IsIconic(hwnd));
}

TEST_F(App, ADoubleClickAdjustsEvenWithoutADifference)
{
    Config("DlgDblClickMode=2\r\nTimeLastValueMs=0\r\n");
    Start();
    // Suspended, the update thread leaves the adjustment pending for the test to see.
    app->DoCommand(IDM_SUSPEND);
    EXPECT_FALSE(app->GetMainMenu().IsMenuItemEnabled(IDM_ADJUSTNOW));
    app->Send(WM__TASKBAR, 1, WM_LBUTTONDBLCLK);
    EXPECT_TRUE(app->IsAdjustPending());
}
