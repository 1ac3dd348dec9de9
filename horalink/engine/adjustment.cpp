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

    int quality = GetSettingInt(KEY::TimeLastQuality);
    if (maybroadcast && IsLanServer() && quality < QUALITY_WRONG && GetSettingInt(KEY::LanBrodcastNew))
        LanServerBroadcast();
    Logit("APP::AfterCheck done\n");
}
