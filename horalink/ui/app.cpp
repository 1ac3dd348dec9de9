// APP's life and its window procedure: construction in the order of a start
// (settings, window, tool bar, placement, update thread, drift, tray icon, tip of the
// day), the messages of the main window, how the program ends, and how work asked
// for on other threads reaches the window thread.
#include "app.h"

#include "appmessages.h"
#include "filename.h"
#include "horaagent.h"
#include "horalinkres.h"
#include "kelvo.h"
#include "kelvoapp.h"
#include "osys.h"
#include "settingkeys.h"
#include "settings.h"
#include "tips.h"
#include "versionupgrade.h"
#include "winhelp.h"
#include "winmisc.h"
#include "workdir.h"

#include <commctrl.h>
#include <cstdlib>
#include <mmsystem.h>

static STRING registry_name_override;

// A test seam, not a setting: a test that starts the program serves its SNTP on a port
// of its own (any other port than 123 needs no privilege and meets no other server).
const char TEST_SNTPSERVERPORT_VARIABLE[] = "HORALINK_TEST_SNTPSERVERPORT";

static void apply_test_sntpserverport(APPENGINE& engine)
{
    char value[16] = {};
    DWORD n = GetEnvironmentVariableA(TEST_SNTPSERVERPORT_VARIABLE, value, sizeof value);
    if (n == 0 || n >= sizeof value) return;
    long port = atol(value);
    if (port < 1 || port > 65535) return;
    Logit("APP::APP test seam %s=%ld\n", TEST_SNTPSERVERPORT_VARIABLE, port);
    ENGINETIMINGS timings = engine.GetTimings();
    timings.SntpServerPort = static_cast<unsigned short>(port);
    engine.SetTimings(timings);
}

// ---------------------------------------------------------------- process-wide values

bool APP::ServiceMode() { return TestArg("SERVICE"); }

STRING APP::WindowClassName(bool service)
{
    STRING name = APP_WINDOW_CLASS;
    if (service) name += SERVICE_CLASS_SUFFIX;
    return name;
}

STRING APP::RegistryName()
{
    if (registry_name_override.NotEmpty()) return registry_name_override;
    return OSYS::GetStringFromResource(IDS_HELPNAME);
}

void APP::SetRegistryName(const char* name) { registry_name_override = name; }

// ---------------------------------------------------------------- construction

APP::APP(bool startminimized, HELPFILE& help)
    : Engine(SettingsTable, PlatformClock, *this), Help(help), MainMenu(IDR_MAINMENU),
      StatusList(Engine, PlatformClock),
      TrayIconId(0), TrayCalls(0), TrayRemovePending(false), TaskbarCreatedMessage(RegisterWindowMessageA("TaskbarCreated")),
      WindowThreadId(GetCurrentThreadId()), PendingRefresh(0), Attention(false),
      AttentionPhase(false), ServiceRun(ServiceMode()), NoVersion(TestArg("NOVERS")),
      DataFolderFixed(TestArgValue("WORKDIR", 0)), Constructed(false), Ending(false),
      SavedAtSessionEnd(false), WarningPending(false), SettingsWritable(true),
      AgentCutRequest(MSAGENT_NOID)
{
    Logit("APP::APP\n");
    AppMutex.SetWindowThread(WindowThreadId);
    if (!CreateMainWindow()) return;
    apply_test_sntpserverport(Engine);
    ReadSettings();
    BuildToolbar();
    CreateViews();
    ApplyWindows();
    PlaceWindow(startminimized);
    if (!Engine.StartWorkThread()) Logit("APP::APP the update thread did not start\n");
    ApplyDrift();
    if (TestArg("CHECK")) Engine.ScheduleNow();
    UpdateTrayIcon();
    MakeMsAgent(1);
    Engine.StartLan();
    Constructed = true;
    if (!ServiceRun) ShowTipOfTheDay(false);
    Logit("APP::APP done\n");
}

