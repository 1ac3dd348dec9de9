// APPENGINE::GetNtpTime against the test SNTP server: offsets, the request bytes,
// the correction limit, bad server texts, silence, and replies that must never
// count (spoofed, foreign, short, malformed) or must fail the try.
#include <winsock2.h>  // ahead of every header that brings in windows.h

#include "enginetest.h"

#include "horalinkres.h"
#include "logcapture.h"
#include "sntpserver.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using testing::HasSubstr;

// The queries' deadline here: silence and stray datagrams are not sat out for the
// program's ten seconds, yet the wait is ten times the 50 ms the server leaves between a
// stray datagram and the next one or the genuine reply, so these still fall within it.
const unsigned long TEST_DEADLINE_MS = 500;
// The query's clock and ours may each round the wait down by a tick.
const unsigned long TICK_MS = 20;

class SntpQuery : public ENGINETEST {
protected:
    void SetUp() override
    {
        ENGINETEST::SetUp();
        if (HasFatalFailure()) return;
        if (!server.Start()) GTEST_SKIP() << "the test SNTP server cannot run: " << server.ErrorText();
        ENGINETIMINGS timings = engine.GetTimings();
        timings.SntpPort = server.Port();
        timings.SntpWaitMs = TEST_DEADLINE_MS;
        engine.SetTimings(timings);
    }
    // The server's clock stands exactly offsetus ahead of the frozen one.
    void Serve(long long offsetus, SNTPREPLY reply = SNTPREPLY::Answer)
    {
        config.Reply = reply;
        config.FixedTime = SntpTimestamp(FrozenTime());
        config.OffsetUs = offsetus;
        server.Configure(config);
    }
    int Query(const char* name)
    {
        offset = NTPTIME(0x12345678u, 0x9ABCDEF0u);  // must come back zero after a failure
        DWORD start = GetTickCount();
        int ok = engine.GetNtpTime(name, output, offset);
        elapsedms = GetTickCount() - start;
        return ok;
    }
    std::string Output() { return output.Text(); }
    std::string Offset() { return offset.Text().Text(); }

    SNTPSERVER server;
    SNTPSERVERCONFIG config;
    STRING output;
    NTPTIME offset;
    unsigned long elapsedms = 0;
};

// The program's own port and waits; tests shorten them only through the seam.
class SntpProgramValues : public ENGINETEST {};

TEST_F(SntpProgramValues, Port123AndTheDocumentedWaits)
{
    const ENGINETIMINGS& t = engine.GetTimings();
    EXPECT_EQ(t.SntpPort, 123);
    EXPECT_EQ(std::to_string(t.SntpWaitMs) + "|" + std::to_string(t.UpdatePauseMs) + "|" +
                  std::to_string(t.DialupGraceS) + "|" + std::to_string(t.LanAnswerWaitMs),
              "10000|1500|11|1500");
}

TEST_F(SntpQuery, ServerAheadAndBehindExactly)
{
    Serve(1500000);
    {
        LOGCAPTURE log;
        ASSERT_EQ(Query("127.0.0.1"), 1);
        EXPECT_EQ(Output(), "+OK 127.0.0.1");
        EXPECT_EQ(Offset(), "00000001.80000000");
        for (const char* line :
             {"APP::GetNtpTime 127.0.0.1", "APP::GetNtpTime Clock Difference: 1.500 seconds",
              "APP::GetNtpTime Round trip delay: 0.000 seconds",
              "APP::GetNtpTime done, output= +OK 127.0.0.1"})
            EXPECT_THAT(log.Text(), HasSubstr(std::string("] ") + line + "\r\n"));
        EXPECT_THAT(log.Text(), testing::Not(HasSubstr("GetNtpTime ok=")));
    }
    // The request: 0x1B, 39 zero bytes, then T1 big-endian.
    std::string request = std::string(1, '\x1B') + std::string(39, '\0');
    uint64_t t1 = SntpTimestamp(FrozenTime());
    for (int i = 7; i >= 0; i--) request += static_cast<char>(t1 >> (8 * i));
    EXPECT_EQ(server.LastRequest(), request);

    config.PadBytes = 40;  // 88 bytes, beyond the 68-byte buffer: still used
    Serve(-250000);
    LOGCAPTURE log;
    ASSERT_EQ(Query("127.0.0.1"), 1);
    EXPECT_EQ(Offset(), "ffffffff.c0000000");
    EXPECT_THAT(log.Text(), HasSubstr("] APP::GetNtpTime Clock Difference: -0.250 seconds\r\n"));
}

