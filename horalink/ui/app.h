// APP, horalink's application object: the main window, which owns the settings, the
// system clock and the time engine that uses them, the menus, the tool bar and the
// tray icon. It listens to the engine's reports and decides how each shows, handing
// the work to the window's own thread.
#pragma once

#include "appengine.h"
#include "clock.h"
#include "dockclock.h"
#include "engineevents.h"
#include "hash.h"
#include "menu.h"
#include "newtoolbar.h"
#include "semaphores.h"
#include "settingsdialog.h"
#include "statuslist.h"
#include "strings.h"
#include "taskbaricon.h"
#include "window.h"

#include <windows.h>

#include <atomic>
#include <memory>

class HELPFILE;
class HORAAGENT;

// The main window's class; in service mode SERVICE_CLASS_SUFFIX is appended.
const char APP_WINDOW_CLASS[] = "KelvoHoralinkWinClass";
const char SERVICE_CLASS_SUFFIX[] = "Service";
// The window placement's value below "Software\Kelvo\" + the registry name.
const char WINDOWPOS_VALUE[] = "WindowPos";
// The window's place without a stored one: this size at the top right of the desktop.
const int APP_DEFAULT_WIDTH = 300;
const int APP_DEFAULT_HEIGHT = 350;
// How long closing waits for the update thread before the program ends anyway, and
// how long the destructor still waits for it.
const UINT QUIT_SAFETY_MS = 30000;
const int THREAD_END_WAIT_MS = 2000;
// The control ids of the tool bar, the dock clock and the status list.
const int APP_TOOLBAR_ID = 2001;
const int APP_DOCKCLOCK_ID = 2000;
const int APP_STATUSLIST_ID = 2002;
// The dock clock's first place and size, its extra style bits and where its floating
// place is kept (this prefix and "Pos").
const int DOCKCLOCK_X = 0;
const int DOCKCLOCK_Y = 0;
const int DOCKCLOCK_CX = 100;
const int DOCKCLOCK_CY = 40;
const DWORD DOCKCLOCK_STYLEEXTRA = 0x20;
const char DOCKCLOCK_KEYPREFIX[] = "DockClock";

// Refreshes the window thread runs for other threads (bits of APP::Refresh).
const LONG REFRESH_STATUSSCREEN = 1;
const LONG REFRESH_STATEROW = 2;
const LONG REFRESH_TRAYICON = 4;
const LONG REFRESH_MENUS = 8;

class APP : public WINDOW, public ENGINEEVENTS, public SETTINGSEVENTS {
public:
    // Reads the settings, builds and shows the window and starts the update thread;
    // startminimized is the "MIN" switch. help is the program's help file.
    APP(bool startminimized, HELPFILE& help);
    // Switches the drift correction off, stops the update thread, removes the tray icon
    // and saves the settings (unless the session end did).
    ~APP() override;

    LRESULT WinProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    // Carries out a menu, tool bar, tray or accelerator command; 1 when handled.
    int DoCommand(int id);

    // The time engine this window shows.
    APPENGINE& GetEngine() { return Engine; }

    // ---- ENGINEEVENTS (appevents.cpp): what the engine reports, turned into what the
    // window, the tray icon, the dock clock and the assistant show. From any thread.
    void Tick() override;
    void CheckStarted(const char* server) override;
    void StatusChanged() override;
    void ResultJudged(const CHECKRESULT& result) override;
    void AlarmWanted(const char* file, int repeatseconds) override;
    bool AskYesNo(const char* title, const char* text) override;
    void ClockSet(bool set) override;
    void CheckDone(bool good) override;
    void ExitRequested() override;
    void ThreadEnded() override;
    void DriftRefused(long long nanoseconds, long long limit) override;
    void SettingsSaved(bool saved) override;

    // ---- SETTINGSEVENTS: what new settings set going beyond the table.
    void SetLanFlags(bool lanclient, bool lanserver) override;
    void ApplyDrift() override;
    void ApplyWindows() override;

    // ---- Work for the window thread, callable from any thread (appevents.cpp).
    // Starts (or restarts) and stops a timer of the main window.
    void StartTimer(UINT_PTR id, UINT milliseconds);
    void StopTimer(UINT_PTR id);
    // The window refreshes: the whole status list, its state row, the tray icon with
    // its tool tip (under the APP mutex), the menu states.
    void RefreshStatusScreen();
    void RefreshStateRow();
    void RefreshTrayIcon();
    void RefreshMenus();

