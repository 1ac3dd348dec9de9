// Drift correction: every clock tick lengthened or shortened a little through the
// platform's clock-tick adjustment, and the calculator that turns "so many
// seconds in so many hours" into nanoseconds per tick.
#include "appengine.h"

#include "kelvo.h"
#include "security.h"
#include "settingkeys.h"

const long long NS_PER_SECOND = 1000000000LL;
const long long NS_PER_HOUR = 3600LL * NS_PER_SECOND;
const long long NS_PER_TICKUNIT = 100;  // the platform counts ticks in 100 ns

int APPENGINE::SetDrift(int on, long nanoseconds)
{
    Logit("APP::SetDrift on= %d, nanoseconds= %ld\n", on, nanoseconds);
    if (!DriftSupport) {
        Logit("APP::SetDrift returns 0 (no clock-tick adjustment)\n");
        return 0;
    }
    GETPRIVILEGE privilege("SeSystemtimePrivilege");
    if (!privilege.Success()) {
        Logit("APP::SetDrift returns 0 (no privilege)\n");
        return 0;
    }
    DWORD increment = 0;
    if (!Clock.GetTickIncrement(increment)) {
        Logit("APP::SetDrift returns 0 (clock tick unreadable)\n");
        return 0;
    }
    long long value = increment;
    if (on) value += nanoseconds / NS_PER_TICKUNIT;
    // A correction larger than the tick itself would stop or race the clock.
    if (!ASSERTINFO(value > 0 && value <= 0xFFFFFFFFLL, "TimeDriftAdjustment out of range"))
        return 0;
    DWORD error = 0;
    bool ok = Clock.SetAdjustment(static_cast<DWORD>(value), on ? FALSE : TRUE, error);
    if (!ok)
        Logit("APP::SetDrift GetLastError after SetSystemTimeAdjustment is %ld\n",
              static_cast<long>(error));
    Logit("APP::SetDrift returns %d (adjustment %lu of %lu)\n", ok ? 1 : 0,
          static_cast<unsigned long>(value), static_cast<unsigned long>(increment));
    return ok ? 1 : 0;
}

DRIFTTEXTS APPENGINE::CalculateDrift(int seconds, int hours, int fast, SYSTEMCLOCK& clock)
{
    DRIFTTEXTS texts{STRING("N/A"), STRING("N/A")};
    DWORD increment = 0;
    if (!clock.GetTickIncrement(increment) || increment == 0) return texts;
    long long incrementns = increment * NS_PER_TICKUNIT;
    texts.Increment = STRING(incrementns);
    if (seconds < 0 || seconds > DRIFTCALC_SECONDS_MAX || hours < DRIFTCALC_HOURS_MIN ||
        hours > DRIFTCALC_HOURS_MAX)
        return texts;

    long long sign = fast ? -1 : 1;
    long long drift = seconds * sign * NS_PER_SECOND;
    long long ticks = hours * NS_PER_HOUR / incrementns;
    if (ticks == 0) return texts;
    texts.Adjustment = STRING(drift / ticks);
    Logit("APP::CalculateDrift increment %s ns, %s ns per tick\n", texts.Increment.Text(),
          texts.Adjustment.Text());
    return texts;
}

DRIFTTEXTS APPENGINE::CalculateDrift()
{
    return CalculateDrift(GetSettingInt(KEY::TimeDriftCalc1), GetSettingInt(KEY::TimeDriftCalc2),
                          GetSettingInt(KEY::TimeDriftCalc3), Clock);
}
