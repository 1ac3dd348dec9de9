// One update sequence against the test SNTP server: a good result, the second
// server tried only when asked for and only after the first failed, the LAN
// client's time-out, and the end of the program after one good update (ProAutoTime
// with TimeCheckOnce).
#include "enginetest.h"

#include "horalinkres.h"
#include "logcapture.h"
#include "sntpserver.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>

using testing::HasSubstr;

class UpdateItem : public ENGINETEST {
protected:
    void SetUp() override
    {
        ENGINETEST::SetUp();
        if (HasFatalFailure()) return;
        if (!server.Start()) GTEST_SKIP() << "the test SNTP server cannot run: " << server.ErrorText();
        // The documented waits would only slow the test: the pause and the LAN answer's.
        ENGINETIMINGS timings;
        timings.SntpPort = server.Port();
        timings.UpdatePauseMs = 0;
        timings.LanAnswerWaitMs = 200;
        engine.SetTimings(timings);
        ServerAhead(1500000);
        const std::pair<const char*, const char*> start[] = {
            {"TimeServer", "127.0.0.1"}, {"TimeServer2", ""},         {"TimeDoServer2", "0"},
            {"TimeCyclic", "1"},         {"TimeNetVariance", "500"},  {"TimeMaxDiff", "2000"},
            {"ClockDocked", "1"},        {"ClockColor1", "9737364"}, {"TimeErrCount", "2"},
            {"NotifyDoMsgbox", "0"},     {"ProAutoTime", "0"}};
        for (const auto& setting : start) Put(setting.first, setting.second);
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
                      "TimeLastValueMs", "TimeLastQuality", "TimeLastDiffNice", "LastTimeServer"}),
              "1 OK|0|+OK 127.0.0.1|00000001.80000000|1500|1|-1.5 s|127.0.0.1");
    EXPECT_EQ(Values({"TimeLastRefresh", "TimeNextRefresh"}),
              std::to_string(FROZEN_SECONDS) + "|" + std::to_string(FROZEN_SECONDS + 3600));
    EXPECT_EQ(server.Requests(), 1);
    EXPECT_FALSE(engine.IsBusy());

    std::vector<std::string> expected = {
        "CheckStarted 127.0.0.1", "StatusChanged",
        "ResultJudged 1|1500|" + Get("TimeLastStatus") + "|" + Text(IDS_STATUSNOADJUST), "CheckDone 1"};
    EXPECT_EQ(events.Calls(), expected);
    for (const char* line : {"APP::UpdateItem do update", "APP::OnCheck()", "APP::UpdateItem before Sleep",
                             "APP::UpdateItem try 1/1", "APP::UpdateItem after ExtraAdjustment",
                             "APP::UpdateItem end loop", "APP::~UpdateItem"})
        EXPECT_THAT(log.Text(), HasSubstr(std::string("] ") + line + "\r\n"));
}

// The first server always; the second only when TimeDoServer2 is set and the first failed
// (a text that is no address fails at once).
TEST_F(UpdateItem, ServerChoice)
{
    struct {
        const char* first;
        const char* second;
        const char* dosecond;
        const char* tries;
        bool secondtried;
        const char* result;  // TimeLastOK|LastTimeServer|TimeErrCount; null: failed
        int requests;
    } cases[] = {{"1.2.3.4.5", "127.0.0.1", "1", "2", true, "1 OK|127.0.0.1|0", 1},
                 {"127.0.0.1", "1.2.3.4.5", "1", "2", false, "1 OK|127.0.0.1|0", 1},
                 {"1.2.3.4.5", "127.0.0.1", "0", "1", false, nullptr, 0}};
    for (const auto& c : cases) {
        Put("TimeServer", c.first);
        Put("TimeServer2", c.second);
        Put("TimeDoServer2", c.dosecond);
        Put("TimeErrCount", "2");
        int before = server.Requests();
        LOGCAPTURE log;
        engine.UpdateItem();
        std::string tried = log.Text();
        EXPECT_EQ(server.Requests() - before, c.requests) << c.first;
        EXPECT_THAT(tried, HasSubstr(std::string("] APP::UpdateItem try 1/") + c.tries + "\r\n"));
        EXPECT_EQ(tried.find("try 2/2") != std::string::npos, c.secondtried) << c.first;
        if (c.result) {
            EXPECT_EQ(Values({"TimeLastOK", "LastTimeServer", "TimeErrCount"}), c.result);
            continue;
        }
        // A failed sequence: the error as the second status line, the schedule moves on.
        EXPECT_EQ(Values({"LastTimeServer", "TimeErrCount", "TimeLastStatus"}),
                  "1.2.3.4.5|3|" + Text(IDS_STATUSFAILED));
        EXPECT_THAT(Get("TimeLastStatus2"), HasSubstr("Bad time server/ip-addr"));
        EXPECT_THAT(tried, HasSubstr("] APP::UpdateItem error occurred Bad time server/ip-addr"));
        EXPECT_EQ(Get("TimeNextRefresh"), std::to_string(FROZEN_SECONDS + 3600));
    }
}

