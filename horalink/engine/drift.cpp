// Drift correction: every clock tick lengthened or shortened a little through the
// platform's clock-tick adjustment, and the calculator that turns "so many
// seconds in so many hours" into nanoseconds per tick.
#include "appengine.h"

#include "horalinkres.h"
#include "kelvo.h"
#include "osys.h"
#include "security.h"
#include "settingkeys.h"

const long long NS_PER_SECOND = 1000000000LL;
const long long NS_PER_HOUR = 3600LL * NS_PER_SECOND;
const long long NS_PER_TICKUNIT = 100;  // the platform counts ticks in 100 ns

// A quartz clock off by 100 ppm gains or loses under 9 s a day; 0.5 % of the tick is
// 432 s a day, fifty times as much. Beyond it the number is a typo or the hardware is
// broken, and a correction that large would make the clock race or crawl between
// checks; the calculator's most (its 9999 s in one hour) is far beyond it.
const long long DRIFT_BAND_DIVISOR = 200;

long long APPENGINE::DriftLimit(DWORD increment)
{
    return increment * NS_PER_TICKUNIT / DRIFT_BAND_DIVISOR;
}

bool APPENGINE::DriftInBand(long long nanoseconds, DWORD increment)
{
    long long limit = DriftLimit(increment);
    return nanoseconds >= -limit && nanoseconds <= limit;
}

STRING APPENGINE::DriftRefusedText(long long nanoseconds, long long limit)
{
    // Filled by hand, not by printf: a translator's stray placeholder must not read garbage.
    STRING text = OSYS::GetStringFromResource(IDS_DRIFTREFUSED);
    text.Replace("%s", STRING(nanoseconds));
    text.Replace("%d", STRING(limit));
    return text;
}

int APPENGINE::SetDrift(int on, long long nanoseconds)
{
    Logit("APP::SetDrift on= %d, nanoseconds= %lld\n", on, nanoseconds);
    if (!DriftSupport) {
        Logit("APP::SetDrift returns 0 (no clock-tick adjustment)\n");
        return 0;
    }
    DWORD increment = 0;
    if (!Clock.GetTickIncrement(increment)) {
        Logit("APP::SetDrift returns 0 (clock tick unreadable)\n");
        return 0;
    }
    // Before the privilege: a wrong number is the user's to hear about either way.
    if (on && !DriftInBand(nanoseconds, increment)) {
        Logit("APP::SetDrift refuses %lld ns per tick: beyond %lld of a tick of %lu\n", nanoseconds,
              DriftLimit(increment), static_cast<unsigned long>(increment));
        Events.DriftRefused(nanoseconds, DriftLimit(increment));
        return 0;
    }
    GETPRIVILEGE privilege("SeSystemtimePrivilege");
    if (!privilege.Success()) {
        Logit("APP::SetDrift returns 0 (no privilege)\n");
        return 0;
    }
    long long value = increment;
    if (on) value += nanoseconds / NS_PER_TICKUNIT;
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