bool APP::CreateMainWindow()
{
    STRING classname = WindowClassName(ServiceRun);
    HICON icon = LoadIconA(KELVOAPP::ResourceModule(), MAKEINTRESOURCEA(IDI_HORALINK));
    if (!RegisterWinClass(classname, CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS, icon)) return false;
    if (!Create(classname, OSYS::GetStringFromResource(IDS_MSGTITLE),
                WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT, CW_USEDEFAULT,
                APP_DEFAULT_WIDTH, APP_DEFAULT_HEIGHT))
        return false;
    HICON small = static_cast<HICON>(LoadImageA(KELVOAPP::ResourceModule(),
                                                MAKEINTRESOURCEA(IDI_HORALINK), IMAGE_ICON,
                                                GetSystemMetrics(SM_CXSMICON),
                                                GetSystemMetrics(SM_CYSMICON), LR_SHARED));
    if (small) Send(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
    // The data folder step disables its menu item when the folder is given.
    SetMenu(hWnd, MainMenu.GetHandle());
    return true;
}

// The start-up reading of the settings: data folder, old file moved in, the file with
// its defaults, the version upgrade, the LAN roles and the mode.
void APP::ReadSettings()
{
    Logit("APP::ReadSettings\n");
    WORKDIR workdir(hWnd, "Kelvo");
    workdir.SetRegistryName(RegistryName());
    workdir.SetQuiet(ServiceRun);
    STRING pending;
    workdir.GetWorkDir(hWnd, IDM_DATAFOLDER, DataFolder, pending, WORKDIR_SYSTEMFOLDER);
    SETTINGS::Migrate(DataFolder);
    // The update thread does not run yet: the table is this thread's alone.
    unsigned long now = Engine.NowSeconds();
    SETTINGSFILESTATE state = SETTINGSFILE_MISSING;
    SETTINGS::Read(SettingsTable, DataFolder, now, &state);
    if (state == SETTINGSFILE_UNREADABLE || state == SETTINGSFILE_TOOLARGE) {
        // Not a first start: no wizard, no upgrade, and the file is never saved over.
        // The program runs on the defaults until the file can be read again.
        SettingsWritable = false;
        STRING file = SETTINGS::FilePath(DataFolder);
        STRING first = OSYS::GetStringFromResource(
            state == SETTINGSFILE_TOOLARGE ? IDS_SETTINGSTOOLARGE : IDS_SETTINGSUNREADABLE);
        STRING second = APPENGINE::ResourceText(IDS_SETTINGSKEPT, file);
        SettingsTable[KEY::TimeLastStatus] = first;
        SettingsTable[KEY::TimeLastStatus2] = second;
        WarnLater(first + "\n\n" + second);
    } else if (ServiceRun) {
        // The upgrade asks (the first start's wizard, its notes): it waits for a start
        // that someone can see, and the version stays as it was until then.
        Logit("APP::ReadSettings in service mode: no version upgrade\n");
    } else {
        // A wizard that asked for the assistant has set AgentSupportActive: the start
        // of the assistant later in the construction brings it up.
        UPGRADERESULT upgrade = VersionUpgrade(SettingsTable, DataFolder, hWnd, &Help, now);
        if (upgrade.StartAgent) Logit("APP::ReadSettings the wizard asked for the assistant\n");
    }
    SetLanFlags(SETTINGS::IsLanClient(SettingsTable), SETTINGS::IsLanServer(SettingsTable));
    SETTINGS::Apply(SettingsTable);
    Logit("APP::~ReadSettings %s\n", DataFolder.Text());
}

void APP::BuildToolbar()
{
    Toolbar.Create(hWnd, APP_TOOLBAR_ID, IDB_TOOLBAR16, IDB_TOOLBAR24, RegistryName());
    Toolbar.SetMenu(MainMenu.GetHandle());
    Toolbar.AddButton(IDM_CHECKNOW, 0);
    Toolbar.AddButton(IDM_ADJUSTNOW, 1);
    Toolbar.AddSeparator();
    Toolbar.AddButton(IDM_SUSPEND, 2, TBSTYLE_CHECK);
    Toolbar.AddButton(IDM_STOPALARM, 3);
    Toolbar.AddSeparator();
    Toolbar.AddButton(IDM_SETTINGS, 4);
    Toolbar.AddButton(IDM_HELPCONTENTS, 5);
    Toolbar.MenuImages(MainMenu.GetHandle(), 0);
}

void APP::PlaceWindow(bool startminimized)
{
    if (!RestoreWindowPos(RegistryName(), WINDOWPOS_VALUE)) {
        int width = GetSystemMetrics(SM_CXSCREEN);
        Move(width - APP_DEFAULT_WIDTH - 1, 1, APP_DEFAULT_WIDTH, APP_DEFAULT_HEIGHT);
    }
    bool minimise = startminimized || Engine.GetSettingInt(KEY::DlgStartMinimized) != 0 || ServiceRun;
    Logit("APP::PlaceWindow minimised=%d\n", minimise);
    Show(minimise ? SW_SHOWMINNOACTIVE : SW_SHOW);
    UpdateWindow(hWnd);
}

STRING APP::TipsFile()
{
    return FILENAME(KELVOAPP::ProgramDir(), OSYS::GetStringFromResource(IDS_TIPSFILE));
}

void APP::ShowTipOfTheDay(bool ondemand)
{
    ShowTips(hWnd, TipsFile(), RegistryName(), ondemand);
}

// ---------------------------------------------------------------- the end

APP::~APP()
{
    Logit("APP::~APP\n");
    // From here on the window's last messages change nothing: no placement to store,
    // no tray icon to bring back.
    Constructed = false;
    Ending = true;
    Engine.SetDrift(0, 0);
    MakeMsAgent(0);
    if (!Engine.StopWorkThread(THREAD_END_WAIT_MS))
        Logit("APP::~APP the update thread is still running\n");
    Engine.StopSntpServer();
    // The LAN devices come later.
    DockClockDestroy();
    RemoveTrayIcon();
    if (!SavedAtSessionEnd) SaveSettings();
    // The window goes while this object can still take its last messages; the menu is
    // the object's and must not go with it.
    if (hWnd) SetMenu(hWnd, nullptr);
    ReleaseWindow();
    Logit("APP::~APP done\n");
}

bool APP::SaveSettings()
{
    if (DataFolder.Length() == 0) return false;
    if (!SettingsWritable) {
        Logit("APP::SaveSettings keeps %s: it was there but could not be read\n", DataFolder.Text());
        return false;
    }
    bool ok;
    DWORD error;
    {
        SETTINGSGUARD guard(&Engine.SettingsLock());
        ok = SETTINGS::Save(SettingsTable, DataFolder);
        error = GetLastError();
    }
    Logit("APP::SaveSettings %s returns %d\n", DataFolder.Text(), ok);
    if (!ok) {
        SetLastError(error);
        ReportNotSaved();
    }
    return ok;
}

void APP::ReportNotSaved()
{
    STRING file = SETTINGS::FilePath(DataFolder);
    STRING text = SettingsWritable ? APPENGINE::ResourceText(IDS_SETTINGSNOTSAVED, file + ": " + ErrorText())
                                   : APPENGINE::ResourceText(IDS_SETTINGSKEPT, file);
    // While the program ends no loop will show a box later: now, then.
    if (ServiceRun)
        ReportQuietly(text);
    else if (Ending || !Constructed)
        WINKELVO::WarningMsgBox(nullptr, OSYS::GetStringFromResource(IDS_MSGTITLE), text);
    else
        WarnLater(text);
}

// Closing and the exit command: the update thread is asked to end and posts WM_QUIT
// when it has; timer 7 ends the program anyway should it not.
void APP::BeginQuit()
{
    DockClockStopUpdating();
    Engine.RequestStop();
    SetTimer(hWnd, TIMER_QUIT, QUIT_SAFETY_MS, nullptr);
    // Without a thread nobody else would post the quit message.
    if (!Engine.WorkThreadRunning()) PostQuitMessage(0);
}

// ---------------------------------------------------------------- SETTINGSEVENTS

void APP::SetLanFlags(bool lanclient, bool lanserver) { Engine.SetLanFlags(lanclient, lanserver); }

void APP::ApplyDrift()
{
    // Read in 64 bits: a number too large for an int reaches the band check as typed.
    Engine.SetDrift(Engine.GetSettingInt(KEY::TimeDriftDoAdjust) != 0 ? 1 : 0,
                    Engine.GetSetting(KEY::TimeDriftAdjustment).ToInt64());
}

void APP::ApplyWindows()
{
    ApplyDockClock();
    StatusList.SetBackground(static_cast<COLORREF>(Engine.GetSetting(KEY::ListviewColorBG).ToInt64()));
    bool showmenu = Engine.GetSettingInt(KEY::DlgHideMenu) == 0;
    if ((GetMenu(hWnd) != nullptr) != showmenu) SetMenu(hWnd, showmenu ? MainMenu.GetHandle() : nullptr);
    Toolbar.Show(Engine.GetSettingInt(KEY::DlgHideToolbar) == 0 ? SW_SHOW : SW_HIDE);
    Arrange();
    StatusListFill();
    UpdateTitle();
    UpdateMenuStates();
    if (Constructed) UpdateTrayIcon();
    // At start the constructor brings the assistant up once the window is complete.
    if (Constructed) MakeMsAgent(Engine.GetSettingInt(KEY::AgentSupportActive) == 1 ? 1 : 0);
}

// ---------------------------------------------------------------- window procedure

LRESULT APP::WinProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    LogitLevel(8, "APP WinProc msg=%04x mp1=%p mp2=%p\n", message, reinterpret_cast<void*>(wParam),
               reinterpret_cast<void*>(lParam));
    LRESULT result = 0;
    bool handled = true;
    bool passon = true;  // a result of 0 still goes to the default processing
    switch (message) {
    case WM_TIMER:
        handled = OnTimer(wParam);
        break;
    case WM_POWERBROADCAST:
        Logit("WM_POWERBRODCAST\n");
        // An unattended wake (a timer, the network) comes with PBT_APMRESUMEAUTOMATIC
        // alone: the clock stood still through the sleep just the same.
        if (wParam == PBT_APMRESUMESUSPEND || wParam == PBT_APMRESUMESTANDBY ||
            wParam == PBT_APMRESUMEAUTOMATIC)
            Engine.ScheduleNow();
        handled = false;
        break;
    case WM__FILLLIST:
        StatusList.FillFromQueue();
        UpdateMenuStates();
        break;
    case WM__TICKUPDATE:
        StatusListRefreshTimes();
        break;
    case WM__DELETEDOCKCLOCK:
        DockClockDestroy();
        break;
    case WM__DOCKCHANGED:
        DockClockDockChanged();
        break;
    case WM__TASKBAR:
        OnTaskbar(wParam, lParam);
        break;
    case WM__STARTTIMER:
        SetTimer(hWnd, wParam, static_cast<UINT>(lParam), nullptr);
        break;
    case WM__STOPTIMER:
        KillTimer(hWnd, wParam);
        break;
    case WM__REFRESH:
        RunRefreshes();
        break;
    case WM__WARNING:
        OnWarning();
        break;
    case WM__MSAGENTREQUEST:
    case WM__MSAGENTNOTIFY:
        HandleAgentMessage(message, wParam, lParam);
        break;
    case WM_ENDSESSION:
        result = OnEndSession(wParam != 0);
        break;
    case WM_QUERYENDSESSION:
        Logit("WM_QUERYENDSESSION\n");
        handled = false;
        break;
    case WM_ERASEBKGND:
        result = 1;  // WM_PAINT fills the whole client area
        break;
    case WM_PAINT:
        OnPaint();
        break;
    case WM_CLOSE:
        OnClose();
        // Never the default processing: it would destroy the window before the update
        // thread has ended.
        passon = false;
        break;
    case WM_MOVE:
    case WM_SIZE:
        OnMoveSize(message, wParam, lParam);
        break;
    case WM_NOTIFY:
        result = OnNotify(reinterpret_cast<NMHDR*>(lParam));
        break;
    case WM_INITMENUPOPUP:
        // Every pop-up opened for this window shows the states of now, the dock clock's
        // menu too; items a menu lacks are left alone.
        if (!HIWORD(lParam)) {
            MENU popup(reinterpret_cast<HMENU>(wParam));
            ApplyMenuStates(popup, true);
            ApplyMenuStates(popup, false);
        }
        handled = false;
        break;
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
    case WM_MENUCHAR:
        handled = Toolbar.MenuItemDrawing(message, wParam, lParam, &result);
        break;
    case WM_COMMAND:
        // Menus (0) and accelerators (1); the tool bar's clicks come as menu commands.
        if (HIWORD(wParam) == 0 || HIWORD(wParam) == 1) {
            DoCommand(LOWORD(wParam));
            if (hWnd) InvalidateRect(hWnd, nullptr, TRUE);
        } else {
            handled = false;
        }
        break;
    default:
        if (message == TaskbarCreatedMessage && message != 0) {
            Logit("WM_TASKBARCREATED entered\n");
            AppMutex.Obtain();
            TrayCalls++;
            bool added = TrayIcon && TrayIcon->Add();
            TrayCalls--;
            if (TrayRemovePending && TrayCalls == 0) RemoveTrayIcon();
            AppMutex.Release();
            if (!added) UpdateTrayIcon();
            Show(SW_HIDE);
        } else {
            handled = false;
        }
    }
    if (!handled || (result == 0 && passon)) result = WINDOW::WinProc(message, wParam, lParam);
    LogitLevel(7, "APP WinProc msg %4x returns %d\n", message, static_cast<int>(result));
    return result;
}

