// The main window in the test's own process: the window title, the tray icon's
// number and tool tip, the menu and tool bar states, commands, work handed from other
// threads to the window thread, closing minimised, the status list's rows, values,
// icons and fills, and the dock clock's colour after each result. Closing and the
// session end of horalink.exe: e2e tests.
#include <winsock2.h>  // ahead of every header that brings in windows.h

#include "app.h"

#include "appmessages.h"
#include "boxwatch.h"
#include "dialogdriver.h"
#include "englishlibrary.h"
#include "horalinkres.h"
#include "kelvoapp.h"
#include "logcapture.h"
#include "osys.h"
#include "scratchkey.h"
#include "socketlibrary.h"
#include "testfiles.h"
#include "winhelp.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>

using testing::HasSubstr;

TEST(AppTrayIcon, NumberFollowsAttentionSuspensionAndFailures)
{
    struct {
        bool phase, suspended;
        const char* lastok;
        int errors, number;
    } cases[] = {{false, false, "1 OK", 0, 0},        {false, false, "0 No answer", 1, 0},
                 {false, false, "0 No answer", 2, 2}, {false, false, "1 OK", 7, 0},
                 {false, true, "0 No answer", 5, 1},  {true, true, "0 No answer", 5, 3},
                 {false, false, "0", 2, 2}};  // a fresh settings file holds "0" as TimeLastOK
    for (const auto& c : cases)
        EXPECT_EQ(APP::TrayIconNumber(c.phase, c.suspended, c.lastok, c.errors), c.number) << c.lastok;
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
    // A configured connection, no scheduled checks, no sound; more comes first and wins.
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
        LoadEnglishLibrary();
        DropQuit();
        app.reset(new APP(false, help));
        ASSERT_TRUE(app->Exists());
    }
    std::string Title() { return app->GetText().Text(); }
    // The tray icon's number and its tool tip.
    std::string Tray()
    {
        return std::to_string(app->GetTrayIconId() - IDI_TRAYNORMAL) + "|" + app->GetTrayTooltip().Text();
    }
    std::string Setting(const char* name) { return app->GetEngine().GetSetting(name).Text(); }
    // Dispatches this thread's messages until done() holds (false after timeoutms); a
    // quit message is noted in quit instead of being lost.
    bool Pump(const std::function<bool()>& done, DWORD timeoutms = 20000)
    {
        for (DWORD start = GetTickCount();; MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT)) {
            MSG msg;
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
                if (msg.message == WM_QUIT) quit = true;
                DispatchMessageA(&msg);
            }
            if (done()) return true;
            if (GetTickCount() - start > timeoutms) return false;
        }
    }
    // Lets every message already posted arrive.
    void Settle() { Pump([] { return false; }, 200); }
    // A judged result of level 2, 5 s behind.
    static CHECKRESULT WrongClock()
    {
        CHECKRESULT result;
        result.Level = 2;
        result.Ms = 5000;
        return result;
    }
    // Whether timer id of the main window runs (stopping it).
    bool TimerRan(UINT_PTR id) { return KillTimer(app->GetHwnd(), id) != 0; }

    SCRATCHKEY key;
    TEMPDIR dir;
    HELPFILE help;
    std::unique_ptr<APP> app;
    bool quit = false;
};

// The mode commands decide the LAN roles, and with them the SNTP server; a test
// gives the server its port through the program's environment.
TEST_F(App, TheModeCommandsStartAndStopTheSntpServer)
{
    // A port the system just handed out and took back: free.
    unsigned short port = 0;
    {
        SOCKETLIBRARY library;
        SOCKET s = socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in address = {};
        address.sin_family = AF_INET;
        bind(s, reinterpret_cast<const sockaddr*>(&address), sizeof address);
        int length = sizeof address;
        getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
        port = ntohs(address.sin_port);
        closesocket(s);
    }
    ASSERT_NE(port, 0);
    SetEnvironmentVariableA("HORALINK_TEST_SNTPSERVERPORT", std::to_string(port).c_str());
    Config("Mode=1\r\nLanDoServer=1\r\nLanSntpServer=1\r\n");
    Start();
    SetEnvironmentVariableA("HORALINK_TEST_SNTPSERVERPORT", nullptr);
    APPENGINE& engine = app->GetEngine();
    EXPECT_EQ(engine.GetTimings().SntpServerPort, port);
    std::string states = engine.SntpServerRunning() ? "1" : "0";
    app->DoCommand(IDM_MODELANSERVER);
    states += engine.SntpServerRunning() ? "1" : "0";
    app->DoCommand(IDM_MODESTANDARD);
    states += engine.SntpServerRunning() ? "1" : "0";
    EXPECT_EQ(states, "010");
}

