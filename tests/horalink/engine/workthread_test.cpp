// The update thread: started and stopped by its owner, ticks every round, a pending
// adjustment (not while suspended, but also offline), a fresh dial-up connection given
// ten seconds before its update; and the online test for every connection type with the
// scripted stand-in remote-access library. A whole update run by the thread: e2e tests.
#include "enginetest.h"

#include "fakeras.h"
#include "logcapture.h"
#include "reports.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

using testing::HasSubstr;

// Waits for things the thread does; generous, since the machine is shared.
const int WAIT_MS = 20000;

class WorkThread : public ENGINETEST {
protected:
    void SetUp() override
    {
        ENGINETEST::SetUp();
        Put("ConnectionType", "-1");
        Put("TimeCyclic", "1");
        Put("TimeLastRefresh", std::to_string(FROZEN_SECONDS - 60));
        Put("TimeNextRefresh", std::to_string(FROZEN_SECONDS + 3540));
        Put("TimeServer", "1.2.3.4.5");  // fails at once: no network needed
        Put("ClockDocked", "1");
        ENGINETIMINGS timings;
        timings.UpdatePauseMs = 0;  // the documented pause would only slow the test
        engine.SetTimings(timings);
    }
    void TearDown() override
    {
        EXPECT_TRUE(engine.StopWorkThread(WAIT_MS));
        ENGINETEST::TearDown();
    }
    // A stored offset measured just now, so adjust-now applies it.
    void FreshDelta(const char* delta)
    {
        Put("TimeLastTimeDelta", delta);
        Put("TimeLastDeltaUtc", std::to_string(FROZEN_SECONDS));
        Put("TimeLastDeltaTick", std::to_string(clock.GetTicks()));
    }
    // Waits for n more ticks than seen so far.
    bool Ticks(int n) { return events.WaitFor("Tick", events.Count("Tick") + n, WAIT_MS); }
};

TEST_F(WorkThread, StartedAndStoppedByItsOwner)
{
    LOGCAPTURE log;
    ASSERT_TRUE(engine.StartWorkThread());
    EXPECT_TRUE(engine.WorkThreadRunning());
    REPORTS reports;
    EXPECT_FALSE(engine.StartWorkThread());  // one thread only
    EXPECT_TRUE(reports.Were(1));
    ASSERT_TRUE(Ticks(3));
    EXPECT_TRUE(engine.StopWorkThread(WAIT_MS));
    EXPECT_FALSE(engine.WorkThreadRunning());
    EXPECT_EQ(events.Calls().back(), "ThreadEnded");
    EXPECT_FALSE(events.Has("CheckStarted"));  // offline: no update
    for (const char* line : {"APP::WorkThread", "APP::WorkThread loop online changed (last was -1)",
                             "APP::~WorkThread loop done", "APP::~WorkThread"})
        EXPECT_THAT(log.Text(), HasSubstr(std::string("] ") + line + "\r\n"));
    // It can be started again after it ended.
    ASSERT_TRUE(engine.StartWorkThread());
    ASSERT_TRUE(Ticks(1));
}

// Suspended, a pending adjustment waits; offline, no update runs but adjustments go on.
TEST_F(WorkThread, PendingAdjustmentWaitsWhileSuspended)
{
    Put("TimeNextRefresh", std::to_string(FROZEN_SECONDS - 1));  // due
    FreshDelta("00000002.00000000");
    engine.SetSuspended(true);
    engine.SetAdjustPending();
    ASSERT_TRUE(engine.StartWorkThread());
    ASSERT_TRUE(Ticks(3));
    EXPECT_TRUE(engine.IsAdjustPending());
    EXPECT_EQ(clock.SetUtcCalls, 0);

    engine.SetSuspended(false);
    ASSERT_TRUE(events.WaitFor("ClockSet 1", 1, WAIT_MS));
    ASSERT_TRUE(Ticks(2));
    EXPECT_FALSE(engine.IsAdjustPending());
    EXPECT_EQ(clock.SetUtcCalls, 1);
    EXPECT_EQ(clock.LastSetUtc.wSecond, 2);
    EXPECT_EQ(Get("TimeLastTimeDelta"), "00000000.00000000");
    EXPECT_FALSE(events.Has("CheckStarted"));
    EXPECT_EQ(engine.GetOnlineSince(), 0u);
}

