// The update thread: started and stopped by its owner, ticks every round, an update
// after the check-now command, a pending adjustment (not while suspended), a fresh
// dial-up connection given ten seconds; and the online test for every connection
// type with the scripted stand-in remote-access library.
#include "enginetest.h"

#include "logcapture.h"
#include "reports.h"
#include "sntpserver.h"
#include "testfiles.h"
#include "winras.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

using testing::HasSubstr;

typedef void(WINAPI* FAKERASSCRIPT)(const char*, const char*);

// Waits for things the thread does; generous, since the machine is shared.
const int WAIT_MS = 20000;

class WorkThread : public ENGINETEST {
protected:
    void SetUp() override
    {
        ENGINETEST::SetUp();
        Put("ConnectionType", "-1");
        Put("TimeCyclic", "1");
        Put("TimeLastRefresh", std::to_string(FROZEN_SECONDS - 60).c_str());
        Put("TimeNextRefresh", std::to_string(FROZEN_SECONDS + 3540).c_str());
        Put("TimeServer", "1.2.3.4.5");  // fails at once: no network needed
        Put("ClockDocked", "1");
    }
    void TearDown() override
    {
        EXPECT_TRUE(engine.StopWorkThread(WAIT_MS));
        ENGINETEST::TearDown();
    }
    // Waits for n more ticks than seen so far.
    bool Ticks(int n) { return events.WaitFor("PostTick", events.Count("PostTick") + n, WAIT_MS); }
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
    std::vector<std::string> calls = events.Calls();
    ASSERT_GE(calls.size(), 2u);
    EXPECT_EQ(calls[calls.size() - 2], "AgentEvent exit");
    EXPECT_EQ(calls.back(), "ThreadEnded");
    EXPECT_FALSE(events.Has("AgentEvent OnCheck"));  // offline: no update
    const std::string& text = log.Text();
    EXPECT_THAT(text, HasSubstr("] APP::WorkThread\r\n"));
    EXPECT_THAT(text, HasSubstr("] APP::WorkThread loop online changed (last was -1)\r\n"));
    EXPECT_THAT(text, HasSubstr("] APP::~WorkThread loop done\r\n"));
    EXPECT_THAT(text, HasSubstr("] APP::~WorkThread\r\n"));

    // It can be started again after it ended.
    events.Clear();
    ASSERT_TRUE(engine.StartWorkThread());
    ASSERT_TRUE(Ticks(1));
}

TEST_F(WorkThread, AnUpdateAfterCheckNow)
{
    SNTPSERVER server;
    if (!server.Start()) GTEST_SKIP() << "the test SNTP server cannot run: " << server.ErrorText();
    SNTPSERVERCONFIG config;
    config.FixedTime = SntpTimestamp(FrozenTime());
    config.OffsetUs = 250000;
    server.Configure(config);
    engine.SetSntpPort(server.Port());
    Put("TimeServer", "127.0.0.1");
    Put("ConnectionType", "0");

    ASSERT_TRUE(engine.StartWorkThread());
    ASSERT_TRUE(Ticks(3));
    EXPECT_FALSE(events.Has("AgentEvent OnCheck"));  // not due yet
    EXPECT_EQ(engine.GetOnlineSince(), FROZEN_SECONDS);
    engine.ScheduleNow();
    ASSERT_TRUE(events.WaitFor("AgentEvent OnCheck", 1, WAIT_MS));
    ASSERT_TRUE(events.WaitFor("RefreshStateRow", 2, WAIT_MS));  // the sequence's end
    ASSERT_TRUE(Ticks(2));
    EXPECT_TRUE(engine.StopWorkThread(WAIT_MS));
    EXPECT_EQ(Get("TimeLastOK"), "1 OK");
    EXPECT_EQ(Get("TimeLastValueMs"), "250");
    EXPECT_EQ(Get("TimeNextRefresh"), std::to_string(FROZEN_SECONDS + 3600));
    EXPECT_EQ(server.Requests(), 1);  // once: the next one is an hour away
    EXPECT_EQ(events.Count("AgentEvent OnCheck"), 1);
}

TEST_F(WorkThread, PendingAdjustmentWaitsWhileSuspended)
{
    Put("TimeLastTimeDelta", "00000002.00000000");
    engine.SetSuspended(true);
    engine.SetAdjustPending();
    ASSERT_TRUE(engine.StartWorkThread());
    ASSERT_TRUE(Ticks(3));
    EXPECT_TRUE(engine.IsAdjustPending());
    EXPECT_EQ(clock.SetUtcCalls, 0);

    engine.SetSuspended(false);
    ASSERT_TRUE(events.WaitFor("AgentEvent OnClockAdjusted", 1, WAIT_MS));
    ASSERT_TRUE(Ticks(2));
    EXPECT_FALSE(engine.IsAdjustPending());
    EXPECT_EQ(clock.SetUtcCalls, 1);
    EXPECT_EQ(clock.LastSetUtc.wSecond, 2);
    EXPECT_EQ(Get("TimeLastTimeDelta"), "00000000.00000000");
}

