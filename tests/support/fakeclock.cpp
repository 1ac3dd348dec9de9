// FAKECLOCK: FILETIME arithmetic on the real or frozen time under one lock, and
// recorders for every setting call.
#include "fakeclock.h"

FAKECLOCK::FAKECLOCK(long long offsetms) : OffsetMs(offsetms) {}

void FAKECLOCK::SetOffsetMs(long long offsetms)
{
    std::lock_guard<std::mutex> guard(Lock);
    OffsetMs = offsetms;
}

void FAKECLOCK::Freeze(const SYSTEMTIME& time)
{
    std::lock_guard<std::mutex> guard(Lock);
    Frozen = SystemTimeToFileTime(&time, &FrozenAt) != 0;
}

SYSTEMTIME FAKECLOCK::GetUtc()
{
    std::lock_guard<std::mutex> guard(Lock);
    FILETIME now = FrozenAt;
    if (!Frozen) GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER moved;
    moved.LowPart = now.dwLowDateTime;
    moved.HighPart = now.dwHighDateTime;
    moved.QuadPart += static_cast<unsigned long long>(OffsetMs * 10000);
    FILETIME ft = {moved.LowPart, moved.HighPart};
    SYSTEMTIME t = {};
    FileTimeToSystemTime(&ft, &t);
    return t;
}

bool FAKECLOCK::SetUtc(const SYSTEMTIME& time, DWORD& error)
{
    if (DuringSetUtc) DuringSetUtc();
    std::lock_guard<std::mutex> guard(Lock);
    SetUtcCalls++;
    error = RefuseWith;
    if (RefuseWith) return false;
    LastSetUtc = time;
    return true;
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
    error = AdjustmentSupported ? 0 : ERROR_NOT_SUPPORTED;
    if (!AdjustmentSupported) return false;
    Adjustment = adjustment;
    AdjustmentDisabled = disabled;
    return true;
}

ULONGLONG FAKECLOCK::GetTicks()
{
    std::lock_guard<std::mutex> guard(Lock);
    ULONGLONG base = Frozen ? FrozenTicks : GetTickCount64();
    return base + static_cast<ULONGLONG>(TicksMovedMs);
}

void FAKECLOCK::MoveTicks(long long ms)
{
    std::lock_guard<std::mutex> guard(Lock);
    TicksMovedMs += ms;
}
