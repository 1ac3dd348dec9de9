// The system clock as the engine sees it: reading and setting UTC and the
// clock-tick adjustment. The program uses the platform; tests hand the engine a
// clock of their own.
#pragma once

#include "ntptime.h"

#include <windows.h>

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
    // The clock-tick increment (100-ns units) alone; false when the platform has none.
    bool GetTickIncrement(DWORD& increment)
    {
        DWORD adjustment = 0;
        BOOL disabled = TRUE;
        increment = 0;
        return GetAdjustment(adjustment, increment, disabled);
    }
};

// The platform's clock.
class PLATFORMCLOCK : public SYSTEMCLOCK {
public:
    SYSTEMTIME GetUtc() override;
    bool SetUtc(const SYSTEMTIME& time, DWORD& error) override;
    bool GetAdjustment(DWORD& adjustment, DWORD& increment, BOOL& disabled) override;
    bool SetAdjustment(DWORD adjustment, BOOL disabled, DWORD& error) override;
    ULONGLONG GetTicks() override;
};