TEST_F(App, TitleAndTrayFollowModeSuspensionAndFailures)
{
    Config("TimeLastStatus=Clock: exact\r\nTimeLastOK=1 OK\r\nTimeErrCount=0\r\n");
    Start();
    EXPECT_EQ(Title() + "|" + Tray(), "Horalink V1.00|0|Horalink: Clock: exact");
    EXPECT_EQ(app->DoCommand(IDM_MODELANSERVER), 1);
    app->DoCommand(IDM_SUSPEND);
    EXPECT_EQ(Setting("Mode") + "|" + Title() + "|" + Tray(),
              "2|Horalink (LAN time server) V1.00 (suspended)|1|Horalink: Clock: exact");
    app->DoCommand(IDM_TRAYSUSPEND);
    // Mode 0 is applied as the standard mode, which adds nothing.
    app->DoCommand(IDM_MODERESET);
    EXPECT_EQ(Setting("Mode") + "|" + Title(), "1|Horalink V1.00");

    // One failure is no reason for the error icon yet; the second is.
    app->GetEngine().PutSetting("TimeLastOK", "0 No answer");
    app->GetEngine().PutSetting("TimeErrCount", "1");
    app->GetEngine().PutSetting("TimeLastStatus", "Time check failed");
    app->RefreshTrayIcon();
    EXPECT_EQ(Tray(), "0|Horalink: Time check failed");
    app->GetEngine().PutSetting("TimeErrCount", "2");
    app->RefreshTrayIcon();
    EXPECT_EQ(Tray(), "2|Horalink: Time check failed");
    app->DoCommand(IDM_SUSPEND);  // suspension shows before the failures
    EXPECT_EQ(Tray(), "1|Horalink: Time check failed");
    app.reset();
    Start("/NOVERS");
    EXPECT_EQ(Title(), "Horalink");
}

TEST_F(App, AttentionBlinksUntilAClickAndStartsAgainWhileTheClockIsWrong)
{
    Start();
    app->GetEngine().PutSetting("TimeLastQuality", "2");
    app->RefreshTrayIcon();
    EXPECT_TRUE(app->IsAttentionOn());
    ASSERT_TRUE(Pump([&] { return app->GetTrayIconId() == IDI_TRAYATTENTION; }));
    ASSERT_TRUE(Pump([&] { return app->GetTrayIconId() == IDI_TRAYNORMAL; }));

    // A click on the tray icon stops it; the next refresh finds the clock still wrong.
    app->Send(WM__TASKBAR, 1, WM_MOUSEMOVE);
    EXPECT_FALSE(app->IsAttentionOn());
    EXPECT_EQ(app->GetTrayIconId(), IDI_TRAYNORMAL);
    app->RefreshTrayIcon();
    EXPECT_TRUE(app->IsAttentionOn());
    // A command stops it too; a right clock ends it for good.
    app->DoCommand(IDM_CHECKNOW);
    EXPECT_FALSE(app->IsAttentionOn());
    app->GetEngine().PutSetting("TimeLastQuality", "1");
    app->RefreshTrayIcon();
    EXPECT_FALSE(app->IsAttentionOn());
}

