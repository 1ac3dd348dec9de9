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

// How long the dock clock shows the status after setting the clock and after an update.
const UINT DOCK_STATUS_ADJUSTED_MS = 3000;
const UINT DOCK_STATUS_CHECKED_MS = 5000;

void APPENGINE::AdjustClock(const char* delta)
{
    Logit("APP::AdjustClock %s\n", delta ? delta : "");
    // Anything unreadable (also the default "00000000 00000000") is a zero offset.
    NTPTIME offset = NTPTIME::FromText(delta);
    int ok = AdjustSystemTime(offset);
    Logit("APP::AdjustClock AdjustSystemTime returned %d\n", ok);

    long long amount = offset.ToMilliseconds(true);
    PutSetting(KEY::TimeLastStatus, ResourceText(IDS_STATUSADJUSTED));
    PutSetting(KEY::TimeLastStatus2, ResourceText(IDS_STATUSADJUSTEDBY, FormatDiff(amount, 0).Text()));
    PutSetting(KEY::TimeLastQuality, "0");
    PutSetting(KEY::TimeLastValueMs, "0");
    PutSetting(KEY::TimeLastDiffNice, FormatDiff(0, 0));

    if (NowSeconds() < GetSettingTime(KEY::TimeLastRefresh)) Refreshed();  // the clock went back
    PutSetting(KEY::TimeLastTimeDelta, ZERO_TIME_DELTA);

    StopAlarm();
    Events.RefreshTrayIcon();
    Events.DockColour(static_cast<COLORREF>(GetSetting(KEY::ClockColor0).ToInt64()));
    Events.DockShowText(GetSetting(KEY::TimeLastStatus), GetSetting(KEY::TimeLastStatus2),
                        DOCK_STATUS_ADJUSTED_MS);
    Events.RefreshMenus();
    Logit("APP::OnClockAdjusted()\n");
    Events.AgentEvent("OnClockAdjusted");
    Logit("APP::AdjustClock done\n");
}

int APPENGINE::AdjustSystemTime(const NTPTIME& offset)
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
    if (GetSettingInt(KEY::ClockDocked) == 0)
        Events.DockShowText(GetSetting(KEY::TimeLastStatus), GetSetting(KEY::TimeLastStatus2),
                            DOCK_STATUS_CHECKED_MS);
    PutSetting(KEY::TimeLastRefresh, STRING(NowSeconds()));
    PutSetting(KEY::TimeLastDateTime, OSYS::DateShort() + " " + OSYS::TimeUser().Text());

    int quality = GetSettingInt(KEY::TimeLastQuality);
    if (maybroadcast && IsLanServer() && quality < QUALITY_WRONG && GetSettingInt(KEY::LanBrodcastNew))
        LanServerBroadcast();
    if (quality < QUALITY_WRONG) StopAlarm();

    Events.RefreshStatusScreen();
    Events.RefreshTrayIcon();
    Events.RefreshMenus();
    Logit("APP::AfterCheck done\n");
}
