// The LAN time protocol without processes: the lines a server sends, the filter of
// received lines (repeats, our own, other recipients, split and joined deliveries,
// malformed and oversized input), a client's answers and what it refuses to trust,
// and the cyclic broadcast's period.
#include "enginetest.h"

#include "horalinkres.h"
#include "lanlink.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace {

struct RECORDINGLINK : LANLINK {
    std::vector<std::string> Lines;
    bool Send(const char* bytes, int length) override
    {
        Lines.emplace_back(bytes, static_cast<size_t>(length));
        return true;
    }
};

// 2024-05-01 12:00:00 UTC, the frozen clock, and 1.5 s after it, as the wire writes them.
const std::string NOW = "e9dcad40.00000000";
const std::string LATER = "e9dcad41.80000000";

class LanProtocol : public ENGINETEST {
protected:
    void SetUp() override
    {
        ENGINETEST::SetUp();
        engine.SetLanLink(&link);
        ENGINETIMINGS timings;
        timings.LanAnswerWaitMs = 500;
        engine.SetTimings(timings);
        for (const char* key : {"TimeNetVariance=500", "TimeMaxDiff=2000", "TimeCyclic=1", "NotifyDoMsgbox=0",
                                "ProAutoTime=0", "TimeDoMaxAdjust=1", "TimeMaxAdjust=1"}) {
            std::string pair(key);
            Put(pair.substr(0, pair.find('=')).c_str(), pair.substr(pair.find('=') + 1));
        }
    }
    void Feed(const std::string& bytes) { engine.MailioCallback(bytes.data(), static_cast<int>(bytes.size())); }

    RECORDINGLINK link;
    std::string own = APPENGINE::OwnLanName().Text();
};

}  // namespace

TEST_F(LanProtocol, AServerAnswersEachNewRequestForItOnce)
{
    engine.SetLanFlags(false, true);
    const std::string request = "[1a2f.WS12.*]NEEDTIME 0e1a2b3c.40000000\n";
    struct {
        std::string bytes;
        size_t answers;
        const char* what;
    } steps[] = {
        {request, 1, "a request"},
        {request, 0, "the same again, by a second transport"},
        {"[1a30.WS12.OTHER]NEEDTIME 1.0\n", 0, "a request for another computer"},
        {"[1a30.WS12.*]NEEDTIME 1.0\n", 1, "that id for all: the other recipient's left no trace"},
        {"[1a31.WS12.*]NEED", 0, "half a line"},
        {"TIME 1.0\n[1a32.WS12.*]NEEDTIME 1.0\n", 2, "its end, and a second line in the same delivery"},
        {"no bracket\n[1a33.WS12.*]NEEDTIME 1.0\n", 1, "a malformed line, then a good one"},
        {std::string("<ERROR>\0", 8) + "[1a34.WS12.*]NEEDTIME 1.0\n", 1, "the device's overflow mark, then a line"},
        {"[1a35.WS12.*]TIME 1.0\n[1a36.WS12.*]TIMENTP 1.0 2.0 3.0\n", 0, "time answers, which a server ignores"},
        {"[1a37.A_VERY_LONG_SENDER_NAME_X.*]NEEDTIME 1.0\n", 0, "an id of 32 characters"},
        {"[1a37.A_VERY_LONG_SENDER_NAME_.*]NEEDTIME 1.0\n", 1, "one of 31"},
        {std::string(70000, 'x'), 0, "70000 bytes without a line end"},
        {"[1a38.WS12.*]NEEDTIME 1.0\n", 1, "the next line after them"},
        {"[1a2f.WS12.*]NEEDTIME 0e1a2b3c.40000000\n", 1, "a restarted sender's new first id"},
        {"[1a2f.WS12.*]NEEDTIME 0e1a2b3c.40000000\n", 0, "and that id repeated"},
    };
    for (const auto& step : steps) {
        size_t before = link.Lines.size();
        Feed(step.bytes);
        EXPECT_EQ(link.Lines.size() - before, step.answers) << step.what;
    }
    // The answer: to the requester, the request's time copied, then our time twice.
    ASSERT_FALSE(link.Lines.empty());
    EXPECT_EQ(link.Lines[0].substr(0, 1) + link.Lines[0].substr(5),
              "[." + own + ".WS12]TIMENTP 0e1a2b3c.40000000 " + NOW + " " + NOW + "\n");
    EXPECT_EQ(link.Lines[0].find_first_not_of("0123456789abcdef", 1), 5u);

    // Our own broadcast, received by our own slot, is ignored; a SERVERBROADCAST from the
    // network is obeyed like our own.
    size_t before = link.Lines.size();
    ASSERT_EQ(engine.SendCommand("NEEDTIME 1.0", nullptr), 1);
    Feed(link.Lines.back());
    Feed("[1a39.WS12.*]SERVERBROADCAST\n");
    ASSERT_EQ(link.Lines.size() - before, 2u);
    EXPECT_EQ(link.Lines.back().substr(5), "." + own + ".*]TIME " + NOW + "\n");
    EXPECT_EQ(Get("LanLastBrodcast"), std::to_string(FROZEN_SECONDS));
}