// The menu and tool bar states, the alarm they offer to stop, and the command that stops it.
TEST_F(App, MenuAndToolBarStatesAndTheAlarm)
{
    Config("NotifyDoSound=1\r\nNotifyDoSoundLoop=1\r\nNotifyDoMsgbox=0\r\nNotifySoundLoopRep=60\r\n");
    Start();
    // "1" for each item (and button) that is enabled, or checked where it says so.
    auto states = [&] {
        MENU& menu = app->GetMainMenu();
        NEWTOOLBAR& toolbar = app->GetToolbar();
        std::string s;
        for (int id : {IDM_ADJUSTNOW, IDM_STOPALARM, IDM_EXIT, IDM_DATAFOLDER})
            s += menu.IsMenuItemEnabled(id) ? "1" : "0";
        for (int id : {IDM_ADJUSTNOW, IDM_STOPALARM}) s += toolbar.IsButtonEnabled(id) ? "1" : "0";
        s += "|";
        for (int id : {IDM_SUSPEND, IDM_MODESTANDARD, IDM_MODELANSERVER})
            s += menu.IsMenuItemChecked(id) ? "1" : "0";
        return s + (toolbar.IsButtonChecked(IDM_SUSPEND) ? "1" : "0");
    };
    // Nothing to adjust, no alarm; the data folder is given on the command line.
    EXPECT_EQ(states(), "001000|0100");
    app->GetEngine().PutSetting("TimeLastValueMs", "1");
    app->RefreshMenus();
    app->DoCommand(IDM_SUSPEND);
    app->DoCommand(IDM_MODELANSERVER);
    // A wrong clock that is not set: the sound repeats until the user reacts.
    EXPECT_EQ(app->GetEngine().OnNeedClockAdjust(WrongClock()), 0);
    EXPECT_GT(app->GetAlarmSound().Length(), 0);
    EXPECT_EQ(states(), "111011|1011");
    Settle();
    EXPECT_TRUE(KillTimer(app->GetHwnd(), TIMER_ALARM));
    SetTimer(app->GetHwnd(), TIMER_ALARM, 60000, nullptr);

    // The tray menu gets the same states under its own numbers, and so does the dock
    // clock's copy of it as it opens.
    MENU tray(IDR_TRAYMENU);
    auto traystates = [&] {
        app->Send(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(GetSubMenu(tray.GetHandle(), 0)), 0);
        return std::string(tray.IsMenuItemEnabled(IDM_TRAYADJUSTNOW) ? "1" : "0") +
               (tray.IsMenuItemChecked(IDM_TRAYSUSPEND) ? "1" : "0") +
               (tray.IsMenuItemEnabled(IDM_STOPALARM) ? "1" : "0") +
               (tray.IsMenuItemEnabled(IDM_EXIT) ? "1" : "0");
    };
    EXPECT_EQ(traystates(), "1111");
    // Every command stops the alarm.
    app->DoCommand(IDM_TRAYCHECKNOW);
    EXPECT_EQ(app->GetAlarmSound().Length(), 0);
    EXPECT_EQ(states().substr(0, 7) + traystates(), "101010|1101");
    EXPECT_FALSE(KillTimer(app->GetHwnd(), TIMER_ALARM));
}

// What the window makes of the engine's reports from the update thread: the alarm
// repeats until the clock is set or right again, a floating dock clock shows the status
// for a while (timer 1), and the attention blinks only while nothing will set the clock.
TEST_F(App, EngineReportsBecomeAlarmDockStatusAndAttention)
{
    Config("NotifyDoSound=1\r\nNotifyDoSoundLoop=1\r\nNotifyDoMsgbox=0\r\nNotifySoundLoopRep=60\r\n"
           "ClockDocked=0\r\n");
    Start();
    APPENGINE& engine = app->GetEngine();
    auto report = [&](const std::function<void()>& call) {
        std::thread update(call);
        update.join();
        Settle();
    };
    // The report after the alarm began: an update ended, the clock was set, or setting
    // it was refused (the engine then leaves TimeLastQuality at 2).
    enum { DONE, SET, REFUSED };
    struct {
        const char* quality;
        int report;
        bool alarm, attention;
    } cases[] = {{"2", DONE, true, true},
                 {"1", DONE, false, false},
                 {"0", SET, false, false},
                 {"2", REFUSED, true, true}};
    for (const auto& c : cases) {
        report([&] { engine.OnNeedClockAdjust(WrongClock()); });
        ASSERT_GT(app->GetAlarmSound().Length(), 0);
        engine.PutSetting("TimeLastQuality", c.quality);
        TimerRan(TIMER_DOCKSTATUS);
        report([&] { c.report == DONE ? app->CheckDone(true) : app->ClockSet(c.report == SET); });
        EXPECT_EQ(app->GetAlarmSound().Length() > 0, c.alarm) << c.quality << c.report;
        EXPECT_EQ(TimerRan(TIMER_ALARM), c.alarm) << c.quality << c.report;
        EXPECT_TRUE(TimerRan(TIMER_DOCKSTATUS)) << c.quality << c.report;
        EXPECT_EQ(app->IsAttentionOn(), c.attention) << c.quality << c.report;
        app->StopAlarm();
    }
    // A docked clock shows no status of an update.
    engine.PutSetting("ClockDocked", "1");
    report([&] { app->CheckDone(false); });
    EXPECT_FALSE(TimerRan(TIMER_DOCKSTATUS));

    // Level 2 blinks while the clock stays wrong, not while an adjustment is pending.
    engine.PutSetting("TimeLastQuality", "2");
    engine.SetSuspended(true);  // the update thread leaves the adjustment pending
    engine.SetAdjustPending();
    report([&] { app->CheckDone(true); });
    EXPECT_FALSE(app->IsAttentionOn());
    // The adjustment ends with a status of its own (set or refused) and its report.
    engine.PutSetting("TimeLastStatus", "");
    app->DoCommand(IDM_SUSPEND);
    ASSERT_TRUE(Pump([&] { return !engine.IsAdjustPending() && !Setting("TimeLastStatus").empty(); }));
    Settle();
    engine.PutSetting("TimeLastQuality", "2");
    report([&] { app->CheckDone(true); });
    EXPECT_TRUE(app->IsAttentionOn());
}