bool APP::OnTimer(UINT_PTR id)
{
    switch (id) {
    case TIMER_DOCKSTATUS:
        KillTimer(hWnd, TIMER_DOCKSTATUS);
        DockClockResetText();
        return true;
    case TIMER_TITLE:
        UpdateTitle();
        return true;
    case TIMER_ALARM: {
        STRING sound = GetAlarmSound();
        if (sound.Length() > 0) PlayWave(sound);
        return true;
    }
    case TIMER_ATTENTION:
        // A start handed over after the blinking was stopped again finds it off.
        if (!Attention) {
            KillTimer(hWnd, TIMER_ATTENTION);
            return true;
        }
        AttentionPhase = !AttentionPhase;
        DrawTrayIcon(true);
        return true;
    case TIMER_QUIT:
        Logit("HORALINK::WinProc got APP_TIMER_QUIT\n");
        KillTimer(hWnd, TIMER_QUIT);
        Post(WM__DELETEDOCKCLOCK);
        PostQuitMessage(0);
        return true;
    case TIMER_AGENT:
        return HandleAgentMessage(WM_TIMER, id, 0) != 0;
    default: {
        char info[48];
        snprintf(info, sizeof info, "timer id %u", static_cast<unsigned>(id));
        ASSERTTEXT(false, "FALSE", info);
        return false;
    }
    }
}

