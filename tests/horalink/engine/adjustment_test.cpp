// Setting the clock: now + offset to the millisecond through the clock seam, the
// platform's refusal under Wine, the status after setting and its report, a second
// adjustment that moves nothing, a clock set back behind the last update, and the
// common end of an update sequence.
#include "enginetest.h"

#include "horalinkres.h"
#include "logcapture.h"
#include "osys.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using testing::HasSubstr;

class Adjustment : public ENGINETEST {
protected:
    void SetUp() override
    {
        ENGINETEST::SetUp();
        Put("ClockColor0", "14474460");
        Put("TimeCyclic", "1");
        Put("TimeLastRefresh", std::to_string(FROZEN_SECONDS - 600));
    }
    std::string LastSet()
    {
        const SYSTEMTIME& t = clock.LastSetUtc;
        char buf[64];
        snprintf(buf, sizeof buf, "%04u-%02u-%02u %02u:%02u:%02u.%03u dow %u", t.wYear, t.wMonth,
                 t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds, t.wDayOfWeek);
        return buf;
    }
};

TEST_F(Adjustment, SetsNowPlusOffsetToTheMillisecondAndAnUnreadableDeltaAsZero)
{
    EXPECT_EQ(engine.AdjustSystemTime(NTPTIME(1, 0x80000000u)), 1);
    EXPECT_EQ(LastSet(), "2024-05-01 12:00:01.500 dow 3");
    EXPECT_EQ(engine.AdjustSystemTime(NTPTIME(0, 0x40000000u).Negate()), 1);
    EXPECT_EQ(LastSet(), "2024-05-01 11:59:59.750 dow 3");
    // Across midnight and a year's end, from a time with milliseconds of its own.
    SYSTEMTIME late = {2023, 12, 0, 31, 23, 59, 59, 900};
    clock.Freeze(late);
    EXPECT_EQ(engine.AdjustSystemTime(NTPTIME(0, NTPTIME::MsToFraction(200))), 1);
    EXPECT_EQ(LastSet(), "2024-01-01 00:00:00.100 dow 1");
    EXPECT_EQ(clock.SetUtcCalls, 3);
    // A delta that cannot be read moves nothing.
    clock.Freeze(FrozenTime());
    for (const char* delta : {"00000000 00000000", "", "garbage"}) {
        engine.AdjustClock(delta);
        EXPECT_EQ(LastSet(), "2024-05-01 12:00:00.000 dow 3") << delta;
    }
}

// A refused setting is a failure the user sees: the status says why, and the measured
// level, difference and offset stay, the schedule too (the clock did not go back).
TEST_F(Adjustment, ARefusedSettingKeepsTheWrongClockAndSaysWhy)
{
    const char* kept[] = {"TimeLastQuality", "TimeLastValueMs", "TimeLastDiffNice",
                          "TimeLastTimeDelta", "TimeLastRefresh", "TimeNextRefresh"};
    Put("TimeLastTimeDelta", "ffffff00.00000000");  // 256 s back: would mark the schedule
    Put("TimeLastQuality", "2");
    Put("TimeLastValueMs", "256000");
    Put("TimeLastDiffNice", "+4 min, 16 s");
    Put("TimeLastRefresh", std::to_string(FROZEN_SECONDS + 2));
    Put("TimeNextRefresh", std::to_string(FROZEN_SECONDS + 3602));
    std::string before = Values({kept[0], kept[1], kept[2], kept[3], kept[4], kept[5]});
    clock.RefuseWith = ERROR_PRIVILEGE_NOT_HELD;
    events.Clear();
    LOGCAPTURE log;
    engine.AdjustClock(engine.GetSetting("TimeLastTimeDelta"));

    EXPECT_EQ(Values({kept[0], kept[1], kept[2], kept[3], kept[4], kept[5]}), before);
    EXPECT_EQ(Get("TimeLastStatus"), Text(IDS_STATUSNOTSET));
    std::string why = Text(IDS_STATUSNOTSETWHY);
    why.replace(why.find("%s"), 2, std::string(ErrorText(ERROR_PRIVILEGE_NOT_HELD).Text()) + " (1314)");
    EXPECT_EQ(Get("TimeLastStatus2"), why);
    EXPECT_EQ(events.Calls(), std::vector<std::string>{"ClockSet 0"});
    EXPECT_THAT(log.Text(), testing::Not(HasSubstr("APP::OnClockAdjusted()")));
}