// TimeMaxAdjust hours limit the correction while TimeDoMaxAdjust is set: whole seconds up
// to the limit pass; with either setting 0 any difference passes.
TEST_F(SntpQuery, TheCorrectionLimit)
{
    struct {
        const char* doit;
        const char* hours;
        long long us;
        const char* offset;  // null: refused
    } cases[] = {{"1", "1", 3600900000LL, "00000e10.e6666666"},
                 {"1", "1", 3601000000LL, nullptr},
                 {"1", "1", -3600000000LL, "fffff1f0.00000000"},
                 {"1", "1", -3601000000LL, nullptr},
                 {"0", "1", 100000000000LL, "000186a0.00000000"},
                 {"1", "0", 100000000000LL, "000186a0.00000000"}};
    for (const auto& c : cases) {
        Put("TimeDoMaxAdjust", c.doit);
        Put("TimeMaxAdjust", c.hours);
        Serve(c.us);
        LOGCAPTURE log;
        EXPECT_EQ(Query("127.0.0.1"), c.offset ? 1 : 0) << c.us;
        EXPECT_EQ(Offset(), c.offset ? c.offset : "00000000.00000000") << c.us;
        if (c.offset) continue;
        EXPECT_EQ(Output(), "-ERR " + Text(IDS_MAXADJUST));
        EXPECT_THAT(log.Text(),
                    HasSubstr("] APP::GetNtpTime time adjustment of 3601 seconds > max of 3600\r\n"));
    }
}

TEST_F(SntpQuery, SilenceGivesNoResponseAtTheDeadline)
{
    Serve(0, SNTPREPLY::Silent);
    LOGCAPTURE log;
    EXPECT_EQ(Query("127.0.0.1"), 0);
    EXPECT_EQ(Output(), "-ERR No response from server");
    EXPECT_TRUE(offset.IsZero());
    EXPECT_GE(elapsedms, TEST_DEADLINE_MS - TICK_MS);  // the whole wait, not cut short
    EXPECT_THAT(log.Text(), HasSubstr("] GetNtpTime ok= 0, error= No response from server ("));
}

// A genuine reply of a server that refuses or is not synchronised fails the try at once;
// whatever the outcome, the raised priority of the exchange is given back.
TEST_F(SntpQuery, KissOfDeathAndLeapThreeFailWithTheirOwnTexts)
{
    ASSERT_TRUE(SetPriorityClass(GetCurrentProcess(), BELOW_NORMAL_PRIORITY_CLASS));
    Serve(1500000);
    EXPECT_EQ(Query("127.0.0.1"), 1);
    EXPECT_EQ(server.PriorityAtRequest(), static_cast<DWORD>(HIGH_PRIORITY_CLASS));
    EXPECT_EQ(GetPriorityClass(GetCurrentProcess()), static_cast<DWORD>(BELOW_NORMAL_PRIORITY_CLASS));
    for (auto kind : {std::make_pair(SNTPREPLY::KissOfDeath, IDS_SNTPKISSOFDEATH),
                      std::make_pair(SNTPREPLY::Unsynchronised, IDS_SNTPUNSYNCED)}) {
        Serve(1500000, kind.first);
        EXPECT_EQ(Query("127.0.0.1"), 0);
        EXPECT_EQ(Output(), "-ERR " + Text(kind.second));
        EXPECT_TRUE(offset.IsZero());
        EXPECT_EQ(GetPriorityClass(GetCurrentProcess()), static_cast<DWORD>(BELOW_NORMAL_PRIORITY_CLASS));
    }
    SetPriorityClass(GetCurrentProcess(), NORMAL_PRIORITY_CLASS);
}