TEST_F(App, WorkOfOtherThreadsIsHandedToTheWindowThread)
{
    Start();
    HWND hwnd = app->GetHwnd();
    app->GetEngine().PutSetting("TimeLastStatus", "from the update thread");
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
}

TEST_F(App, CommandsThatShowBoxes)
{
    Start();
    LOGCAPTURE log;
    BOXWATCH boxes;
    EXPECT_EQ(app->DoCommand(4711), 0);  // unknown commands are shown, not ignored
    // This help object has no file: the help commands name the missing one.
    app->DoCommand(IDM_HELPCONTENTS);
    app->DoCommand(IDM_HELPSTART);
    const std::vector<DIALOGSEEN>& seen = boxes.Stop();
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0].title + "|" + seen[0].text, Title() + "|WM_COMMAND 4711");
    EXPECT_THAT(log.Text(), HasSubstr("APP::~DoCommand rc=0"));
    EXPECT_EQ(seen[2].title, "Horalink");
    EXPECT_THAT(seen[2].text, HasSubstr("horalink.chm"));
}

TEST_F(App, SettingsAcceptedWithOkReachTheWindowAndTheDrift)
{
    Start();
    HWND toolbar = app->GetToolbar().GetHwnd();
    EXPECT_TRUE(IsWindowVisible(toolbar));
    // As if changed on the dialog's pages before OK.
    app->GetEngine().PutSetting("DlgHideToolbar", "1");
    app->GetEngine().PutSetting("Mode", "2");
    // The dock clock floats, see-through, in new colours; a bad level shows as wrong.
    for (const char* setting : {"ClockDocked=0", "ClockDoTransparency=1", "ClockTransparency=1", "ClockColorBG=66",
                                "ClockColor2=4660", "TimeLastQuality=9"}) {
        STRING line = setting;
        app->GetEngine().PutSetting(line.Field(0, "="), line.Field(1, "="));
    }
    LOGCAPTURE log;
    DIALOGDRIVER driver("Settings", [](HWND dialog) { ClickButton(FindControl(dialog, IDOK)); });
    EXPECT_EQ(app->DoCommand(IDM_SETTINGS), 1);
    EXPECT_TRUE(driver.Wait());
    EXPECT_FALSE(IsWindowVisible(toolbar));
    EXPECT_EQ(Title(), "Horalink (LAN time server) V1.00");
    EXPECT_THAT(log.Text(), HasSubstr("APP::SetDrift"));
    EXPECT_THAT(ReadFileBytes(dir.File("horalink.cfg")), HasSubstr("DlgHideToolbar=1"));
    DOCKCLOCK* clock = app->GetDockClock();
    EXPECT_TRUE(clock->IsFloating());
    EXPECT_EQ(clock->GetAlpha(), 1);
    EXPECT_EQ(clock->GetBackground(), COLORREF(66));
    EXPECT_EQ(clock->GetTextColour(), COLORREF(4660));
    EXPECT_FALSE(GetWindowLongPtrA(clock->GetHwnd(), GWL_STYLE) & WS_THICKFRAME);
}

