// A system clock for tests: the real UTC time moved by a known offset, or a frozen
// time; it records what the code under test would set instead of setting it. The
// update thread may read it while the test moves it.
#pragma once

#include "clock.h"

#include <windows.h>

#include <functional>
#include <mutex>

class FAKECLOCK : public SYSTEMCLOCK {
public:
    // The real time plus offsetms.
    explicit FAKECLOCK(long long offsetms = 0);

    void SetOffsetMs(long long offsetms);
    // From now on GetUtc returns time (plus the offset).
    void Freeze(const SYSTEMTIME& time);

    SYSTEMTIME GetUtc() override;
    // Records the time and succeeds, or refuses with RefuseWith when that is set; runs
    // DuringSetUtc first (on the caller's thread), as other work would come in meanwhile.
    bool SetUtc(const SYSTEMTIME& time, DWORD& error) override;
    // The recorded clock-tick state; fails after RemoveAdjustment.
    bool GetAdjustment(DWORD& adjustment, DWORD& increment, BOOL& disabled) override;
    bool SetAdjustment(DWORD adjustment, BOOL disabled, DWORD& error) override;
    // The real tick count, or a fixed one while frozen, moved by MoveTicks.
    ULONGLONG GetTicks() override;
    void MoveTicks(long long ms);

    // Makes the clock-tick calls fail, as on a platform without them.
    void RemoveAdjustment() { AdjustmentSupported = false; }

    DWORD RefuseWith = 0;
    std::function<void()> DuringSetUtc;
    int SetUtcCalls = 0;
    SYSTEMTIME LastSetUtc = {};
    int SetAdjustmentCalls = 0;
    DWORD Adjustment = 156250;  // 15.625 ms in 100-ns units
    DWORD Increment = 156250;
    BOOL AdjustmentDisabled = TRUE;

private:
    std::mutex Lock;
    long long OffsetMs;
    bool Frozen = false;
    FILETIME FrozenAt = {};
    bool AdjustmentSupported = true;
    long long TicksMovedMs = 0;
    ULONGLONG FrozenTicks = 100000000;  // about a day after start
};
