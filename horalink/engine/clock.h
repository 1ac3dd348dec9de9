// The system clock as the engine sees it: reading and setting UTC and the
// clock-tick adjustment. The program uses the platform; tests hand the engine a
// clock of their own.
#pragma once

#include "ntptime.h"

#include <windows.h>

#include <mutex>

class SYSTEMCLOCK {
public:
    virtual ~SYSTEMCLOCK() {}

    // The current UTC time.
    virtual SYSTEMTIME GetUtc() = 0;
    // Sets UTC; error is the platform's error code when it refuses (0 on success).
    virtual bool SetUtc(const SYSTEMTIME& time, DWORD& error) = 0;
    // The clock-tick adjustment and increment (100-ns units) and whether the
    // platform's own regulation is on (disabled set).
    virtual bool GetAdjustment(DWORD& adjustment, DWORD& increment, BOOL& disabled) = 0;
    // Sets the clock-tick adjustment; error as with SetUtc.
    virtual bool SetAdjustment(DWORD adjustment, BOOL disabled, DWORD& error) = 0;
    // Milliseconds since the system started (GetTickCount64): runs on when the clock
    // is set, so it tells elapsed time from a changed clock.
    virtual ULONGLONG GetTicks() = 0;

    // The current UTC time as NTPTIME.
    NTPTIME Now() { return NTPTIME::FromSystemTime(GetUtc()); }
    // The current UTC time as finely as the clock can tell it; Now() unless a clock
    // knows better.
    virtual NTPTIME PreciseNow() { return Now(); }
    // A reading of a counter for short intervals, which setting the clock does not move,
    // and the time since such a reading (zero should the counter seem to run backwards).
    // The tick count unless a clock has a finer counter.
    virtual long long Counter() { return static_cast<long long>(GetTicks()); }
    virtual NTPTIME Since(long long counter);
    // The clock-tick increment (100-ns units) alone; false when the platform has none.
    bool GetTickIncrement(DWORD& increment)
    {
        DWORD adjustment = 0;
        BOOL disabled = TRUE;
        increment = 0;
        return GetAdjustment(adjustment, increment, disabled);
    }
};

// The platform's clock. Its precise time is the platform's own where it has one
// (looked up at run time), otherwise the system time interpolated with the
// performance counter, which is also its interval counter.
class PLATFORMCLOCK : public SYSTEMCLOCK {
public:
    SYSTEMTIME GetUtc() override;
    bool SetUtc(const SYSTEMTIME& time, DWORD& error) override;
    bool GetAdjustment(DWORD& adjustment, DWORD& increment, BOOL& disabled) override;
    bool SetAdjustment(DWORD adjustment, BOOL disabled, DWORD& error) override;
    ULONGLONG GetTicks() override;
    NTPTIME PreciseNow() override;
    long long Counter() override;
    NTPTIME Since(long long counter) override;

    // The system time between its ticks, from the performance counter (what PreciseNow
    // uses where the platform has no precise time).
    NTPTIME InterpolatedNow();

private:
    std::mutex InterpolationLock;
    bool Based = false;
    unsigned long long BaseTime = 0;  // FILETIME units, just after a tick
    long long BaseCounter = 0;        // the performance counter then
};