void APP::OnTaskbar(WPARAM wParam, LPARAM lParam)
{
    Logit("APP:WM__TASKBAR mp1= %d, mp2= %d\n", static_cast<int>(wParam), static_cast<int>(lParam));
    UINT mousemessage = static_cast<UINT>(lParam);
    StopAttentionBlinking();
    bool shift = GetKeyState(VK_SHIFT) < 0;
    switch (mousemessage) {
    case WM_LBUTTONDOWN:
        if (!shift) DockClockToTop();
        break;
    case WM_LBUTTONUP:
        if (shift) {
            int mode = Engine.GetSettingInt(KEY::DlgShiftClickMode);
            if (mode == 1)
                DoCommand(IDM_CHECKNOW);
            else if (mode == 2)
                DoCommand(IDM_ADJUSTNOW);
            else
                ASSERTTEXT(false, "FALSE", KEY::DlgShiftClickMode);
        }
        break;
    case WM_LBUTTONDBLCLK: {
        int mode = Engine.GetSettingInt(KEY::DlgDblClickMode);
        if (mode == 0)
            DoCommand(IDM_SHOWWINDOW);
        else if (mode == 1)
            DoCommand(IDM_CHECKNOW);
        else if (mode == 2)
            DoCommand(IDM_ADJUSTNOW);
        else
            ASSERTTEXT(false, "FALSE", KEY::DlgDblClickMode);
        break;
    }
    case WM_RBUTTONDOWN:
        ShowTrayMenu();
        break;
    }
}