    // ---- The alarm (appevents.cpp): the sound file that timer 5 plays again (empty
    // while none repeats), and stopping it (command 2119, a right clock).
    STRING GetAlarmSound();
    void StopAlarm();

    // ---- What the window shows (apptray.cpp).
    // The tray icon's attention blinking: on while the clock is known wrong and nothing
    // is about to set it, until a command or a click; timer 6 toggles its phase.
    bool IsAttentionOn() const { return Attention; }
    // The window title: text 10004, the mode's name, " V" and the version (unless
    // "NOVERS"), and text 2919 while suspended.
    STRING TitleText();
    // The tray icon's tool tip: text 2901, ": " and TimeLastStatus.
    STRING TrayTooltipText();
    // The tray icon's number n (resource 2050 + n): 3 in the attention phase, else 1
    // while suspended, else 2 after at least two failed tries in a row, else 0.
    static int TrayIconNumber(bool attentionphase, bool suspended, const STRING& lastok,
                              int errcount);
    // What the tray icon shows now (resource id 0 and an empty tip before it exists).
    int GetTrayIconId();
    STRING GetTrayTooltip();

    // ---- Menu states (appcommands.cpp).
    // Gives menu the states of now: the main menu, or the tray menu (traymenu set).
    void ApplyMenuStates(MENU& menu, bool traymenu);
    MENU& GetMainMenu() { return MainMenu; }
    NEWTOOLBAR& GetToolbar() { return Toolbar; }
    STATUSLIST& GetStatusList() { return StatusList; }
    // The dock clock, absent once the update thread has ended; only the window thread
    // may keep the pointer (others go through the calls below).
    DOCKCLOCK* GetDockClock() { return DockClock.get(); }
    const STRING& GetDataFolder() const { return DataFolder; }

    // ---- The assistant (agenthandling.cpp).
    // Starts it (on: when AgentSupportActive is 1, none runs yet and this is no
    // service; a server that cannot be used switches the setting off and tells the user
    // once) or stops it. Window thread.
    void MakeMsAgent(int on);
    // Hands the event name to the assistant, when it is up: with wait, the caller (the
    // update thread) first waits for the last sequence to end, at most
    // AGENT_EVENT_WAIT_MS. From any thread; the window thread never waits.
    void AgentEvent(const char* name, int wait);
    // The window's messages of the assistant (1094, 1095, timer 1033); 1 when handled.
    int HandleAgentMessage(UINT message, WPARAM wParam, LPARAM lParam);
    // Whether an assistant is up (its character loaded).
    bool AgentRunning();

    // Process-wide switches: "SERVICE" (service mode), and this program's window class.
    static bool ServiceMode();
    // A report in service mode: into the log and assert.log, no box.
    static void ReportQuietly(const STRING& text);
    static STRING WindowClassName(bool service);
    // The key below "Software\Kelvo" for the window placement, the tips and the tool
    // bar: text 10002; only tests set another one (before constructing APP).
    static STRING RegistryName();
    static void SetRegistryName(const char* name);
    // Where the help file (text 10003) belongs: beside the program.
    static STRING HelpFilePath();

private:
    // Construction steps (app.cpp).
    bool CreateMainWindow();
    void ReadSettings();
    void BuildToolbar();
    void PlaceWindow(bool startminimized);
    void ShowTipOfTheDay(bool ondemand);
    STRING TipsFile();