// Without a LAN server the wait runs out (the answers: the LAN protocol's tests).
TEST_F(UpdateItem, TheLanClientTimesOutWithoutAServer)
{
    engine.SetLanFlags(true, false);
    EXPECT_EQ(engine.IsOnline(), 1);  // a LAN client is always online
    engine.GetLanAnswerEvent().Set();  // a stale answer from before does not count
    engine.UpdateItem();
    EXPECT_EQ(Values({"TimeLastOK", "TimeErrCount", "TimeLastStatus", "TimeLastStatus2"}),
              "0 +ERR Timeout|3|" + Text(IDS_STATUSFAILED) + "|" + Text(IDS_LANTIMEOUT));
    EXPECT_EQ(server.Requests(), 0);
    EXPECT_EQ(Get("TimeNextRefresh"), std::to_string(FROZEN_SECONDS + 3600));
}

// ProAutoTime with TimeCheckOnce ends the program after a good update, never after a
// failed one (the "ONCE" switch: e2e tests).
TEST_F(UpdateItem, OneGoodUpdateEndsTheProgramWhenAsked)
{
    Put("ProAutoTime", "1");
    engine.UpdateItem();
    EXPECT_FALSE(events.Has("ExitRequested"));
    Put("TimeCheckOnce", "1");
    engine.UpdateItem();
    EXPECT_EQ(events.Calls("ExitRequested"), std::vector<std::string>{"ExitRequested"});
    events.Clear();
    ServerAhead(0, SNTPREPLY::KissOfDeath);
    engine.UpdateItem();
    EXPECT_EQ(events.Calls("CheckDone"), std::vector<std::string>{"CheckDone 0"});
    EXPECT_FALSE(events.Has("ExitRequested"));
}

// Kiss-o'-death RATE backs off: with TimeCyclic below a minute the next check comes
// 120 s, then 240 s after the last; a plain answer returns to the 60 s floor.
TEST_F(UpdateItem, RateBacksOff)
{
    Put("TimeCyclic", "0.0001");
    struct {
        SNTPREPLY reply;
        long next;
    } cases[] = {{SNTPREPLY::KissOfDeath, 120}, {SNTPREPLY::KissOfDeath, 240},
                 {SNTPREPLY::KissOfDeath, 480}, {SNTPREPLY::Answer, 60}, {SNTPREPLY::KissOfDeath, 120}};
    int step = 0;
    for (const auto& c : cases) {
        ServerAhead(0, c.reply);
        int before = server.Requests();
        engine.UpdateItem();
        EXPECT_EQ(server.Requests() - before, 1) << step;
        EXPECT_EQ(Get("TimeNextRefresh"), std::to_string(FROZEN_SECONDS + c.next)) << step;
        step++;
    }
}

// DENY and RSTR stop the server: no request reaches it on the next update and the status
// says so; a changed server setting asks it again.
TEST_F(UpdateItem, DenyAndRstrStopTheServer)
{
    for (const char* code : {"DENY", "RSTR"}) {
        Put("TimeServer", "127.0.0.1");
        SNTPSERVERCONFIG config;
        config.Reply = SNTPREPLY::KissOfDeath;
        config.FixedTime = SntpTimestamp(FrozenTime());
        std::memcpy(config.KissCode, code, 4);
        server.Configure(config);
        int before = server.Requests();
        engine.UpdateItem();
        EXPECT_EQ(server.Requests() - before, 1) << code;
        std::string stopped = APPENGINE::ResourceText(IDS_SNTPSTOPPED, code).Text();
        EXPECT_EQ(Values({"TimeLastStatus", "TimeLastStatus2"}), Text(IDS_STATUSFAILED) + "|" + stopped);

        ServerAhead(0);  // it would answer now, but is not asked
        LOGCAPTURE log;
        engine.UpdateItem();
        EXPECT_EQ(server.Requests() - before, 1) << code;
        EXPECT_EQ(Values({"TimeLastStatus", "TimeLastStatus2"}), Text(IDS_STATUSFAILED) + "|" + stopped);
        EXPECT_THAT(log.Text(), HasSubstr("] APP::UpdateItem 127.0.0.1 is not asked: it sent " +
                                          std::string(code) + "\r\n"));

        Put("TimeServer", "1.2.3.4.5");  // the setting changes ...
        engine.UpdateItem();
        Put("TimeServer", "127.0.0.1");  // ... and the server is asked again
        engine.UpdateItem();
        EXPECT_EQ(server.Requests() - before, 2) << code;
        EXPECT_EQ(Get("TimeLastOK"), "1 OK") << code;
    }
}
