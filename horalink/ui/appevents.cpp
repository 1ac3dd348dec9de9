// How the main window shows what the engine reports: each report becomes timers,
// refreshes of the status list, tray icon and menus, the dock clock's colour and
// texts, the alarm and the assistant's events. Reports come on the update thread;
// window work is handed to the window thread.
#include "app.h"

#include "appmessages.h"
#include "horalinkres.h"
#include "kelvo.h"
#include "osys.h"
#include "settingkeys.h"
#include "winmisc.h"

#include <mmsystem.h>

// ---------------------------------------------------------------- engine reports

void APP::Tick() { Post(WM__TICKUPDATE); }

void APP::CheckStarted(const char* server)
{
    RefreshStateRow();
    if (Engine.GetSettingInt(KEY::ClockDocked) == 0)
        DockShowText(APPENGINE::ResourceText(IDS_STATUSCHECKING), server, 0);
    AgentEvent("OnCheck", 1);
}

void APP::StatusChanged() { RefreshStatusScreen(); }

void APP::ResultJudged(const CHECKRESULT& result)
{
    RefreshStatusScreen();
    AgentEvent(result.Level == QUALITY_WRONG ? "OnNeedClockAdjust" : "OnGoodMatch", 1);
    DockColour(LevelColour(result.Level));
}

void APP::AlarmWanted(const char* file, int repeatseconds)
{
    PlayWave(file);
    if (repeatseconds <= 0) return;
    AppMutex.Obtain();
    AlarmSoundFile = file;
    AppMutex.Release();
    StartTimer(TIMER_ALARM, static_cast<UINT>(repeatseconds) * 1000);
    RefreshMenus();
}

bool APP::AskYesNo(const char* title, const char* text)
{
    // As a service nobody sees the box and the update thread would wait for ever. The
    // question comes only while ProAutoTime is off: the settings' answer is No.
    if (ServiceRun) {
        Logit("APP::AskYesNo in service mode: no (%s)\n", text ? text : "");
        return false;
    }
    // Asked on the calling thread, which waits; the window thread goes on meanwhile.
    return WINKELVO::YesNoMsgBox(nullptr, title, text);
}

void APP::ClockSet(bool set)
{
    // A refused setting leaves the clock wrong: the alarm goes on, and the tray icon's
    // refresh lets the attention follow TimeLastQuality as after an update.
    if (set) StopAlarm();
    RefreshTrayIcon();
    const char* colour = set ? KEY::ClockColor0 : KEY::ClockColor2;
    DockColour(static_cast<COLORREF>(Engine.GetSetting(colour).ToInt64()));
    DockShowText(Engine.GetSetting(KEY::TimeLastStatus), Engine.GetSetting(KEY::TimeLastStatus2),
                 DOCK_STATUS_ADJUSTED_MS);
    RefreshMenus();
    AgentEvent(set ? "OnClockAdjusted" : "OnNeedClockAdjust", 1);
    RefreshStatusScreen();
}

void APP::CheckDone(bool good)
{
    (void)good;
    if (Engine.GetSettingInt(KEY::ClockDocked) == 0)
        DockShowText(Engine.GetSetting(KEY::TimeLastStatus), Engine.GetSetting(KEY::TimeLastStatus2),
                     DOCK_STATUS_CHECKED_MS);
    // A clock that is right again needs no alarm; a wrong one keeps it going.
    if (Engine.GetSettingInt(KEY::TimeLastQuality) < QUALITY_WRONG) StopAlarm();
    RefreshStatusScreen();
    RefreshTrayIcon();
    RefreshMenus();
    RefreshStateRow();
}

void APP::ExitRequested() { Post(WM_COMMAND, MAKEWPARAM(IDM_EXIT, 0)); }

void APP::ThreadEnded()
{
    AgentEvent("exit", 1);
    // Posted, not sent: the window thread may be waiting for this thread in ~APP.
    Post(WM__DELETEDOCKCLOCK);
    Post(WM_QUIT);
}

void APP::DriftRefused(long long nanoseconds, long long limit)
{
    WarnLater(APPENGINE::DriftRefusedText(nanoseconds, limit));
}

void APP::SettingsSaved(bool saved)
{
    if (!saved) ReportNotSaved();
}

// Shown once the window's loop runs, so that a warning at start does not hold up the
// construction; in service mode nobody could answer it: the log and assert.log keep it.
void APP::WarnLater(const STRING& text)
{
    if (ServiceRun) {
        ReportQuietly(text);
        return;
    }
    AppMutex.Obtain();
    // The same text twice (the same refusal again) is told once.
    if (WarningText.Pos(text) < 0) {
        if (WarningText.Length() > 0) WarningText += "\n\n";
        WarningText += text;
    }
    AppMutex.Release();
    if (!WarningPending.exchange(true)) Post(WM__WARNING);
}

void APP::ReportQuietly(const STRING& text)
{
    SetLastError(0);  // the report is no system error
    ASSERTTEXTQUIET(false, "service mode: no box", text);
}

void APP::OnWarning()
{
    AppMutex.Obtain();
    STRING text = WarningText;
    WarningText = "";
    AppMutex.Release();
    WarningPending = false;
    if (text.Length() > 0) WINKELVO::WarningMsgBox(hWnd, OSYS::GetStringFromResource(IDS_MSGTITLE), text);
}

// ---------------------------------------------------------------- the alarm

STRING APP::GetAlarmSound()
{
    AppMutex.Obtain();
    STRING file = AlarmSoundFile;
    AppMutex.Release();
    return file;
}

void APP::StopAlarm()
{
    AppMutex.Obtain();
    bool on = AlarmSoundFile.Length() > 0;
    AlarmSoundFile.SetNull();
    AppMutex.Release();
    if (!on) return;
    Logit("APP::StopAlarm\n");
    StopTimer(TIMER_ALARM);
}

void APP::PlayWave(const char* file)
{
    PlaySoundA(file, nullptr, SND_FILENAME | SND_ASYNC | SND_NODEFAULT);
}

// ---------------------------------------------------------------- window thread

bool APP::OnWindowThread() const { return GetCurrentThreadId() == WindowThreadId; }

void APP::StartTimer(UINT_PTR id, UINT milliseconds)
{
    if (OnWindowThread())
        SetTimer(hWnd, id, milliseconds, nullptr);
    else
        Post(WM__STARTTIMER, id, milliseconds);
}

void APP::StopTimer(UINT_PTR id)
{
    if (OnWindowThread())
        KillTimer(hWnd, id);
    else
        Post(WM__STOPTIMER, id);
}

// Refreshes asked for on other threads are collected and run in one go on the window
// thread: one message is on its way while any are pending.
void APP::Refresh(LONG what)
{
    if (!OnWindowThread()) {
        if (PendingRefresh.fetch_or(what) == 0) Post(WM__REFRESH);
        return;
    }
    if (what & REFRESH_STATUSSCREEN) StatusListRefreshAll();
    if (what & REFRESH_STATEROW) StatusListRefreshState();
    if (what & REFRESH_TRAYICON) UpdateTrayIcon();
    if (what & REFRESH_MENUS) UpdateMenuStates();
}

void APP::RunRefreshes() { Refresh(PendingRefresh.exchange(0)); }

void APP::RefreshStatusScreen() { Refresh(REFRESH_STATUSSCREEN); }
void APP::RefreshStateRow() { Refresh(REFRESH_STATEROW); }
void APP::RefreshTrayIcon() { Refresh(REFRESH_TRAYICON); }
void APP::RefreshMenus() { Refresh(REFRESH_MENUS); }