// The flag is taken before the clock is set: a request that comes while the clock is
// being set is not lost but carried out in a later round.
TEST_F(WorkThread, ARequestMadeWhileSettingIsNotLost)
{
    FreshDelta("00000002.00000000");
    int requests = 1;
    clock.DuringSetUtc = [&] {
        if (requests-- > 0) engine.SetAdjustPending();
    };
    engine.SetAdjustPending();
    ASSERT_TRUE(engine.StartWorkThread());
    ASSERT_TRUE(events.WaitFor("ClockSet 1", 2, WAIT_MS));
    EXPECT_EQ(clock.SetUtcCalls, 2);
}

// A stale offset is not applied: the thread runs an update at once (also with no
// schedule) and would apply its good result; this one fails, so nothing is set.
TEST_F(WorkThread, AStaleOffsetIsMeasuredAgainNotApplied)
{
    Put("ConnectionType", "0");
    Put("TimeCyclic", "0");
    FreshDelta("00000002.00000000");
    clock.SetOffsetMs(600000);  // ten minutes later
    clock.MoveTicks(600000);
    engine.SetAdjustPending();
    ASSERT_TRUE(engine.StartWorkThread());
    ASSERT_TRUE(events.WaitFor("CheckDone", 1, WAIT_MS));
    ASSERT_TRUE(Ticks(2));
    EXPECT_EQ(clock.SetUtcCalls, 0);
    EXPECT_EQ(events.Count("CheckStarted"), 1);  // once: the failed sequence dropped it
}

// The scripted stand-in for the remote-access library, in place before the engine asks.
class DialUp : public WorkThread {
protected:
    void SetUp() override
    {
        WorkThread::SetUp();
        Put("ConnectionType", "1");
        Put("ConnectionDunAny", "0");
        Put("ConnectionEntryToMonitor", "Office");
    }
    FAKERAS ras;
};

TEST_F(DialUp, OnlineForEveryConnectionType)
{
    struct {
        const char* type;
        const char* any;
        const char* connections;
        int online;
    } cases[] = {
        {"0", "0", "", 1},                       // permanent connection
        {"-1", "0", "Office=0x2000", 0},         // not configured
        {"2", "0", "Office=0x2000", 0},          // unknown
        {"1", "0", "", 0},                       // no connection
        {"1", "0", "Office=0x2000", 1},          // the watched entry
        {"1", "0", "Home=0x2000|Office=1", 0},   // another entry, the watched one dialling
        {"1", "1", "Home=0x2000", 1},            // any entry counts
        {"1", "1", "Home=1|Office=0x2000", 0},   // the first connection is still dialling
    };
    for (const auto& c : cases) {
        Put("ConnectionType", c.type);
        Put("ConnectionDunAny", c.any);
        ASSERT_TRUE(ras.Script("", c.connections));
        EXPECT_EQ(engine.IsOnline(), c.online) << c.type << " " << c.any << " " << c.connections;
    }
    engine.SetLanFlags(true, false);
    Put("ConnectionType", "-1");
    EXPECT_EQ(engine.IsOnline(), 1);  // a LAN client
}

TEST_F(DialUp, EntryNamesUpTo127Characters)
{
    std::string longest(127, 'n');
    ASSERT_TRUE(ras.Script("", (longest + "=0x2000|" + longest + "n=0x2000").c_str()));
    Put("ConnectionEntryToMonitor", longest);
    REPORTS reports;
    EXPECT_EQ(engine.IsOnline(), 1);
    EXPECT_TRUE(reports.Were(0));
    Put("ConnectionEntryToMonitor", longest + "n");  // refused, never cut
    EXPECT_EQ(engine.IsOnline(), 0);
    EXPECT_TRUE(reports.Were(1, nullptr, "ConnectionEntryToMonitor too long"));
    EXPECT_EQ(engine.IsOnline(), 0);  // reported once, not every half second
    EXPECT_TRUE(reports.Were(0));
}

// Online at second 0: the first update comes only once 11 seconds have passed.
TEST_F(DialUp, AFreshConnectionIsGivenTenSeconds)
{
    Put("TimeNextRefresh", std::to_string(FROZEN_SECONDS - 3600));  // overdue
    ASSERT_TRUE(ras.Script("", "Office=0x2000"));
    ASSERT_TRUE(engine.StartWorkThread());
    ASSERT_TRUE(Ticks(3));
    EXPECT_EQ(engine.GetOnlineSince(), FROZEN_SECONDS);
    clock.SetOffsetMs(10000);
    ASSERT_TRUE(Ticks(3));
    EXPECT_FALSE(events.Has("CheckStarted"));
    clock.SetOffsetMs(11000);
    EXPECT_TRUE(events.WaitFor("CheckStarted", 1, WAIT_MS));
}
