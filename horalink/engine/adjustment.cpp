// Setting the clock: the system time moved by the stored offset (with the
// privilege and raised priority), the status after it, and the common end of
// every update sequence.
#include "appengine.h"

#include "horalinkres.h"
#include "kelvo.h"
#include "osys.h"
#include "priorityboost.h"
#include "security.h"
#include "settingkeys.h"

void APPENGINE::AdjustClock(const char* delta)
{
    Logit("APP::AdjustClock %s\n", delta ? delta : "");
    // Anything unreadable (also the default "00000000 00000000") is a zero offset.
    NTPTIME offset = NTPTIME::FromText(delta);
    DWORD error = 0;
    int ok = AdjustSystemTime(offset, &error);
    Logit("APP::AdjustClock AdjustSystemTime returned %d\n", ok);

    if (!ok) {
        // The clock is as wrong as it was measured: level, difference and offset stay,
        // so that the user sees it, the tray keeps asking and adjust-now can try again.
        STRING reason = ErrorText(static_cast<long>(error));
        reason.AppendFormat(" (%lu)", static_cast<unsigned long>(error));
        PutSetting(KEY::TimeLastStatus, ResourceText(IDS_STATUSNOTSET));
        PutSetting(KEY::TimeLastStatus2, ResourceText(IDS_STATUSNOTSETWHY, reason));
        Logit("APP::AdjustClock the clock was not set: %s\n", reason.Text());
        Events.ClockSet(false);
        Logit("APP::AdjustClock done\n");
        return;
    }

    long long amount = offset.ToMilliseconds(true);
    PutSetting(KEY::TimeLastStatus, ResourceText(IDS_STATUSADJUSTED));
    PutSetting(KEY::TimeLastStatus2, ResourceText(IDS_STATUSADJUSTEDBY, FormatDiff(amount, 0).Text()));
    PutSetting(KEY::TimeLastQuality, "0");
    PutSetting(KEY::TimeLastValueMs, "0");
    PutSetting(KEY::TimeLastDiffNice, FormatDiff(0, 0));

    if (NowSeconds() < GetSettingTime(KEY::TimeLastRefresh)) Refreshed();  // the clock went back
    PutSetting(KEY::TimeLastTimeDelta, ZERO_TIME_DELTA);

    Logit("APP::OnClockAdjusted()\n");
    Events.ClockSet(true);
    Logit("APP::AdjustClock done\n");
}

bool APPENGINE::OffsetFresh()
{
    if (NTPTIME::FromText(GetSetting(KEY::TimeLastTimeDelta)).IsZero()) return true;
    unsigned long long measuredtick = GetSetting(KEY::TimeLastDeltaTick).ToInt64();
    unsigned long measuredutc = GetSettingTime(KEY::TimeLastDeltaUtc);
    unsigned long long tick = Clock.GetTicks();
    // Never stamped (0) reads as long ago; fewer ticks than then: restarted since.
    if (tick < measuredtick) return false;
    long long ticks = static_cast<long long>(tick - measuredtick);
    long long utc = (static_cast<long long>(NowSeconds()) - static_cast<long long>(measuredutc)) * 1000;
    long long apart = utc - ticks;
    bool fresh = ticks <= static_cast<long long>(OFFSET_FRESH_S) * 1000 && apart <= OFFSET_CLOCK_SLACK_MS &&
                 apart >= -OFFSET_CLOCK_SLACK_MS;
    Logit("APP::OffsetFresh elapsed %lld ms by ticks, %lld ms by the clock: %d\n", ticks, utc, fresh ? 1 : 0);
    return fresh;
}

void APPENGINE::AdjustNow()
{
    Logit("APP::AdjustNow\n");
    if (OffsetFresh()) {
        AdjustClock(GetSetting(KEY::TimeLastTimeDelta));
        return;
    }
    // A stale offset would set the clock wrong: measure again and apply that result.
    Logit("APP::AdjustNow the stored offset is stale: an update first\n");
    AdjustAfterUpdate = 1;
    ScheduleNow();
}

int APPENGINE::AdjustSystemTime(const NTPTIME& offset, DWORD* refusal)
{
    Logit("APP::AdjustSystemTime %s\n", offset.Text().Text());
    GETPRIVILEGE privilege("SeSystemtimePrivilege");
    bool ok;
    {
        PRIORITYBOOST boost;
        SYSTEMTIME now = Clock.GetUtc();
        // Placed in the era of now, so that now + offset stays right after 2036.
        SYSTEMTIME target = (NTPTIME::FromSystemTime(now) + offset).ToSystemTimeNear(now);
        DWORD error = 0;
        ok = Clock.SetUtc(target, error);
        if (refusal) *refusal = ok ? 0 : error;
        if (!ok)
            Logit("APP::AdjustSystemTime GetLastError after SetSystemTime is %ld\n",
                  static_cast<long>(error));
    }
    Logit("APP::AdjustSystemTime returns %d\n", ok ? 1 : 0);
    return ok ? 1 : 0;
}

void APPENGINE::AfterCheck(int maybroadcast)
{
    Logit("APP::AfterCheck %d\n", maybroadcast);
    PutSetting(KEY::TimeLastRefresh, STRING(NowSeconds()));
    PutSetting(KEY::TimeLastDateTime, OSYS::DateShort() + " " + OSYS::TimeUser().Text());
    // An adjustment waiting for this sequence's result: a good one took it already;
    // without one it is dropped rather than applied to some much later result.
    AdjustAfterUpdate = 0;

    int quality = GetSettingInt(KEY::TimeLastQuality);
    if (maybroadcast && IsLanServer() && quality < QUALITY_WRONG && GetSettingInt(KEY::LanBrodcastNew))
        LanServerBroadcast();
    Logit("APP::AfterCheck done\n");
}
