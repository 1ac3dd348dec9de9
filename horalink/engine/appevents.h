// APPEVENTS: what the time engine asks of the program's windows. The engine runs
// on the update thread and never touches a window itself; the main window (APP)
// implements these calls by handing the work to the window thread, and tests
// implement them by recording what was asked.
#pragma once

#include <windows.h>

// Timers of the main window.
const UINT_PTR TIMER_DOCKSTATUS = 1;  // status shown on the dock clock: back to the clock
const UINT_PTR TIMER_TITLE = 4;       // refresh the window title
const UINT_PTR TIMER_ALARM = 5;       // play the alarm sound again
const UINT_PTR TIMER_ATTENTION = 6;   // blink the tray icon
const UINT_PTR TIMER_QUIT = 7;        // the update thread did not end in time
const UINT_PTR TIMER_AGENT = 1033;    // the assistant's timer

const int ATTENTION_PERIOD_MS = 666;

class APPEVENTS {
public:
    virtual ~APPEVENTS() {}

    // Starts (or restarts) and stops a timer of the main window, from any thread.
    virtual void StartTimer(UINT_PTR id, UINT milliseconds) = 0;
    virtual void StopTimer(UINT_PTR id) = 0;

    // Asks a Yes/No question on the calling thread (question icon, in front);
    // true for Yes.
    virtual bool AskYesNo(const char* title, const char* text) = 0;
    // Plays a wave file asynchronously, without the default sound when it is missing.
    virtual void PlayWave(const char* file) = 0;

    // The window refreshes: the whole status list, its state row, the tray icon with
    // its tool tip (under the APP mutex), the menu states.
    virtual void RefreshStatusScreen() = 0;
    virtual void RefreshStateRow() = 0;
    virtual void RefreshTrayIcon() = 0;
    virtual void RefreshMenus() = 0;

    // The dock clock: two status lines instead of time and date for a while
    // (TIMER_DOCKSTATUS brings the clock back; 0 ms: until the next command or status),
    // and the colour of its digits.
    virtual void DockShowText(const char* line1, const char* line2, UINT milliseconds) = 0;
    virtual void DockColour(COLORREF colour) = 0;

    // An event for the animated assistant ("OnCheck", "OnGoodMatch", "OnNeedClockAdjust",
    // "OnClockAdjusted", "exit"); returns when the assistant has acted it out, at once
    // when the assistant is not up.
    virtual void AgentEvent(const char* name) = 0;

    // The update thread's tick (message 1029), its end (message 1031 sent, WM_QUIT
    // posted) and a command for the main window (WM_COMMAND, e.g. exit).
    virtual void PostTick() = 0;
    virtual void ThreadEnded() = 0;
    virtual void PostCommand(int id) = 0;
};