// A drift correction beyond the band in the file is refused at start: the engine logs
// it and the window shows one box once its loop runs, not in the middle of construction.
TEST_F(App, ADriftCorrectionBeyondTheBandIsRefusedAtStartWithOneBox)
{
    Config("TimeDriftDoAdjust=1\r\nTimeDriftAdjustment=2000000000\r\n");
    BOXWATCH boxes;
    LOGCAPTURE log;
    Start();
    if (!app->GetEngine().DriftSupported()) GTEST_SKIP() << "this platform has no clock-tick adjustment";
    EXPECT_THAT(log.Text(), HasSubstr("APP::SetDrift refuses 2000000000 ns per tick"));
    app->ApplyDrift();  // refused again before the first box was shown: still one box
    Settle();
    const std::vector<DIALOGSEEN>& seen = boxes.Stop();
    std::string shown;
    for (const DIALOGSEEN& box : seen) shown += "[" + box.title + ": " + box.text + "] ";
    ASSERT_EQ(seen.size(), 1u) << shown;
    EXPECT_EQ(seen[0].title, "Horalink");
    EXPECT_THAT(seen[0].text, HasSubstr("2000000000 ns"));
}

// Every resume, also the unattended wake, makes a check due; going to sleep does not.
TEST_F(App, ResumeMakesACheckDue)
{
    Start();
    struct {
        WPARAM event;
        bool due;
    } cases[] = {{PBT_APMRESUMESUSPEND, true}, {PBT_APMRESUMESTANDBY, true},
                 {PBT_APMRESUMEAUTOMATIC, true}, {PBT_APMSUSPEND, false}};
    for (const auto& c : cases) {
        app->GetEngine().PutSetting("TimeNextRefresh", "4000000000");
        app->Send(WM_POWERBROADCAST, c.event);
        EXPECT_EQ(Setting("TimeNextRefresh") != "4000000000", c.due) << c.event;
    }
}

// With TimeCyclic 0 (or less) nothing runs, so check-now says that checks are off
// instead of promising one.
TEST_F(App, CheckNowSaysWhenChecksAreOff)
{
    Start();
    auto text = [](int id) { return std::string(OSYS::GetStringFromResource(id).Text()); };
    struct {
        const char* cyclic;
        const char* connection;
        int status, status2;
    } cases[] = {{"0", "0", IDS_CHECKSOFF, IDS_CHECKSOFFHOW},
                 {"-2", "1", IDS_CHECKSOFF, IDS_CHECKSOFFHOW},
                 {"0.5", "0", IDS_CHECKREQUESTED, IDS_STATUSCHECKING},
                 {"1", "1", IDS_CHECKREQUESTED, IDS_CHECKWHENONLINE}};
    app->DoCommand(IDM_SUSPEND);  // the update thread runs no check meanwhile
    for (const auto& c : cases) {
        app->GetEngine().PutSetting("TimeCyclic", c.cyclic);
        app->GetEngine().PutSetting("ConnectionType", c.connection);
        app->DoCommand(IDM_CHECKNOW);
        EXPECT_EQ(Setting("TimeLastStatus") + "|" + Setting("TimeLastStatus2"),
                  text(c.status) + "|" + text(c.status2))
            << c.cyclic;
    }
}

// What the session end's test looks for while the update thread is still running.
static std::string endsession_file;
static bool endsession_saved;
static APP* endsession_app;
static void CALLBACK look_for_the_save(HWND, UINT, UINT_PTR, DWORD)
{
    if (endsession_app->GetEngine().WorkThreadRunning() &&
        ReadFileBytes(endsession_file).find("saved at the session end") != std::string::npos)
        endsession_saved = true;
}

// The session end saves before it waits for the update thread: the system may end the
// process at any moment of that wait.
TEST_F(App, TheSessionEndSavesBeforeWaitingForTheUpdateThread)
{
    Start();
    ASSERT_TRUE(app->GetEngine().WorkThreadRunning());
    app->GetEngine().PutSetting("TimeLastStatus", "saved at the session end");
    endsession_file = dir.File("horalink.cfg");
    endsession_saved = false;
    endsession_app = app.get();
    // Dispatched by the session end's own loop while it waits for the thread.
    UINT_PTR timer = SetTimer(nullptr, 0, 10, look_for_the_save);
    EXPECT_EQ(app->Send(WM_ENDSESSION, TRUE), 1);
    KillTimer(nullptr, timer);
    EXPECT_TRUE(endsession_saved);
    EXPECT_FALSE(app->GetEngine().WorkThreadRunning());
    EXPECT_TRUE(Pump([&] { return quit; }));
}

