// PLATFORMCLOCK's precise time and interval counter: finer than the millisecond, and
// the system time interpolated between its ticks agrees with the precise time.
#include "clock.h"

#include <gtest/gtest.h>

// b - a in milliseconds, signed.
static double ms_between(const NTPTIME& a, const NTPTIME& b)
{
    NTPTIME d = b - a;
    return static_cast<int32_t>(d.Seconds) * 1000.0 + d.Fraction * 1000.0 / 4294967296.0;
}

TEST(PlatformClock, PreciseTimeCounterAndInterpolationAgree)
{
    PLATFORMCLOCK clock;
    int offgrid = 0;  // readings between two whole milliseconds
    for (int i = 0; i < 20; i++) {
        NTPTIME t = clock.PreciseNow();
        unsigned ms = NTPTIME::FractionToMs(t.Fraction);
        if (ms == 1000 || t.Fraction != NTPTIME::MsToFraction(ms)) offgrid++;
    }
    EXPECT_GT(offgrid, 10);

    for (int i = 0; i < 20; i++) {
        NTPTIME before = clock.PreciseNow();
        NTPTIME between = clock.InterpolatedNow();
        NTPTIME after = clock.PreciseNow();
        EXPECT_GE(ms_between(before, between), -1.0) << i;
        EXPECT_GE(ms_between(between, after), -1.0) << i;
    }

    long long counter = clock.Counter();
    NTPTIME start = clock.PreciseNow();
    Sleep(50);
    double counted = ms_between(NTPTIME(), clock.Since(counter));
    double passed = ms_between(start, clock.PreciseNow());
    EXPECT_GE(counted, 45.0);
    EXPECT_NEAR(counted, passed, 2.0);
}