LRESULT APP::OnEndSession(bool ending)
{
    Logit("WM_ENDSESSION\n");
    if (ServiceRun) {
        Logit("WM_ENDSESSION in service mode\n");
        RemoveTrayIcon();
        return 0;
    }
    // The session goes on after all (another program refused to end): so does this one.
    if (!ending) {
        Logit("WM_ENDSESSION session goes on\n");
        return 0;
    }
    // Saved first: the system may end the process at any moment while the thread is
    // waited for; the save after it keeps what the thread's last round wrote.
    SavedAtSessionEnd = true;
    SaveSettings();
    if (Engine.WorkThreadRunning()) {
        BeginQuit();
        // The system ends the process soon after this message: the thread's end is
        // waited for here, with the window's messages flowing.
        MSG msg;
        while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
            Logit("WM_ENDSESSION thread close dispatch loop\n");
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    Logit("WM_ENDSESSION thread closed\n");
    SaveSettings();
    PostQuitMessage(0);
    Logit("WM_ENDSESSION -> saved all and QUIT posted\n");
    return 1;
}

void APP::OnClose()
{
    Logit("WM_CLOSE\n");
    if (Engine.GetSettingInt(KEY::DlgCloseMinimize) != 0 || ServiceRun) {
        Show(SW_MINIMIZE);
        return;
    }
    BeginQuit();
    Logit("WM_CLOSE StopThread=TRUE\n");
}

void APP::OnMoveSize(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_SIZE && wParam == SIZE_MINIMIZED) {
        Logit("WM_MOVE/WM_SIZE minimize\n");
        if (Engine.GetSettingInt(KEY::DlgTaskbar) != 0) {
            BOOL rc = ShowWindow(hWnd, SW_HIDE);
            Logit("WM_MOVE/WM_SIZE minimize hide rc=%d\n", rc);
        }
    } else {
        Logit("WM_MOVE/WM_SIZE restore, msg= %08x mp1= %p, mp2= %p\n", message,
              reinterpret_cast<void*>(wParam), reinterpret_cast<void*>(lParam));
        // A maximised window needs its controls arranged too; its normal place is kept
        // along with the maximised state.
        if (!IsIconic(hWnd)) {
            Arrange();
            if (Constructed) StoreWindowPos(RegistryName(), WINDOWPOS_VALUE);
        }
    }
    if (Constructed) UpdateTrayIcon();
}

LRESULT APP::OnNotify(NMHDR* header)
{
    if (!header) return 0;
    if (header->code == TTN_GETDISPINFOA) {
        NMTTDISPINFOA* info = reinterpret_cast<NMTTDISPINFOA*>(header);
        NotifyTipText = (info->uFlags & TTF_IDISHWND) ? STRING("Toolbar tool tip for HWND")
                                                      : Toolbar.ToolTipText(static_cast<int>(header->idFrom));
        info->lpszText = NotifyTipText.Data();
        return 0;
    }
    if (header->idFrom == APP_STATUSLIST_ID && header->hwndFrom == StatusList.GetHwnd())
        return OnStatusListNotify(header);
    return 0;
}

void APP::OnPaint()
{
    PAINTSTRUCT ps;
    HDC hdc = BeginPaint(hWnd, &ps);
    RECT client;
    GetClientRect(hWnd, &client);
    HBRUSH brush = CreateSolidBrush(static_cast<COLORREF>(Engine.GetSetting(KEY::ClockColorBG).ToInt64()));
    FillRect(hdc, &client, brush);
    DeleteObject(brush);
    EndPaint(hWnd, &ps);
}

