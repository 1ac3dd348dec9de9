// The private messages of horalink's main window: the numbers other parts of the
// program post to it, and the ones by which the main window hands work from other
// threads to its own thread (timers can only be started by the window's thread).
#pragma once

#include "taskbaricon.h"  // WM__TASKBAR (1088), the tray icon's callback

#include <windows.h>

const UINT WM__FILLLIST = 1028;         // start filling the status list
const UINT WM__TICKUPDATE = 1029;       // the update thread's tick: refresh the time rows
const UINT WM__DELETEDOCKCLOCK = 1031;  // destroy the dock clock
const UINT WM__DOCKCHANGED = 1060;      // the dock clock was docked or undocked

// Handed over from other threads: start timer wParam with lParam milliseconds, stop
// timer wParam, run the refreshes whose bits are pending (see APP::Refresh).
const UINT WM__STARTTIMER = WM_APP + 1;
const UINT WM__STOPTIMER = WM_APP + 2;
const UINT WM__REFRESH = WM_APP + 3;
