// One update sequence against the test SNTP server: a good result, a silent
// server, the second server tried only when asked for and only after the first
// failed, the LAN client's time-out, and the end of the program after one good
// update ("ONCE", or ProAutoTime with TimeCheckOnce).
#include "enginetest.h"

#include "horalinkres.h"
#include "kelvoapp.h"
#include "logcapture.h"
#include "sntpserver.h"
#include "testfiles.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using testing::HasSubstr;
using testing::Not;

class UpdateItem : public ENGINETEST {
protected:
    void SetUp() override
    {
        ENGINETEST::SetUp();
        if (HasFatalFailure()) return;
        if (!server.Start()) GTEST_SKIP() << "the test SNTP server cannot run: " << server.ErrorText();
        engine.SetSntpPort(server.Port());
        ServerAhead(1500000);
        Put("TimeServer", "127.0.0.1");
        Put("TimeServer2", "");
        Put("TimeDoServer2", "0");
        Put("TimeCyclic", "1");
        Put("TimeNetVariance", "500");
        Put("TimeMaxDiff", "2000");
        Put("ClockDocked", "1");
        Put("ClockColor1", "9737364");
        Put("TimeErrCount", "2");
        Put("NotifyDoMsgbox", "0");
        Put("ProAutoTime", "0");
    }
    void TearDown() override
    {
        server.Stop();
        ENGINETEST::TearDown();
    }
    // The server's clock stands exactly us microseconds ahead of the frozen clock.
    void ServerAhead(long long us, SNTPREPLY reply = SNTPREPLY::Answer)
    {
        SNTPSERVERCONFIG config;
        config.Reply = reply;
        config.FixedTime = SntpTimestamp(FrozenTime());
        config.OffsetUs = us;
        server.Configure(config);
    }

    SNTPSERVER server;
};

TEST_F(UpdateItem, AGoodResult)
{
    Put("ClockDocked", "0");
    LOGCAPTURE log;
    engine.UpdateItem();
    EXPECT_EQ(Values({"TimeLastOK", "TimeErrCount", "TimeLastValue", "TimeLastTimeDelta",
                      "TimeLastValueMs", "TimeLastQuality", "LastTimeServer"}),
              "1 OK|0|+OK 127.0.0.1|00000001.80000000|1500|1|127.0.0.1");
    EXPECT_EQ(Get("TimeLastDiffNice"), "-1.5 " + Unit(0));
    EXPECT_EQ(Get("TimeLastRefresh"), std::to_string(FROZEN_SECONDS));
    EXPECT_EQ(Get("TimeNextRefresh"), std::to_string(FROZEN_SECONDS + 3600));
    EXPECT_EQ(server.Requests(), 1);
    EXPECT_FALSE(engine.IsBusy());

    std::vector<std::string> calls = events.Calls();
    ASSERT_GE(calls.size(), 4u);
    EXPECT_EQ(calls[0], "RefreshStateRow");
    EXPECT_EQ(calls[1], "DockShowText " + Text(IDS_STATUSCHECKING) + "|127.0.0.1|0");
    EXPECT_EQ(calls[2], "AgentEvent OnCheck");
    EXPECT_EQ(calls.back(), "RefreshStateRow");
    EXPECT_TRUE(events.Has("AgentEvent OnGoodMatch"));
    EXPECT_TRUE(events.Has("DockColour 9737364"));
    EXPECT_FALSE(events.Has("PostCommand"));

    const std::string& text = log.Text();
    for (const char* line : {"APP::UpdateItem\r\n", "APP::UpdateItem do update\r\n", "APP::OnCheck()\r\n",
                             "APP::UpdateItem before Sleep\r\n", "APP::UpdateItem after Sleep\r\n",
                             "APP::UpdateItem try 1/1\r\n", "APP::UpdateItem after ExtraAdjustment\r\n",
                             "APP::HandleNewResult\r\n", "APP::UpdateItem end loop\r\n", "APP::Refreshed\r\n",
                             "APP::~UpdateItem\r\n"})
        EXPECT_THAT(text, HasSubstr(std::string("] ") + line));
}

TEST_F(UpdateItem, ASilentServer)
{
    ServerAhead(0, SNTPREPLY::Silent);
    LOGCAPTURE log;
    engine.UpdateItem();
    EXPECT_EQ(Get("TimeLastOK"), "0 No response from server");
    EXPECT_EQ(Get("TimeErrCount"), "3");
    EXPECT_EQ(Get("TimeLastStatus"), Text(IDS_STATUSFAILED));
    EXPECT_EQ(Get("TimeLastStatus2"), "No response from server");
    EXPECT_EQ(Get("TimeLastQuality"), "0");
    // A failed sequence moves the schedule on like a good one.
    EXPECT_EQ(Get("TimeNextRefresh"), std::to_string(FROZEN_SECONDS + 3600));
    EXPECT_THAT(log.Text(), HasSubstr("] APP::UpdateItem error occurred No response from server\r\n"));
    EXPECT_FALSE(events.Has("AgentEvent OnGoodMatch"));
}

