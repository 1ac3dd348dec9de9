// ENGINEEVENTS: what the time engine reports. The engine says what happened (an
// update began, a result was judged, the clock was set or refused, an alarm is due);
// how that shows is for the listener to decide: the main window turns the reports
// into timers, tray icon, dock clock and assistant, tests record them. Reports come
// from the engine's threads, mostly the update thread, never from a window's.
#pragma once

#include "strings.h"

// A judged result: its level, the signed difference in milliseconds (positive: the PC
// is behind) and the two status texts it left in TimeLastStatus and TimeLastStatus2.
struct CHECKRESULT {
    int Level = 0;
    long long Ms = 0;
    STRING Status;
    STRING Status2;
};

class ENGINEEVENTS {
public:
    virtual ~ENGINEEVENTS() {}

    // The update thread's round (every 500 ms): times shown may move on.
    virtual void Tick() = 0;

    // An update begins; server is the one asked first (TimeServer).
    virtual void CheckStarted(const char* server) = 0;
    // The status keys changed (a try began, a result was recorded).
    virtual void StatusChanged() = 0;
    // A good result has been judged; the decision about the clock comes next.
    virtual void ResultJudged(const CHECKRESULT& result) = 0;
    // The clock is to be set at result level 2 and the user wants to hear it: play file,
    // and again every repeatseconds until the clock is right (0: once).
    virtual void AlarmWanted(const char* file, int repeatseconds) = 0;
    // The question whether to set the clock; true for Yes. Blocks the caller.
    virtual bool AskYesNo(const char* title, const char* text) = 0;
    // The clock was set by the stored offset (set), or the platform refused it.
    virtual void ClockSet(bool set) = 0;
    // An update has ended, good (a server answered) or not; the status keys are final.
    virtual void CheckDone(bool good) = 0;
    // One good update was all that was asked for: the program may end.
    virtual void ExitRequested() = 0;
    // The update thread has ended (its last report).
    virtual void ThreadEnded() = 0;
    // The drift correction of nanoseconds per tick was refused: it lies beyond limit.
    virtual void DriftRefused(long long nanoseconds, long long limit)
    {
        (void)nanoseconds;
        (void)limit;
    }
    // A LAN time server's answer was taken for this PC (server: its name).
    virtual void LanTimeReceived(const char* server) { (void)server; }
};
