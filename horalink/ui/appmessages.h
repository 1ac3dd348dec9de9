// The private messages and timers of horalink's main window: the numbers other parts
// of the program post to it, the ones by which the main window hands work from other
// threads to its own thread (timers can only be started by the window's thread), and
// the window's timers.
#pragma once

#include "dockwindow.h"   // WM__DOCKWINDOWCHANGED (1060), the dock clock's report
#include "taskbaricon.h"  // WM__TASKBAR (1088), the tray icon's callback

#include <windows.h>

const UINT WM__FILLLIST = 1028;         // start filling the status list
const UINT WM__TICKUPDATE = 1029;       // the update thread's tick: refresh the time rows
const UINT WM__DELETEDOCKCLOCK = 1031;  // destroy the dock clock
const UINT WM__DOCKCHANGED = WM__DOCKWINDOWCHANGED;  // the dock clock was docked or undocked
// The assistant: an event (wParam AGENTREQUEST_EVENT, lParam the name, a malloc'ed copy
// the window frees) or the looping animation to end (AGENTREQUEST_CUT); a request of
// the server started (wParam 0) or completed (1), lParam its id.
const UINT WM__MSAGENTREQUEST = 1094;
const UINT WM__MSAGENTNOTIFY = 1095;
const WPARAM AGENTREQUEST_EVENT = 0;
const WPARAM AGENTREQUEST_CUT = 1;

// Handed over from other threads: start timer wParam with lParam milliseconds, stop
// timer wParam, run the refreshes whose bits are pending (see APP::Refresh).
const UINT WM__STARTTIMER = WM_APP + 1;
const UINT WM__STOPTIMER = WM_APP + 2;
const UINT WM__REFRESH = WM_APP + 3;
// Something went wrong that the user must hear of: the box once the window's loop runs.
const UINT WM__WARNING = WM_APP + 4;

// Timers of the main window.
const UINT_PTR TIMER_DOCKSTATUS = 1;  // status shown on the dock clock: back to the clock
const UINT_PTR TIMER_TITLE = 4;       // refresh the window title
const UINT_PTR TIMER_ALARM = 5;       // play the alarm sound again
const UINT_PTR TIMER_ATTENTION = 6;   // blink the tray icon
const UINT_PTR TIMER_QUIT = 7;        // the update thread did not end in time
const UINT_PTR TIMER_AGENT = 1033;    // the assistant's looping animation ends

const UINT ATTENTION_PERIOD_MS = 666;
// How long the dock clock shows the status after setting the clock and after an update.
const UINT DOCK_STATUS_ADJUSTED_MS = 3000;
const UINT DOCK_STATUS_CHECKED_MS = 5000;
// How long the assistant's looping animations ("Search", "Process") run with
// AgentShortAnim, and how long the update thread waits at most for the assistant's last
// sequence before it hands over the next event anyway.
const UINT AGENT_SHORTANIM_MS = 4000;
const DWORD AGENT_EVENT_WAIT_MS = 30000;