// A client takes a server's answer to its request (or a broadcast) as a measurement;
// an answer to no request of ours, a time that does not parse, an impossible round trip
// or a difference beyond the largest correction never reaches the clock.
TEST_F(LanProtocol, AClientTakesAnAnswerAndDropsWhatCannotBeTrusted)
{
    engine.SetLanFlags(true, false);
    struct {
        std::string answer;  // "%s" stands for the request's time
        const char* valuems;  // null: the wait runs out
    } cases[] = {
        {"TIMENTP %s " + LATER + " " + LATER, "1500"},
        {"TIME " + LATER, "1500"},
        {"TIMENTP e9dcad3f.e6666666 " + LATER + " " + LATER, nullptr},  // 0.1 s before our request
        {"TIMENTP %s zz.1 " + LATER, nullptr},
        {"TIMENTP %s " + LATER + " e9dcad4b.80000000", nullptr},  // held it 10 s: beyond the wait
        {"TIME e9dcbb51.00000000", nullptr},                       // an hour and 1 s: above the limit
        {"NEEDTIME %s", nullptr},                                  // a client ignores requests
    };
    int id = 0x2000;
    for (const auto& c : cases) {
        link.Lines.clear();
        std::atomic<bool> done{false};
        std::thread server([&] {
            while (!done && link.Lines.empty()) Sleep(5);
            if (done) return;
            std::string answer = c.answer;
            size_t at = answer.find("%s");
            if (at != std::string::npos) answer.replace(at, 2, link.Lines[0].substr(link.Lines[0].find("NEEDTIME ") + 9, 17));
            char head[32];
            snprintf(head, sizeof head, "[%04x.SERVER.%s]", id++, own.c_str());
            Feed(head + answer + "\n");
        });
        engine.UpdateItem();
        done = true;
        server.join();
        SCOPED_TRACE(c.answer);
        ASSERT_EQ(link.Lines.size(), 1u);
        EXPECT_EQ(link.Lines[0].substr(5), "." + own + ".*]NEEDTIME " + NOW + "\n");
        if (c.valuems)
            EXPECT_EQ(Values({"TimeLastOK", "TimeLastValueMs"}), std::string("1 OK|") + c.valuems);
        else
            EXPECT_EQ(Values({"TimeLastOK", "TimeLastStatus2"}), "0 +ERR Timeout|" + Text(IDS_LANTIMEOUT));
    }
}

// The cyclic broadcast: hours as typed (a fraction counts, below a second is an hour),
// a last broadcast in the future is taken as now.
TEST_F(LanProtocol, TheBroadcastPeriod)
{
    struct {
        const char* cyclic;
        const char* hours;
        unsigned long agos;  // how long ago the last one was
        int due;
    } cases[] = {{"1", "0.5", 1800, 1}, {"1", "0.5", 1799, 0}, {"1", "0", 3600, 1}, {"1", "0", 3599, 0},
                 {"1", "x", 3600, 1},   {"1", "1e30", 3600, 0}, {"0", "0.5", 99999, 0}};
    for (const auto& c : cases) {
        Put("LanBrodcastCyclic", c.cyclic);
        Put("LanBrodcastCyclicHours", c.hours);
        Put("LanLastBrodcast", std::to_string(FROZEN_SECONDS - c.agos));
        EXPECT_EQ(engine.NeedsBrodcast(), c.due) << c.hours << " " << c.agos;
    }
    Put("LanBrodcastCyclicHours", "1");
    Put("LanLastBrodcast", std::to_string(FROZEN_SECONDS + 500));
    EXPECT_EQ(engine.NeedsBrodcast(), 0);
    EXPECT_EQ(Get("LanLastBrodcast"), std::to_string(FROZEN_SECONDS));
}
