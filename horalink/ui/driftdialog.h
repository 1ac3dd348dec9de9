// The drift calculator: how many seconds the clock gains or loses in how many hours,
// turned into nanoseconds per clock tick for the drift page of the settings.
#pragma once

#include "clock.h"
#include "strings.h"

#include <windows.h>

// The calculator's three values (TimeDriftCalc1..3) as the settings keep them.
struct DRIFTVALUES {
    STRING Seconds;  // seconds gained or lost, 0..9999
    STRING Hours;    // in how many hours, 1..48
    STRING Fast;     // 0: the clock is slow, 1: it is fast
};

// Runs the calculator over owner on values. With OK the values are kept and the
// drift page shows the clock tick (control 204) and the correction (control 205)
// read from clock, or "N/A" when the clock tick cannot be read; true for OK.
bool RunDriftCalculator(HWND owner, HWND driftpage, DRIFTVALUES& values, SYSTEMCLOCK& clock);