// Offline, no update runs, but a pending adjustment still does.
TEST_F(WorkThread, OfflineAdjustmentsGoOn)
{
    Put("TimeNextRefresh", std::to_string(FROZEN_SECONDS - 1).c_str());  // due
    Put("TimeLastTimeDelta", "00000001.00000000");
    ASSERT_TRUE(engine.StartWorkThread());
    engine.SetAdjustPending();
    ASSERT_TRUE(events.WaitFor("AgentEvent OnClockAdjusted", 1, WAIT_MS));
    ASSERT_TRUE(Ticks(2));
    EXPECT_FALSE(events.Has("AgentEvent OnCheck"));
    EXPECT_EQ(engine.GetOnlineSince(), 0u);
}

// The scripted stand-in for the remote-access library, loaded by the test first so
// that it can be scripted before the engine asks.
class DialUp : public ENGINETEST {
protected:
    void SetUp() override
    {
        ENGINETEST::SetUp();
        WINRAS::SetLibraryName((TestProgramDir() + "\\fakerasapi.dll").c_str());
        library = LoadLibraryA((TestProgramDir() + "\\fakerasapi.dll").c_str());
        ASSERT_NE(library, nullptr);
        script = reinterpret_cast<FAKERASSCRIPT>(reinterpret_cast<void*>(GetProcAddress(library, "FakeRasScript")));
        ASSERT_NE(script, nullptr);
        script("", "");
        Put("ConnectionType", "1");
        Put("ConnectionDunAny", "0");
        Put("ConnectionEntryToMonitor", "Office");
    }
    void TearDown() override
    {
        EXPECT_TRUE(engine.StopWorkThread(WAIT_MS));
        WINRAS::SetLibraryName(nullptr);
        if (library) FreeLibrary(library);
        ENGINETEST::TearDown();
    }
    bool Ticks(int n) { return events.WaitFor("PostTick", events.Count("PostTick") + n, WAIT_MS); }

    HMODULE library = nullptr;
    FAKERASSCRIPT script = nullptr;
};

TEST_F(DialUp, OnlineForEveryConnectionType)
{
    struct {
        const char* type;
        const char* any;
        const char* entry;
        const char* connections;
        int online;
    } cases[] = {
        {"0", "0", "Office", "", 1},                       // permanent connection
        {"-1", "0", "Office", "Office=0x2000", 0},         // not configured
        {"2", "0", "Office", "Office=0x2000", 0},          // unknown
        {"1", "0", "Office", "", 0},                       // no connection
        {"1", "0", "Office", "Office=0x2000", 1},          // the watched entry
        {"1", "0", "Office", "Home=0x2000|Office=1", 0},   // another entry, the watched one dialling
        {"1", "1", "Office", "Home=0x2000", 1},            // any entry counts
        {"1", "1", "Office", "Home=1|Office=0x2000", 0},   // the first connection is still dialling
    };
    for (const auto& c : cases) {
        Put("ConnectionType", c.type);
        Put("ConnectionDunAny", c.any);
        Put("ConnectionEntryToMonitor", c.entry);
        script("", c.connections);
        EXPECT_EQ(engine.IsOnline(), c.online) << c.type << " " << c.any << " " << c.connections;
    }
    engine.SetLanFlags(true, false);
    Put("ConnectionType", "-1");
    EXPECT_EQ(engine.IsOnline(), 1);  // a LAN client
}

TEST_F(DialUp, EntryNamesUpTo127Characters)
{
    std::string longest(127, 'n');
    script("", (longest + "=0x2000|" + longest + "n=0x2000").c_str());
    Put("ConnectionEntryToMonitor", longest.c_str());
    REPORTS reports;
    EXPECT_EQ(engine.IsOnline(), 1);
    EXPECT_TRUE(reports.Were(0));

    Put("ConnectionEntryToMonitor", (longest + "n").c_str());  // refused, never cut
    EXPECT_EQ(engine.IsOnline(), 0);
    EXPECT_TRUE(reports.Were(1, nullptr, "ConnectionEntryToMonitor too long"));
    EXPECT_EQ(engine.IsOnline(), 0);  // reported once, not every half second
    EXPECT_TRUE(reports.Were(0));
}

// Online at second 0: the first update comes only once 11 seconds have passed.
TEST_F(DialUp, AFreshConnectionIsGivenTenSeconds)
{
    Put("TimeCyclic", "1");
    Put("TimeLastRefresh", std::to_string(FROZEN_SECONDS - 7200).c_str());
    Put("TimeNextRefresh", std::to_string(FROZEN_SECONDS - 3600).c_str());  // overdue
    Put("TimeServer", "1.2.3.4.5");
    Put("ClockDocked", "1");
    script("", "Office=0x2000");
    ASSERT_TRUE(engine.StartWorkThread());
    ASSERT_TRUE(Ticks(3));
    EXPECT_EQ(engine.GetOnlineSince(), FROZEN_SECONDS);
    EXPECT_FALSE(events.Has("AgentEvent OnCheck"));

    clock.MoveTo(10000);
    ASSERT_TRUE(Ticks(3));
    EXPECT_FALSE(events.Has("AgentEvent OnCheck"));

    clock.MoveTo(11000);
    EXPECT_TRUE(events.WaitFor("AgentEvent OnCheck", 1, WAIT_MS));
}