    // Messages (app.cpp).
    bool OnTimer(UINT_PTR id);
    void OnTaskbar(WPARAM wParam, LPARAM lParam);
    LRESULT OnEndSession(bool ending);
    void OnClose();
    void OnMoveSize(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnNotify(NMHDR* header);
    void OnPaint();
    void Arrange();
    void BeginQuit();
    bool SaveSettings();

    // Handing work to the window thread: the refreshes of what (REFRESH_ bits) run at
    // once on the window thread, and are posted to it from any other.
    bool OnWindowThread() const;
    void Refresh(LONG what);
    void RunRefreshes();

    // Tray icon and title (apptray.cpp), menu states (appcommands.cpp): window thread only.
    void UpdateTrayIcon();
    void DrawTrayIcon(bool blinking = false);
    void RemoveTrayIcon();
    void UpdateTitle();
    void StartAttention();
    void StopAttention();
    void StopAttentionBlinking();
    void ShowTrayMenu();

    // Commands (appcommands.cpp).
    void RunCommand(int id, int& rc);
    void CheckNow();
    void ToggleSuspend();
    void SetMode(int mode);
    void ShowMainWindow();
    void Exit();
    void RunSettingsDialog();
    void ShowHelpTopic(int topic);
    void ShowHelpContents();
    void ShowHelpMissing();
    void UpdateMenuStates();

    // Sound, once (appevents.cpp).
    void PlayWave(const char* file);
    // A warning box shown once the window's loop runs (appevents.cpp): texts that come
    // before it does are joined into one box; in service mode a quiet report.
    void WarnLater(const STRING& text);
    void OnWarning();
    // Tells the user that the settings were not saved: why, and where.
    void ReportNotSaved();

    // The dock clock and the status list (appviews.cpp). The dock clock shows two
    // status lines instead of time and date for a while (timer 1 brings the clock back;
    // 0 ms: until the next status) and its digits in a colour; from any thread.
    void CreateViews();
    void ApplyDockClock();
    void DockShowText(const char* line1, const char* line2, UINT milliseconds);
    void DockColour(COLORREF colour);
    // The digit colour of a result level (ClockColor0..2).
    COLORREF LevelColour(int level);
    void DockClockStopUpdating();
    void DockClockToTop();
    void DockClockTopmost(bool topmost);
    void DockClockDestroy();
    void DockClockDockChanged();
    void DockClockResetText();
    void StatusListFill();
    void StatusListRefreshAll();
    void StatusListRefreshTimes();
    void StatusListRefreshState();
    LRESULT OnStatusListNotify(NMHDR* header);
    // The assistant's sequences on the window thread (agenthandling.cpp): one event
    // acted out, the looping animation cut short, the assistant destroyed.
    void HandleAgentEvent(const char* name);
    void AgentCutAnimation();
    void DestroyAgent();

    // The engine's settings and clock come first: the engine is built after and
    // destroyed before them.
    HASH SettingsTable;
    PLATFORMCLOCK PlatformClock;
    APPENGINE Engine;

    HELPFILE& Help;
    STRING DataFolder;
    MENU MainMenu;
    NEWTOOLBAR Toolbar;
    STATUSLIST StatusList;
    // Guards the pointer DockClock: the window thread destroys the clock while the
    // update thread may still pass it texts.
    CRITSECT DockLock;
    std::unique_ptr<DOCKCLOCK> DockClock;
    MUTEXSEM AppMutex;                         // guards TrayIcon, TrayTooltip, AlarmSoundFile
    std::unique_ptr<TASKBARICON> TrayIcon;     // absent until first needed
    STRING TrayTooltip;
    int TrayIconId;
    int TrayCalls;                             // shell calls of TrayIcon under way (APP mutex)
    bool TrayRemovePending;                    // TrayIcon goes when they are done
    UINT TaskbarCreatedMessage;
    DWORD WindowThreadId;
    std::atomic<LONG> PendingRefresh;
    STRING NotifyTipText;  // handed to a tool tip that asks the window
    bool Attention;        // window thread only
    bool AttentionPhase;
    STRING AlarmSoundFile;  // under AppMutex
    const bool ServiceRun;       // the "SERVICE" switch
    const bool NoVersion;        // the "NOVERS" switch
    const bool DataFolderFixed;  // the "WORKDIR" option
    bool Constructed;
    bool Ending;
    bool SavedAtSessionEnd;
    std::atomic<bool> WarningPending;  // one box for the texts that came meanwhile
    STRING WarningText;                // its text, under AppMutex
    bool SettingsWritable;             // false: the file was there but not read; keep it
    // The assistant: created and destroyed on the window thread; other threads look at
    // it only under AgentLock.
    CRITSECT AgentLock;
    std::unique_ptr<HORAAGENT> Agent;
    unsigned int AgentCutRequest;  // the looping animation to cut short (window thread)
};