// The real clock under Wine: the wrapper takes away the right to set the host's clock,
// so the platform refuses. Wine accepts a new time within half a second of its own
// without setting anything; one second is the smallest offset that is really asked.
TEST_F(Adjustment, ThePlatformClockRefusesUnderWine)
{
    PLATFORMCLOCK platform;
    APPENGINE real(settings, platform, events);
    Put("TimeLastQuality", "2");
    LOGCAPTURE log;
    real.AdjustClock("00000001.00000000");
    EXPECT_THAT(log.Text(), HasSubstr("] APP::AdjustSystemTime GetLastError after SetSystemTime is 1314\r\n"));
    EXPECT_THAT(log.Text(), HasSubstr("] APP::AdjustSystemTime returns 0\r\n"));
    EXPECT_EQ(Values({"TimeLastStatus", "TimeLastQuality"}), Text(IDS_STATUSNOTSET) + "|2");
    EXPECT_THAT(Get("TimeLastStatus2"), HasSubstr("(1314)"));
    EXPECT_EQ(events.Calls("ClockSet"), std::vector<std::string>{"ClockSet 0"});
}

TEST_F(Adjustment, StatusAfterSettingAndASecondAdjustMovesNothing)
{
    Put("TimeLastTimeDelta", "00000001.80000000");
    Put("TimeLastQuality", "2");
    Put("TimeLastValueMs", "1500");
    Put("TimeLastDiffNice", "-1.5 s");
    events.Clear();
    LOGCAPTURE log;
    engine.AdjustClock(engine.GetSetting("TimeLastTimeDelta"));
    EXPECT_EQ(LastSet(), "2024-05-01 12:00:01.500 dow 3");

    std::string by = Text(IDS_STATUSADJUSTEDBY);
    by.replace(by.find("%s"), 2, "1.5 s");
    EXPECT_EQ(Values({"TimeLastStatus", "TimeLastStatus2", "TimeLastQuality", "TimeLastValueMs",
                      "TimeLastDiffNice", "TimeLastTimeDelta"}),
              Text(IDS_STATUSADJUSTED) + "|" + by + "|0|0|0 ms|00000000.00000000");
    // Not set back: the schedule stays.
    EXPECT_EQ(Get("TimeLastRefresh"), std::to_string(FROZEN_SECONDS - 600));
    EXPECT_EQ(events.Calls(), std::vector<std::string>{"ClockSet 1"});
    EXPECT_THAT(log.Text(), HasSubstr("] APP::OnClockAdjusted()\r\n"));

    engine.AdjustClock(engine.GetSetting("TimeLastTimeDelta"));
    EXPECT_EQ(clock.SetUtcCalls, 2);
    EXPECT_EQ(LastSet(), "2024-05-01 12:00:00.000 dow 3");
}

// The clock was set back behind the last update: the schedule starts again from now.
TEST_F(Adjustment, ClockSetBackMarksTheScheduleRefreshed)
{
    Put("TimeLastRefresh", std::to_string(FROZEN_SECONDS + 2));
    Put("TimeNextRefresh", std::to_string(FROZEN_SECONDS + 3602));
    engine.AdjustClock("ffffff00.00000000");  // 256 s back
    EXPECT_EQ(Values({"TimeLastRefresh", "TimeNextRefresh"}),
              std::to_string(FROZEN_SECONDS) + "|" + std::to_string(FROZEN_SECONDS + 3600));
}

TEST_F(Adjustment, AfterCheckStampsTheUpdateAndBroadcastsWhenAllowed)
{
    Put("TimeLastQuality", "2");
    engine.AfterCheck(1);
    EXPECT_EQ(Get("TimeLastRefresh"), std::to_string(FROZEN_SECONDS));
    EXPECT_THAT(Get("TimeLastDateTime"), testing::MatchesRegex(".+ .+"));

    // The LAN broadcast: only a LAN server, after a good result, with LanBrodcastNew, and
    // never from a LAN client's sequence.
    struct {
        int maybroadcast;
        bool server;
        const char* quality;
        const char* brodcastnew;
        bool broadcast;
    } cases[] = {{1, true, "1", "1", true},  {0, true, "1", "1", false}, {1, false, "1", "1", false},
                 {1, true, "2", "1", false}, {1, true, "0", "0", false}};
    for (const auto& c : cases) {
        engine.SetLanFlags(false, c.server);
        Put("TimeLastQuality", c.quality);
        Put("LanBrodcastNew", c.brodcastnew);
        LOGCAPTURE log;
        engine.AfterCheck(c.maybroadcast);
        EXPECT_EQ(log.Text().find("APP::LanServerBroadcast") != std::string::npos, c.broadcast)
            << c.maybroadcast << c.server << c.quality << c.brodcastnew;
    }
    engine.SetLanFlags(true, true);  // a LAN client never serves
    EXPECT_FALSE(engine.IsLanServer());
}