// A settings file that is there but cannot be read (another program holds it) is not a
// first start: the program says so, runs on the defaults and never saves over it.
TEST_F(App, ASettingsFileThatCannotBeReadIsNeverSavedOver)
{
    std::string before = ReadFileBytes(dir.File("horalink.cfg"));
    HANDLE lock = CreateFileA(dir.File("horalink.cfg").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    BOXWATCH boxes;
    Start();
    Settle();
    EXPECT_EQ(Setting("TimeLastStatus"), OSYS::GetStringFromResource(IDS_SETTINGSUNREADABLE).Text());
    EXPECT_EQ(Setting("Version"), "0.00");  // the defaults, and no upgrade saved them
    app.reset();  // the end's save
    const std::vector<DIALOGSEEN>& seen = boxes.Stop();
    CloseHandle(lock);
    ASSERT_EQ(seen.size(), 1u);  // the warning, no wizard, no first-start box
    EXPECT_THAT(seen[0].text, HasSubstr(OSYS::GetStringFromResource(IDS_SETTINGSUNREADABLE).Text()));
    EXPECT_EQ(ReadFileBytes(dir.File("horalink.cfg")), before);
}

// With DlgCloseMinimize closing minimises, with DlgTaskbar into the tray, and a double
// click (mode 0) shows the window; in mode 2 the double click adjusts even while the menu
// item is disabled. A session end that is called off changes nothing; exit still ends.
TEST_F(App, ClosingMinimisesIntoTheTrayAndDoubleClicks)
{
    Config("DlgCloseMinimize=1\r\nDlgTaskbar=1\r\nDlgDblClickMode=0\r\nTimeLastValueMs=0\r\n");
    Start();
    HWND hwnd = app->GetHwnd();
    app->Send(WM_CLOSE);
    EXPECT_TRUE(IsIconic(hwnd));
    EXPECT_FALSE(IsWindowVisible(hwnd));
    app->Send(WM__TASKBAR, 1, WM_LBUTTONDBLCLK);
    EXPECT_TRUE(IsWindowVisible(hwnd));
    EXPECT_FALSE(IsIconic(hwnd));

    // Suspended, the update thread leaves the adjustment pending for the test to see.
    app->DoCommand(IDM_SUSPEND);
    app->GetEngine().PutSetting("DlgDblClickMode", "2");
    EXPECT_FALSE(app->GetMainMenu().IsMenuItemEnabled(IDM_ADJUSTNOW));
    app->Send(WM__TASKBAR, 1, WM_LBUTTONDBLCLK);
    EXPECT_TRUE(app->GetEngine().IsAdjustPending());

    EXPECT_EQ(app->Send(WM_ENDSESSION, FALSE), 0);
    Settle();
    EXPECT_TRUE(app->GetEngine().WorkThreadRunning());
    EXPECT_FALSE(quit);
    app->DoCommand(IDM_EXIT);
    EXPECT_TRUE(Pump([&] { return quit; }));
}

// As a service nobody sees a box: warnings go to the log, the adjust question is answered
// No by the settings, and the version upgrade (which asks) waits for a visible start.
TEST_F(App, AsAServiceNoBoxWaitsForAnAnswer)
{
    Config("TimeDriftDoAdjust=1\r\nTimeDriftAdjustment=2000000000\r\n");
    BOXWATCH boxes;
    LOGCAPTURE log;
    Start("/SERVICE");
    EXPECT_FALSE(app->AskYesNo("Horalink", "adjust?"));
    Settle();
    EXPECT_EQ(Setting("Version"), "1.00");
    if (app->GetEngine().DriftSupported()) {
        EXPECT_THAT(log.Text(), HasSubstr("Condition: service mode: no box"));
    }
    EXPECT_THAT(log.Text(), HasSubstr("APP::AskYesNo in service mode: no"));
    EXPECT_EQ(boxes.Stop().size(), 0u);
}

// The shell calls that set the tray icon let messages sent by other threads in; the end
// of the session removes the icon in service mode, and must not do so under a call.
TEST_F(App, TheSessionEndWhileTheTrayIconIsBeingSetLeavesItWhole)
{
    Start("/SERVICE");
    HWND window = app->GetHwnd();
    std::atomic<bool> stop{false};
    std::thread ender([&] {
        DWORD_PTR result;
        while (!stop) SendMessageTimeoutA(window, WM_ENDSESSION, TRUE, 0, SMTO_NORMAL, 1000, &result);
    });
    for (int i = 0; i < 60; i++) {
        app->RefreshTrayIcon();
        WINDOWS::WinProcessMessages(20);
    }
    stop = true;
    ender.join();
    app->RefreshTrayIcon();
    EXPECT_NE(app->GetTrayIconId(), 0);
    EXPECT_THAT(std::string(app->GetTrayTooltip()), HasSubstr("Horalink"));
}

// ---------------------------------------------------------------- the status list and the dock clock

TEST(StatusListTexts, NextUpdateAndDriftCorrection)
{
    LoadEnglishLibrary();
    struct {
        long long seconds;
        const char* text;
    } next[] = {{90, "in 1 min, 30 s"},
                {-90, "overdue by 1 min, 30 s"},
                {0, "in 0 s"},
                {30LL * 24 * 3600, "in 720 h, 0 min"},  // beyond 2^31 ms: no wrap-around
                {-(1LL << 62), "overdue by 878400 h, 0 min"}};  // a hand-edited time: a century
    for (const auto& c : next) EXPECT_STREQ(STATUSLIST::NextRefreshText(c.seconds).Text(), c.text) << c.seconds;
    // A clock tick of 15.625 ms: 156 250 units of 100 ns.
    struct {
        bool supported, on;
        long long ns;
        const char* text;
    } drift[] = {{true, true, 1000, "On (+0.0064%)"},  {true, true, 0, "On (0%)"},
                 {true, true, -1000, "On (-0.0064%)"}, {true, true, 15625, "On (+0.1%)"},
                 {true, true, 1, "On (0%)"},           {true, true, -1, "On (0%)"},
                 {true, false, 1000, "Off"},           {false, true, 1000, "Not available on this PC"}};
    for (const auto& c : drift)
        EXPECT_STREQ(STATUSLIST::DriftText(c.supported, c.on, c.ns, 156250).Text(), c.text) << c.ns;
}

TEST_F(App, StatusListRowsFollowTheDockingOfTheClock)
{
    Config("ClockDocked=1\r\nTimeLastDiffNice=+12 ms\r\nLastTimeServer=pool.example\r\n");
    Start();
    STATUSLIST& list = app->GetStatusList();
    auto rows = [&] {
        std::string ids;
        for (int i = 0; i < list.GetCount(); i++) ids += std::to_string(list.GetRecordId(i)) + " ";
        return ids;
    };
    ASSERT_TRUE(Pump([&] { return list.GetCount() > 0; }));
    EXPECT_EQ(rows(), "1005 1006 1009 1010 1012 1013 1014 ");
    EXPECT_STREQ(list.RowValue(ROW_DIFFERENCE).Text(), "+12 ms");
    // Undocked by hand: the setting follows and the date and time rows come back.
    app->GetDockClock()->Dock(false);
    ASSERT_TRUE(Pump([&] { return list.GetCount() == 10; }));
    EXPECT_EQ(Setting("ClockDocked"), "0");
    EXPECT_EQ(rows(), "1002 1003 1004 1005 1006 1009 1010 1012 1013 1014 ");
    // A second click on the same column turns the order round, and it is kept.
    app->GetStatusList().ColumnClick(0);
    EXPECT_EQ(Setting("LastSortOrder"), "1");
    EXPECT_EQ(rows(), "1014 1013 1012 1010 1009 1006 1005 1004 1003 1002 ");
    app->GetStatusList().ColumnClick(1);
    EXPECT_EQ(Setting("LastSortColumn"), "1");
    EXPECT_EQ(Setting("LastSortOrder"), "1");
}

TEST_F(App, StatusListValuesAndIconsFollowTheSettings)
{
    Config("ConnectionType=1\r\nConnectionDunAny=1\r\n");
    Start();
    APPENGINE& engine = app->GetEngine();
    STATUSLIST& list = app->GetStatusList();
    ASSERT_TRUE(Pump([&] { return list.GetCount() > 0; }));
    long long now = engine.NowSeconds();
    struct {
        const char *quality, *lastok, *server;
        long long refreshed, next;
        bool suspended;
        int differenceicon, statusicon, servericon;
        const char *servertext, *nexttext;
    } cases[] = {
        {"0", "1 OK", "a.example", now - 5, now + 90, false, IDI_LISTEXACT, IDI_LISTPLAIN, IDI_LISTPLAIN,
         "a.example", "in 1 min, "},
        {"0", "1 OK", "a.example", now - 700, now + 90, false, IDI_LISTPLAIN, IDI_LISTPLAIN, IDI_LISTPLAIN,
         "a.example", "in 1 min, "},
        {"1", "0 No answer", "a.example", now - 700, now - 90, false, IDI_LISTCLOSE, IDI_LISTALERT,
         IDI_LISTNOTYET, "a.example", "overdue by 1 min, "},
        {"2", "1 OK", "lanserver.horalink.invalid", now - 5, now - 33, true, IDI_LISTALERT, IDI_LISTPLAIN,
         IDI_LISTSUSPENDED, "LAN time server", "overdue by 3"},
        {"7", "1 OK", "a.example", now - 5, now + 40000, false, IDI_LISTPLAIN, IDI_LISTPLAIN, IDI_LISTPLAIN,
         "a.example", "in 11 h, "},
    };
    // The test's seconds pass meanwhile: the times are checked down to the minute.
    for (const auto& c : cases) {
        engine.PutSetting("TimeLastQuality", c.quality);
        engine.PutSetting("TimeLastOK", c.lastok);
        engine.PutSetting("LastTimeServer", c.server);
        engine.PutSetting("TimeLastRefresh", STRING(c.refreshed));
        engine.PutSetting("TimeNextRefresh", STRING(c.next));
        engine.SetSuspended(c.suspended);
        std::thread update([&] { app->StatusChanged(); });
        update.join();
        Settle();
        EXPECT_EQ(list.RowIcon(ROW_DIFFERENCE), c.differenceicon) << c.quality;
        EXPECT_EQ(list.RowIcon(ROW_STATUS), c.statusicon) << c.quality;
        EXPECT_EQ(list.RowIcon(ROW_SERVER), c.servericon) << c.quality;
        EXPECT_STREQ(list.RowValue(ROW_SERVER).Text(), c.servertext) << c.quality;
        EXPECT_THAT(list.RowValue(ROW_NEXT).Text(), testing::StartsWith(c.nexttext)) << c.quality;
    }
}

TEST_F(App, AFillWhileAnotherHoldsTheListIsRetriedNotDropped)
{
    Start();
    STATUSLIST& list = app->GetStatusList();
    ASSERT_TRUE(Pump([&] { return list.GetCount() > 0; }));
    list.DeleteAll();
    HANDLE held = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::thread holder([&] {
        list.ListMutex().Obtain();
        SetEvent(held);
        WaitForSingleObject(done, INFINITE);
        list.ListMutex().Release();
    });
    WaitForSingleObject(held, INFINITE);
    EXPECT_FALSE(list.FillFromQueue());
    EXPECT_EQ(list.GetCount(), 0);
    MSG msg;
    EXPECT_TRUE(PeekMessageA(&msg, app->GetHwnd(), WM__FILLLIST, WM__FILLLIST, PM_NOREMOVE));
    SetEvent(done);
    holder.join();
    CloseHandle(held);
    CloseHandle(done);
    EXPECT_TRUE(Pump([&] { return list.GetCount() > 0; }));
}

TEST_F(App, TheDockClockTakesTheColourOfEachResult)
{
    Config("ProAutoTime=0\r\nNotifyDoMsgbox=0\r\nClockColor0=255\r\nClockColor1=65280\r\nClockColor2=16711680\r\n"
           "TimeLastQuality=1\r\nClockDocked=0\r\n");
    Start();
    ASSERT_NE(app->GetDockClock(), nullptr);
    EXPECT_EQ(app->GetDockClock()->GetTextColour(), COLORREF(65280));
    struct {
        int ms;
        COLORREF colour;
    } results[] = {{20, 255}, {400, 65280}, {5000, 16711680}, {-5000, 16711680}, {0, 255}};
    for (const auto& r : results) {
        std::thread update([&] {
            int ms = r.ms < 0 ? -r.ms : r.ms;
            NTPTIME offset(ms / 1000, NTPTIME::MsToFraction(ms % 1000));
            STRING text;
            app->GetEngine().HandleNewResult(text, r.ms < 0 ? offset.Negate() : offset);
        });
        update.join();
        Settle();
        EXPECT_EQ(app->GetDockClock()->GetTextColour(), r.colour) << r.ms;
    }
    // The update thread's end takes the clock away; nothing reaches it afterwards.
    app->Send(WM__DELETEDOCKCLOCK);
    EXPECT_EQ(app->GetDockClock(), nullptr);
    std::thread update([&] { app->ClockSet(true); });
    update.join();
    Settle();
}