TEST_F(UpdateItem, TheSecondServerAfterTheFirstFailed)
{
    Put("TimeServer", "1.2.3.4.5");
    Put("TimeServer2", "127.0.0.1");
    Put("TimeDoServer2", "1");
    LOGCAPTURE log;
    engine.UpdateItem();
    EXPECT_EQ(Values({"TimeLastOK", "LastTimeServer", "TimeErrCount"}), "1 OK|127.0.0.1|0");
    EXPECT_EQ(server.Requests(), 1);
    const std::string& text = log.Text();
    EXPECT_THAT(text, HasSubstr("] APP::UpdateItem try 1/2\r\n"));
    EXPECT_THAT(text, HasSubstr("] APP::UpdateItem try 2/2\r\n"));
}

TEST_F(UpdateItem, TheSecondServerOnlyWhenTheFirstFailed)
{
    Put("TimeServer2", "1.2.3.4.5");
    Put("TimeDoServer2", "1");
    LOGCAPTURE log;
    engine.UpdateItem();
    EXPECT_EQ(Get("LastTimeServer"), "127.0.0.1");
    EXPECT_THAT(log.Text(), Not(HasSubstr("try 2/2")));
}

TEST_F(UpdateItem, WithoutTheSecondServerOneTryEndsIt)
{
    Put("TimeServer", "1.2.3.4.5");
    Put("TimeServer2", "127.0.0.1");
    LOGCAPTURE log;
    engine.UpdateItem();
    EXPECT_EQ(Get("LastTimeServer"), "1.2.3.4.5");
    EXPECT_EQ(Get("TimeErrCount"), "3");
    EXPECT_EQ(server.Requests(), 0);
    EXPECT_THAT(log.Text(), HasSubstr("] APP::UpdateItem try 1/1\r\n"));
    EXPECT_THAT(Get("TimeLastStatus2"), HasSubstr("Bad time server/ip-addr"));
}

// Until the LAN protocol sends requests no LAN server can answer, so the wait runs out.
TEST_F(UpdateItem, TheLanClientTimesOut)
{
    engine.SetLanFlags(true, false);
    EXPECT_EQ(engine.IsOnline(), 1);  // a LAN client is always online
    engine.GetLanAnswerEvent().Set();  // a stale answer from before does not count
    engine.UpdateItem();
    EXPECT_EQ(Get("TimeLastOK"), "0 +ERR Timeout");
    EXPECT_EQ(Get("TimeErrCount"), "3");
    EXPECT_EQ(Get("TimeLastStatus"), Text(IDS_STATUSFAILED));
    EXPECT_EQ(Get("TimeLastStatus2"), Text(IDS_LANTIMEOUT));
    EXPECT_EQ(server.Requests(), 0);
    EXPECT_EQ(Get("TimeNextRefresh"), std::to_string(FROZEN_SECONDS + 3600));
}

// A LAN answer taken by the protocol sets the event; the sequence then counts as good.
TEST_F(UpdateItem, ALanAnswerEndsTheWait)
{
    engine.SetLanFlags(true, false);
    Put("ProAutoTime", "1");
    Put("TimeCheckOnce", "1");
    // The request resets the event first, so the stand-in for the protocol's reader
    // keeps setting it until the sequence is over.
    std::atomic<bool> done{false};
    std::thread reader([&] {
        while (!done) {
            engine.GetLanAnswerEvent().Set();
            Sleep(20);
        }
    });
    engine.UpdateItem();
    done = true;
    reader.join();
    EXPECT_EQ(events.Calls("PostCommand"), std::vector<std::string>{"PostCommand 2200"});
    EXPECT_EQ(Get("TimeErrCount"), "2");  // nothing recorded by the sequence itself
}

TEST_F(UpdateItem, OneGoodUpdateEndsTheProgramWhenAsked)
{
    Put("ProAutoTime", "1");
    Put("TimeCheckOnce", "0");
    engine.UpdateItem();
    EXPECT_FALSE(events.Has("PostCommand"));

    events.Clear();
    Put("TimeCheckOnce", "1");
    engine.UpdateItem();
    EXPECT_EQ(events.Calls("PostCommand"), std::vector<std::string>{"PostCommand 2200"});

    // Not after a failed sequence.
    events.Clear();
    ServerAhead(0, SNTPREPLY::KissOfDeath);
    engine.UpdateItem();
    EXPECT_FALSE(events.Has("PostCommand"));
}

TEST_F(UpdateItem, TheOnceSwitchEndsTheProgramAfterOneGoodUpdate)
{
    std::string line = "\"" + std::string(KELVOAPP::ProgramPath()) + "\" /ONCE";
    KELVOAPP::PrepareArguments(GetModuleHandleA(nullptr), line.c_str());
    KELVOAPP::SetLanguageCode(9);
    LoadLanguageLibrary((ProductBinDir() + "\\horalink.exe").c_str(), "horalink", "1.00");
    engine.UpdateItem();
    EXPECT_EQ(events.Calls("PostCommand"), std::vector<std::string>{"PostCommand 2200"});
    KELVOAPP::Reset();
}
