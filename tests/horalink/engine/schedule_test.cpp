// The refresh schedule: no scheduled updates with TimeCyclic 0 or less (also not
// after the check-now command), half an hour for 0.5, a clock set back behind
// the last update, and a settings table without TimeNextRefresh.
#include "enginetest.h"

#include "logcapture.h"
#include "reports.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

class Schedule : public ENGINETEST {
protected:
    void SetUp() override
    {
        ENGINETEST::SetUp();
        Put("TimeLastRefresh", At(-43200));
        Put("TimeNextRefresh", At(-10));
    }
    // The frozen time moved by seconds, as the settings hold it.
    static std::string At(long seconds) { return std::to_string(FROZEN_SECONDS + seconds); }
};

TEST_F(Schedule, NoUpdatesWithoutAnInterval)
{
    for (const char* cyclic : {"0", "-1", "", "nonsense"}) {
        Put("TimeCyclic", cyclic);
        EXPECT_EQ(engine.NeedsRefresh(), 0) << cyclic;
        engine.ScheduleNow();  // the check-now command only moves the date
        EXPECT_EQ(Get("TimeNextRefresh"), At(0));
        EXPECT_EQ(engine.NeedsRefresh(), 0) << cyclic;
    }
}

TEST_F(Schedule, HalfAnHourForPointFiveAndCheckNow)
{
    Put("TimeCyclic", "0.5");
    LOGCAPTURE log;
    EXPECT_EQ(engine.NeedsRefresh(), 1);
    EXPECT_THAT(log.Text(), testing::HasSubstr("] APP::NeedsRefresh returns 1\r\n"));
    engine.Refreshed();
    EXPECT_EQ(Values({"TimeLastRefresh", "TimeNextRefresh"}), At(0) + "|" + At(1800));
    EXPECT_THAT(Get("TimeLastRefreshString"), testing::MatchesRegex(".+ / .+"));
    EXPECT_EQ(engine.NeedsRefresh(), 0);
    clock.SetOffsetMs(1799 * 1000);
    EXPECT_EQ(engine.NeedsRefresh(), 0);
    clock.SetOffsetMs(1800 * 1000);
    EXPECT_EQ(engine.NeedsRefresh(), 1);
    engine.Refreshed();
    EXPECT_EQ(engine.NeedsRefresh(), 0);
    engine.ScheduleNow();
    EXPECT_EQ(engine.NeedsRefresh(), 1);
}

TEST_F(Schedule, ClockSetBackBehindTheLastUpdate)
{
    Put("TimeCyclic", "1");
    Put("TimeLastRefresh", At(3600));  // the last update is in the future now
    Put("TimeNextRefresh", At(7200));
    EXPECT_EQ(engine.NeedsRefresh(), 1);
    EXPECT_EQ(Values({"TimeLastRefresh", "TimeNextRefresh"}), At(-1) + "|" + At(-1));
}

TEST_F(Schedule, MissingNextRefreshIsDueAtOnce)
{
    REPORTS reports;
    HASH file(STRING(("TimeCyclic=1\nTimeLastRefresh=" + At(-60)).c_str()));
    file.AllowNewKeys(false);  // as the settings are after start-up: a locked table
    APPENGINE fresh(file, clock, events);
    EXPECT_EQ(fresh.NeedsRefresh(), 1);
    EXPECT_FALSE(file.Exists("TimeNextRefresh"));  // reading created nothing
    EXPECT_TRUE(reports.Were(0));
}

TEST_F(Schedule, HugeIntervalsStopAtTheLastTime)
{
    Put("TimeCyclic", "1e30");
    engine.Refreshed();
    EXPECT_EQ(Get("TimeNextRefresh"), "4294967295");
}

// Polite polling: however short TimeCyclic is, the next scheduled check comes no
// sooner than 60 s after the last; check now stays immediate.
TEST_F(Schedule, NeverSoonerThanAMinute)
{
    struct { const char* cyclic; long next; } cases[] = {
        {"0.0001", 60}, {"0.01", 60}, {"0.0166", 60}, {"0.5", 1800}, {"1", 3600}};
    for (const auto& c : cases) {
        Put("TimeCyclic", c.cyclic);
        engine.Refreshed();
        EXPECT_EQ(Get("TimeNextRefresh"), At(c.next)) << c.cyclic;
        EXPECT_EQ(engine.NeedsRefresh(), 0) << c.cyclic;
        engine.ScheduleNow();
        EXPECT_EQ(engine.NeedsRefresh(), 1) << c.cyclic;
    }
}
