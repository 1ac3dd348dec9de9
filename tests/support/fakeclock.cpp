// FAKECLOCK: FILETIME arithmetic on the real or frozen time, and recorders for
// every setting call.
#include "fakeclock.h"

static unsigned long long to_u64(const FILETIME& ft)
{
    return (static_cast<unsigned long long>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}

FAKECLOCK::FAKECLOCK(long long offsetms) : OffsetMs(offsetms) {}

void FAKECLOCK::SetOffsetMs(long long offsetms) { OffsetMs = offsetms; }

void FAKECLOCK::Freeze(const SYSTEMTIME& time)
{
    Frozen = SystemTimeToFileTime(&time, &FrozenAt) != 0;
}

SYSTEMTIME FAKECLOCK::GetUtc()
{
    FILETIME now = FrozenAt;
    if (!Frozen) GetSystemTimeAsFileTime(&now);
    unsigned long long moved = to_u64(now) + static_cast<unsigned long long>(OffsetMs * 10000);
    FILETIME ft;
    ft.dwLowDateTime = static_cast<DWORD>(moved);
    ft.dwHighDateTime = static_cast<DWORD>(moved >> 32);
    SYSTEMTIME t = {};
    FileTimeToSystemTime(&ft, &t);
    return t;
}

bool FAKECLOCK::SetUtc(const SYSTEMTIME& time, DWORD& error)
{
    SetUtcCalls++;
    LastSetUtc = time;
    error = SetUtcError;
    return SetUtcError == 0;
}

bool FAKECLOCK::GetAdjustment(DWORD& adjustment, DWORD& increment, BOOL& disabled)
{
    if (!AdjustmentSupported) return false;
    adjustment = Adjustment;
    increment = Increment;
    disabled = AdjustmentDisabled;
    return true;
}

bool FAKECLOCK::SetAdjustment(DWORD adjustment, BOOL disabled, DWORD& error)
{
    SetAdjustmentCalls++;
    if (!AdjustmentSupported) {
        error = ERROR_NOT_SUPPORTED;
        return false;
    }
    Adjustment = adjustment;
    AdjustmentDisabled = disabled;
    error = 0;
    return true;
}
