// The platform's clock behind SYSTEMCLOCK: UTC, its setting and the clock-tick
// adjustment are one Win32 call each; the precise time is the platform's where it
// has one, else the system time interpolated between its ticks.
#include "clock.h"

NTPTIME SYSTEMCLOCK::Since(long long counter)
{
    long long ms = Counter() - counter;
    return NTPTIME::FromCount(ms > 0 ? static_cast<unsigned long long>(ms) : 0, 1000);
}

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

typedef VOID(WINAPI* PRECISETIME)(LPFILETIME);

// GetSystemTimePreciseAsFileTime, which only newer systems have.
static PRECISETIME precise_time()
{
    static const PRECISETIME function = [] {
        HMODULE kernel = GetModuleHandleA("kernel32.dll");
        return kernel ? reinterpret_cast<PRECISETIME>(reinterpret_cast<void*>(
                            GetProcAddress(kernel, "GetSystemTimePreciseAsFileTime")))
                      : nullptr;
    }();
    return function;
}

static unsigned long long system_time_units()
{
    FILETIME t;
    GetSystemTimeAsFileTime(&t);
    return static_cast<unsigned long long>(t.dwHighDateTime) << 32 | t.dwLowDateTime;
}

static FILETIME filetime_of(unsigned long long units)
{
    FILETIME t = {static_cast<DWORD>(units), static_cast<DWORD>(units >> 32)};
    return t;
}

static long long counter_frequency()
{
    static const long long frequency = [] {
        LARGE_INTEGER f;
        return QueryPerformanceFrequency(&f) && f.QuadPart > 0 ? f.QuadPart : 0LL;
    }();
    return frequency;
}

NTPTIME PLATFORMCLOCK::PreciseNow()
{
    if (PRECISETIME precise = precise_time()) {
        FILETIME t;
        precise(&t);
        return NTPTIME::FromFileTime(t);
    }
    return InterpolatedNow();
}

long long PLATFORMCLOCK::Counter()
{
    if (counter_frequency() == 0) return SYSTEMCLOCK::Counter();
    LARGE_INTEGER c;
    QueryPerformanceCounter(&c);
    return c.QuadPart;
}

NTPTIME PLATFORMCLOCK::Since(long long counter)
{
    if (counter_frequency() == 0) return SYSTEMCLOCK::Since(counter);
    long long count = Counter() - counter;
    return NTPTIME::FromCount(count > 0 ? static_cast<unsigned long long>(count) : 0,
                              static_cast<unsigned long long>(counter_frequency()));
}

// The system time steps once per clock tick. The pair (system time, counter) is taken
// just after a step; from it the counter tells the time in between. The pair is taken
// again whenever the result leaves the tick the system time stands in: the clock was
// set, or the counter and the clock have drifted apart by a tick.
NTPTIME PLATFORMCLOCK::InterpolatedNow()
{
    std::lock_guard<std::mutex> guard(InterpolationLock);
    unsigned long long coarse = system_time_units();
    long long frequency = counter_frequency();
    if (frequency == 0) return NTPTIME::FromFileTime(filetime_of(coarse));
    DWORD adjustment = 0, increment = 0;
    BOOL disabled = TRUE;
    if (!GetAdjustment(adjustment, increment, disabled) || increment == 0) increment = 156250;

    long long counter = Counter();
    unsigned long long now = 0;
    if (Based && counter >= BaseCounter) {
        // Whole seconds first, so that the product cannot overflow however long the pair
        // has stood.
        unsigned long long count = static_cast<unsigned long long>(counter - BaseCounter);
        unsigned long long f = static_cast<unsigned long long>(frequency);
        now = BaseTime + count / f * 10000000 + count % f * 10000000 / f;
    }
    if (!Based || now < coarse || now >= coarse + increment) {
        // Waits for the next step, at most about two ticks.
        unsigned long long before = coarse;
        long long start = counter;
        while (coarse == before && (counter - start) < frequency / 20) {
            coarse = system_time_units();
            counter = Counter();
        }
        BaseTime = coarse;
        BaseCounter = counter;
        Based = true;
        now = coarse;
    }
    return NTPTIME::FromFileTime(filetime_of(now));
}