TEST_F(SntpQuery, ServerTextsThatAreNoAddress)
{
    for (const char* name : {"", "1.2.3.4.5", "255.255.255.255", "0.0.0.0", "no-such-host.invalid"}) {
        EXPECT_EQ(Query(name), 0);
        EXPECT_THAT(Output(), testing::MatchesRegex("-ERR Bad time server/ip-addr \\(-?\\d+, " +
                                                    std::string(*name ? name : "<none>") + "\\)"));
        EXPECT_TRUE(offset.IsZero()) << name;
    }
    EXPECT_EQ(Query(nullptr), 0);
    EXPECT_THAT(Output(), HasSubstr(", <none>)"));
}

// Datagrams that do not answer our request, each kind sent again and again.
class SntpRejected : public SntpQuery, public testing::WithParamInterface<SNTPREPLY> {};

// Alone they never give a result; they neither end the wait early nor stretch it.
TEST_P(SntpRejected, NeverCountAndDoNotEndOrExtendTheWait)
{
    config.Repeat = 40;
    config.RepeatGapMs = 50;  // 2 s of datagrams, four deadlines
    Serve(1500000, GetParam());
    EXPECT_EQ(Query("127.0.0.1"), 0);
    int sent = server.Sent();
    EXPECT_EQ(Output(), "-ERR No response from server");
    EXPECT_TRUE(offset.IsZero());
    EXPECT_GE(sent, 2);
    EXPECT_GE(elapsedms, TEST_DEADLINE_MS - TICK_MS) << "a rejected datagram ended the wait";
    EXPECT_LT(sent, 40) << "the wait went on past the first deadline";
}

// Followed by the genuine reply, the genuine one is used (theirs are 1000 s off).
TEST_P(SntpRejected, DoNotHideTheGenuineReply)
{
    config.ThenAnswer = true;
    Serve(1500000, GetParam());
    EXPECT_EQ(Query("127.0.0.1"), 1) << Output();
    EXPECT_EQ(server.Sent(), 2);
    EXPECT_EQ(Offset(), "00000001.80000000");
}

static std::string kind_name(const testing::TestParamInfo<SNTPREPLY>& info)
{
    const char* names[] = {"WrongOriginate", "OtherPort", "Short", "ClientMode", "ZeroTransmit"};
    return names[info.index];
}

INSTANTIATE_TEST_SUITE_P(Kinds, SntpRejected,
                         testing::Values(SNTPREPLY::WrongOriginate, SNTPREPLY::OtherPort,
                                         SNTPREPLY::Short, SNTPREPLY::ClientMode,
                                         SNTPREPLY::ZeroTransmit),
                         kind_name);

// The source address of the answer to a plain request sent to address:port.
static std::string reply_source(const char* address, unsigned short port)
{
    SOCKET s = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in to = {};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = inet_addr(address);
    to.sin_port = htons(port);
    unsigned char request[48] = {0x1B};
    request[40] = 0xE0;
    sendto(s, reinterpret_cast<const char*>(request), sizeof request, 0,
           reinterpret_cast<const sockaddr*>(&to), sizeof to);
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(s, &readable);
    timeval timeout = {5, 0};
    sockaddr_in from = {};
    int fromlength = sizeof from;
    char reply[68];
    bool got = select(0, &readable, nullptr, nullptr, &timeout) == 1 &&
               recvfrom(s, reply, sizeof reply, 0, reinterpret_cast<sockaddr*>(&from), &fromlength) > 0;
    closesocket(s);
    return got ? inet_ntoa(from.sin_addr) : "nobody";
}

// Asked at 127.0.0.2, a server on the any address answers from 127.0.0.1 (the source
// of the loopback route): that answer is not from the server asked and must not count.
TEST_F(SntpQuery, ReplyFromAnotherAddressIsDropped)
{
    SNTPSERVER any;
    if (!any.Start("0.0.0.0", 0)) GTEST_SKIP() << "the test SNTP server cannot run: " << any.ErrorText();
    std::string source = reply_source("127.0.0.2", any.Port());
    if (source != "127.0.0.1") GTEST_SKIP() << "a reply to 127.0.0.2 comes from " << source << " here";
    engine.SetSntpPort(any.Port());
    EXPECT_EQ(Query("127.0.0.2"), 0);
    EXPECT_EQ(Output(), "-ERR No response from server");
    EXPECT_EQ(any.Sent(), 2);
    EXPECT_EQ(Query("127.0.0.1"), 1) << Output();
}
