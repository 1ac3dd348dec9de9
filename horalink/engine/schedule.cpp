// The refresh schedule: when the next update is due (TimeLastRefresh,
// TimeNextRefresh, TimeCyclic in the settings, so that it survives restarts),
// marking an update done, and making one due at once.
#include "appengine.h"

#include "kelvo.h"
#include "osys.h"
#include "settingkeys.h"
#include "settings.h"

const uint32_t NTP_SECONDS_1970 = 2208988800u;  // 1900-01-01 to 1970-01-01

unsigned long APPENGINE::NowSeconds()
{
    // Both counts run modulo 2^32, so the difference is right until 2106.
    return static_cast<unsigned long>(static_cast<uint32_t>(Clock.Now().Seconds - NTP_SECONDS_1970));
}

int APPENGINE::NeedsRefresh()
{
    unsigned long now = NowSeconds();
    if (GetSettingTime(KEY::TimeLastRefresh) > now) {
        // The clock was set back: start the schedule anew, with an update due at once.
        PutSetting(KEY::TimeLastRefresh, STRING(now - 1));
        PutSetting(KEY::TimeNextRefresh, STRING(now - 1));
    }
    // Not "<= 0": a text that reads as not-a-number must not schedule anything either.
    if (!(GetSetting(KEY::TimeCyclic).ToDouble() > 0)) return 0;
    if (GetSettingTime(KEY::TimeNextRefresh) > now) return 0;
    Logit("APP::NeedsRefresh returns %d\n", 1);
    return 1;
}

void APPENGINE::Refreshed()
{
    Logit("APP::Refreshed\n");
    unsigned long now = NowSeconds();
    PutSetting(KEY::TimeLastRefresh, STRING(now));
    PutSetting(KEY::TimeLastRefreshString, OSYS::DateShort() + " / " + OSYS::TimeUser().Text());
    unsigned long next = SETTINGS::NextRefresh(now, GetSetting(KEY::TimeCyclic).ToDouble());
    // A server that sent RATE is not asked again before its back-off (updateitem.cpp).
    for (const KISSSTATE& kiss : Kiss)
        if (kiss.Backoff > 0 && next != now && next - now < kiss.Backoff) next = now + kiss.Backoff;
    PutSetting(KEY::TimeNextRefresh, STRING(next));
}

void APPENGINE::ScheduleNow()
{
    Logit("APP::ScheduleNow\n");
    PutSetting(KEY::TimeNextRefresh, STRING(NowSeconds()));
}
