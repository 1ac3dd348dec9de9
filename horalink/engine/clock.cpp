// The platform's clock behind SYSTEMCLOCK: each method is one Win32 call.
#include "clock.h"

SYSTEMTIME PLATFORMCLOCK::GetUtc()
{
    SYSTEMTIME t;
    GetSystemTime(&t);
    return t;
}

bool PLATFORMCLOCK::SetUtc(const SYSTEMTIME& time, DWORD& error)
{
    bool ok = SetSystemTime(&time) != 0;
    error = ok ? 0 : GetLastError();
    return ok;
}

bool PLATFORMCLOCK::GetAdjustment(DWORD& adjustment, DWORD& increment, BOOL& disabled)
{
    return GetSystemTimeAdjustment(&adjustment, &increment, &disabled) != 0;
}

bool PLATFORMCLOCK::SetAdjustment(DWORD adjustment, BOOL disabled, DWORD& error)
{
    bool ok = SetSystemTimeAdjustment(adjustment, disabled) != 0;
    error = ok ? 0 : GetLastError();
    return ok;
}

ULONGLONG PLATFORMCLOCK::GetTicks()
{
    return GetTickCount64();
}
