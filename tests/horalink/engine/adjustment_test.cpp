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

// Adjust-now applies the stored offset only while it is fresh and the clock has not
// been changed since it was measured; otherwise it makes an update due first.
TEST_F(Adjustment, AdjustNowAppliesOnlyAFreshOffsetOfAnUnchangedClock)
{
    struct CASE {
        const char* what;
        const char* delta;
        bool stamped;        // TimeLastDeltaUtc/Tick written at the frozen time
        long long clockms;   // then the clock moved by
        long long ticksms;   // and the tick count by
        bool applied;
    };
    const CASE cases[] = {
        {"just measured", "00000002.00000000", true, 0, 0, true},
        {"four minutes old", "00000002.00000000", true, 240000, 240000, true},
        {"five minutes old", "00000002.00000000", true, 300000, 300000, true},
        {"ten minutes old", "00000002.00000000", true, 600000, 600000, false},
        {"just over five minutes", "00000002.00000000", true, 301000, 301000, false},
        {"clock jumped ahead", "00000002.00000000", true, 60000, 0, false},
        {"clock set back", "00000002.00000000", true, -60000, 1000, false},
        {"clock and ticks 2 s apart", "00000002.00000000", true, 10000, 8000, true},
        {"clock and ticks 3 s apart", "00000002.00000000", true, 11000, 8000, false},
        {"restarted since", "00000002.00000000", true, 0, -1000, false},
        {"never stamped", "00000002.00000000", false, 0, 0, false},
        {"zero offset moves nothing", "00000000.00000000", false, 600000, 0, true},
    };
    for (const CASE& c : cases) {
        FAKECLOCK fresh;
        fresh.Freeze(FrozenTime());
        HASH store;
        RECORDINGEVENTS seen;
        APPENGINE e(store, fresh, seen);
        e.PutSetting("TimeCyclic", "1");
        e.PutSetting("TimeNextRefresh", std::to_string(FROZEN_SECONDS + 3600).c_str());
        e.PutSetting("TimeLastTimeDelta", c.delta);
        if (c.stamped) {
            e.PutSetting("TimeLastDeltaUtc", std::to_string(FROZEN_SECONDS).c_str());
            e.PutSetting("TimeLastDeltaTick", std::to_string(fresh.GetTicks()).c_str());
        }
        fresh.SetOffsetMs(c.clockms);
        fresh.MoveTicks(c.ticksms);
        unsigned long now = e.NowSeconds();
        e.AdjustNow();
        EXPECT_EQ(fresh.SetUtcCalls, c.applied ? 1 : 0) << c.what;
        // Not applied: an update is due at once instead.
        EXPECT_EQ(std::string(e.GetSetting("TimeNextRefresh").Text()),
                  std::to_string(c.applied ? FROZEN_SECONDS + 3600 : now))
            << c.what;
        EXPECT_EQ(std::string(e.GetSetting("TimeLastTimeDelta").Text()),
                  c.applied ? "00000000.00000000" : c.delta)
            << c.what;
    }
}

// A good result records when it was measured; a failed one clears it.
TEST_F(Adjustment, AGoodResultIsStampedWithClockAndTicks)
{
    clock.MoveTicks(12345);
    STRING good("+OK server");
    EXPECT_EQ(engine.StoreResult(1, good, NTPTIME(2, 0)), 1);
    EXPECT_EQ(Values({"TimeLastTimeDelta", "TimeLastDeltaUtc", "TimeLastDeltaTick"}),
              "00000002.00000000|" + std::to_string(FROZEN_SECONDS) + "|" + std::to_string(clock.GetTicks()));
    STRING bad("-ERR none");
    EXPECT_EQ(engine.StoreResult(0, bad, NTPTIME(2, 0)), 0);
    EXPECT_EQ(Values({"TimeLastTimeDelta", "TimeLastDeltaUtc", "TimeLastDeltaTick"}), "00000000.00000000|0|0");
}

// A stale adjust-now is carried out with the next good result, without asking again and
// whatever its level; a sequence without a good result drops it.
TEST_F(Adjustment, AStaleAdjustNowAppliesTheNextGoodResultOnly)
{
    struct CASE {
        const char* what;
        bool requested;   // adjust-now found the offset stale
        bool endwithout;  // then a sequence ended without a good result
        unsigned ms;      // the next good result
        bool pending;
        bool asked;
    };
    const CASE cases[] = {
        {"asked for, level 2", true, false, 5000, true, false},
        {"asked for, level 0", true, false, 10, true, false},
        {"not asked for, level 2: the user says no", false, false, 5000, false, true},
        {"asked for, dropped by a failed sequence", true, true, 5000, false, true},
    };
    for (const CASE& c : cases) {
        FAKECLOCK fresh;
        fresh.Freeze(FrozenTime());
        HASH store;
        RECORDINGEVENTS seen;
        seen.AnswerYes(false);
        APPENGINE e(store, fresh, seen);
        e.PutSetting("ProAutoTime", "0");
        e.PutSetting("NotifyDoMsgbox", "1");
        e.PutSetting("NotifyDoSound", "0");
        e.PutSetting("TimeNetVariance", "100");
        e.PutSetting("TimeMaxDiff", "1000");
        e.PutSetting("TimeLastTimeDelta", "00000002.00000000");  // never stamped: stale
        if (c.requested) e.AdjustNow();
        EXPECT_EQ(fresh.SetUtcCalls, 0) << c.what;
        EXPECT_FALSE(e.IsAdjustPending()) << c.what;
        if (c.endwithout) e.AfterCheck(0);
        STRING text;
        e.HandleNewResult(text, NTPTIME(c.ms / 1000, NTPTIME::MsToFraction(c.ms % 1000)));
        EXPECT_EQ(e.IsAdjustPending(), c.pending) << c.what;
        EXPECT_EQ(seen.Has("AskYesNo"), c.asked) << c.what;
        EXPECT_TRUE(seen.Has("ResultJudged")) << c.what;
    }
}
