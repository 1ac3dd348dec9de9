// APPENGINE::GetNtpTime against the test SNTP server: offsets, the request bytes,
// the correction limit, bad server texts, silence, and replies that must never
// count (spoofed, foreign, short, malformed, implausible) or must fail the try.
#include <winsock2.h>  // ahead of every header that brings in windows.h

#include "enginetest.h"

#include "horalinkres.h"
#include "logcapture.h"
#include "sntpserver.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

using testing::HasSubstr;

// The queries' deadline here: silence and stray datagrams are not sat out for the
// program's ten seconds, yet the wait is ten times the 50 ms the server leaves between a
// stray datagram and the next one or the genuine reply, so these still fall within it.
const unsigned long TEST_DEADLINE_MS = 500;
// The query's clock and ours may each round the wait down by a tick.
const unsigned long TICK_MS = 20;
// The least time between a query's exchanges here.
const unsigned long SPACING_MS = 100;

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
        timings.SntpSpacingMs = SPACING_MS;
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
    EXPECT_EQ(std::to_string(t.SntpWaitMs) + "|" + std::to_string(t.SntpSpacingMs) + "|" +
                  std::to_string(t.UpdatePauseMs) + "|" + std::to_string(t.DialupGraceS) + "|" +
                  std::to_string(t.LanAnswerWaitMs),
              "10000|1000|1500|11|1500");
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

// The request is 0x1B, 39 zero bytes and T1 big-endian, whose bits below the millisecond
// are random (the frozen clock stands at a whole second). The reply echoes them, yet the
// offset is the exact 1.5 s: it is reckoned from the true T1.
TEST_F(SntpQuery, TransmitTimeHidesRandomBitsBelowTheMillisecond)
{
    Serve(1500000);
    std::string requests[2];
    for (std::string& request : requests) {
        ASSERT_EQ(Query("127.0.0.1"), 1) << Output();
        EXPECT_EQ(Offset(), "00000001.80000000");
        request = server.LastRequest();
    }
    std::string head = std::string(1, '\x1B') + std::string(39, '\0');
    uint64_t t1 = SntpTimestamp(FrozenTime());
    for (int i = 7; i >= 0; i--) head += static_cast<char>(t1 >> (8 * i));
    ASSERT_EQ(requests[0].size(), 48u);
    ASSERT_EQ(requests[1].size(), 48u);
    // Bytes 44..47 are the fraction: its top ten bits are the millisecond's, zero here.
    EXPECT_EQ(requests[0].substr(0, 44), head.substr(0, 44));
    EXPECT_EQ(requests[1].substr(0, 44), head.substr(0, 44));
    EXPECT_EQ(requests[0][44] | (requests[0][45] & 0xC0) | requests[1][44] | (requests[1][45] & 0xC0), 0);
    EXPECT_NE(requests[0].substr(45), requests[1].substr(45)) << "the low bits did not change";
}

// A server 45 years ahead or behind: a PC fallen back to 1979 or one set to 2069. The
// sum of the two differences would be beyond 68 years; theta must not wrap.
TEST_F(SntpQuery, DecadesAheadAndBehind)
{
    struct {
        long long us;
        const char* offset;
        const char* logged;
    } cases[] = {{1420156800000000LL, "54a5df80.00000000", "1420156800.000"},
                 {-1420156800000000LL, "ab5a2080.00000000", "-1420156800.000"}};
    for (const auto& c : cases) {
        Serve(c.us);
        LOGCAPTURE log;
        ASSERT_EQ(Query("127.0.0.1"), 1) << Output();
        EXPECT_EQ(Offset(), c.offset);
        EXPECT_THAT(log.Text(), HasSubstr(std::string("] APP::GetNtpTime Clock Difference: ") + c.logged +
                                          " seconds\r\n"));
    }
}

// Up to four exchanges, SPACING_MS apart, and the shortest round trip counts. The server
// stamps its reply after holding the request, so a hold also moves theta by half of it:
// theta shows which exchange won. Half the round trip above TimeMaxDiff sets nothing.
TEST_F(SntpQuery, TheShortestRoundTripOfFourCountsAndASlowNetworkSetsNothing)
{
    FAKECLOCK live;  // the real time: round trips take time
    APPENGINE query{settings, live, events};
    query.SetTimings(engine.GetTimings());
    struct {
        std::vector<int> holdms;
        const char* maxdiff;
        long long lowms, highms;  // theta - 2 s; both 0: the query fails
    } cases[] = {{{80, 20, 120, 60}, "1000", 5, 28}, {{300}, "1000", 145, 200}, {{300}, "100", 0, 0}};
    for (const auto& c : cases) {
        config.HoldMs = c.holdms;
        config.OffsetUs = 2000000;
        server.Configure(config);
        Put("TimeMaxDiff", c.maxdiff);
        int before = server.Requests();
        LOGCAPTURE log;
        DWORD start = GetTickCount();
        int ok = query.GetNtpTime("127.0.0.1", output, offset);
        SCOPED_TRACE(c.maxdiff + std::string(" ") + std::to_string(c.holdms[0]));
        EXPECT_EQ(server.Requests() - before, 4);
        EXPECT_GE(GetTickCount() - start, 3 * SPACING_MS - TICK_MS);
        EXPECT_THAT(log.Text(), HasSubstr("] APP::GetNtpTime exchange 4: offset "));
        if (c.highms == 0) {
            EXPECT_EQ(ok, 0);
            EXPECT_THAT(Output(), HasSubstr("-ERR The network was too slow for a reliable time (round trip 3"));
            EXPECT_TRUE(offset.IsZero());
            continue;
        }
        ASSERT_EQ(ok, 1) << Output();
        long long ms = offset.ToMilliseconds(false) - 2000;
        EXPECT_GE(ms, c.lowms);
        EXPECT_LE(ms, c.highms);
        // Whatever the machine's load made of the holds: the exchange with the shortest
        // logged delay is the one whose offset came back.
        std::string text = log.Text(), best;
        double shortest = 1e9;
        for (size_t at = text.find("APP::GetNtpTime exchange "); at != std::string::npos;
             at = text.find("APP::GetNtpTime exchange ", at + 1)) {
            size_t o = text.find("offset ", at) + 7, d = text.find("delay ", at) + 6;
            double delay = atof(text.c_str() + d);
            if (delay < shortest) {
                shortest = delay;
                best = text.substr(o, text.find(' ', o) - o);
            }
        }
        EXPECT_NEAR(atof(best.c_str()) * 1000, offset.ToMilliseconds(false), 1.0) << text;
    }
}

// Replies just inside and just outside what a synchronised server over a real path can
// give: stratum, root distance (delay / 2 + dispersion, at most 5 s), and a delay of at
// least -20 ms and at most the wait (the frozen clock makes it -ProcessingUs exactly).
TEST_F(SntpQuery, PlausibilityEdges)
{
    struct {
        int stratum;
        uint32_t rootdelay, rootdispersion;
        long long processingus;
        const char* dropped;  // null: used
    } cases[] = {
        {15, 0x100, 0x100, 0, nullptr},
        {16, 0x100, 0x100, 0, "(stratum 16, not synchronised)"},
        {255, 0x100, 0x100, 0, "(stratum 255, not synchronised)"},
        {2, 0x40000, 0x30000, 0, nullptr},
        {2, 0x40000, 0x30001, 0, "(root distance 5000 ms above 5000 ms)"},
        {2, 0xFFFFFFFFu, 0, 0, "(root distance 32767999 ms above 5000 ms)"},
        {2, 0x100, 0x100, 20000, nullptr},
        {2, 0x100, 0x100, 21000, "(impossible round trip delay): -0.021 seconds"},
        {2, 0x100, 0x100, -500000, nullptr},
        {2, 0x100, 0x100, -501000, "(impossible round trip delay): 0.501 seconds"},
    };
    for (const auto& c : cases) {
        config.Stratum = c.stratum;
        config.RootDelay = c.rootdelay;
        config.RootDispersion = c.rootdispersion;
        config.ProcessingUs = c.processingus;
        Put("TimeMaxDiff", "1000");  // half the 0.5 s delay stays within it
        Serve(1500000);
        LOGCAPTURE log;
        SCOPED_TRACE(c.dropped ? c.dropped : "used");
        EXPECT_EQ(Query("127.0.0.1"), c.dropped ? 0 : 1) << Output();
        if (!c.dropped) continue;
        EXPECT_EQ(Output(), "-ERR No response from server");
        EXPECT_TRUE(offset.IsZero());
        EXPECT_THAT(log.Text(), HasSubstr(std::string("] APP::GetNtpTime reply dropped ") + c.dropped));
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

// A genuine reply of a server that refuses or is not synchronised fails the try at once,
// a refusal leaving its kiss code for the caller until the next try; whatever the
// outcome, the raised priority of the exchange is given back.
TEST_F(SntpQuery, KissOfDeathAndLeapThreeFailWithTheirOwnTexts)
{
    ASSERT_TRUE(SetPriorityClass(GetCurrentProcess(), BELOW_NORMAL_PRIORITY_CLASS));
    Serve(1500000);
    EXPECT_EQ(Query("127.0.0.1"), 1);
    EXPECT_EQ(server.PriorityAtRequest(), static_cast<DWORD>(HIGH_PRIORITY_CLASS));
    EXPECT_EQ(GetPriorityClass(GetCurrentProcess()), static_cast<DWORD>(BELOW_NORMAL_PRIORITY_CLASS));
    struct {
        SNTPREPLY kind;
        const char* code;  // sent
        int text;
        const char* kept;  // GetLastKissCode
    } cases[] = {{SNTPREPLY::KissOfDeath, "RATE", IDS_SNTPKISSOFDEATH, "RATE"},
                 {SNTPREPLY::Unsynchronised, "RATE", IDS_SNTPUNSYNCED, ""},
                 {SNTPREPLY::KissOfDeath, "DENY", IDS_SNTPKISSOFDEATH, "DENY"},
                 {SNTPREPLY::Answer, "DENY", 0, ""},
                 {SNTPREPLY::KissOfDeath, "RSTR", IDS_SNTPKISSOFDEATH, "RSTR"},
                 {SNTPREPLY::KissOfDeath, "\x01\xffR\0", IDS_SNTPKISSOFDEATH, "??R?"}};
    for (const auto& c : cases) {
        memcpy(config.KissCode, c.code, 4);
        Serve(1500000, c.kind);
        LOGCAPTURE log;
        EXPECT_EQ(Query("127.0.0.1"), c.text ? 0 : 1);
        EXPECT_EQ(Output(), c.text ? "-ERR " + Text(c.text) : "+OK 127.0.0.1");
        EXPECT_EQ(std::string(engine.GetLastKissCode().Text()), c.kept);
        if (*c.kept) {
            EXPECT_THAT(log.Text(),
                        HasSubstr(std::string("] APP::GetNtpTime kiss-o'-death ") + c.kept + "\r\n"));
        }
        EXPECT_EQ(offset.IsZero(), c.text != 0);
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

// Datagrams that do not answer our request or that no synchronised server could send,
// and refusals forged by somebody who did not see the request.
struct REJECTED {
    const char* name;
    SNTPREPLY kind;
    SNTPFORGERY forge;
    int length;  // of a Short reply
};

static void PrintTo(const REJECTED& rejected, std::ostream* out) { *out << rejected.name; }

class SntpRejected : public SntpQuery, public testing::WithParamInterface<REJECTED> {
protected:
    void ServeParam()
    {
        config.Forge = GetParam().forge;
        config.ShortLength = GetParam().length;
        SntpQuery::Serve(1500000, GetParam().kind);
    }
};

// Alone they never give a result; they neither end the wait early nor stretch it.
TEST_P(SntpRejected, NeverCountAndDoNotEndOrExtendTheWait)
{
    config.Repeat = 40;
    config.RepeatGapMs = 50;  // 2 s of datagrams, four deadlines
    ServeParam();
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
    ServeParam();
    EXPECT_EQ(Query("127.0.0.1"), 1) << Output();
    EXPECT_EQ(server.AwaitSent(2), 2);
    EXPECT_EQ(Offset(), "00000001.80000000");
    EXPECT_STREQ(engine.GetLastKissCode().Text(), "");
}

static std::string kind_name(const testing::TestParamInfo<REJECTED>& info) { return info.param.name; }

const SNTPFORGERY NOFORGERY = SNTPFORGERY::None;

// Short replies are otherwise whole: from 41 bytes on, their transmit timestamp is not zero.
INSTANTIATE_TEST_SUITE_P(
    Kinds, SntpRejected,
    testing::Values(REJECTED{"WrongOriginate", SNTPREPLY::WrongOriginate, NOFORGERY, 40},
                    REJECTED{"OtherPort", SNTPREPLY::OtherPort, NOFORGERY, 40},
                    REJECTED{"Short40", SNTPREPLY::Short, NOFORGERY, 40},
                    REJECTED{"Short41", SNTPREPLY::Short, NOFORGERY, 41},
                    REJECTED{"Short42", SNTPREPLY::Short, NOFORGERY, 42},
                    REJECTED{"Short43", SNTPREPLY::Short, NOFORGERY, 43},
                    REJECTED{"Short44", SNTPREPLY::Short, NOFORGERY, 44},
                    REJECTED{"Short45", SNTPREPLY::Short, NOFORGERY, 45},
                    REJECTED{"Short46", SNTPREPLY::Short, NOFORGERY, 46},
                    REJECTED{"Short47", SNTPREPLY::Short, NOFORGERY, 47},
                    REJECTED{"ClientMode", SNTPREPLY::ClientMode, NOFORGERY, 40},
                    REJECTED{"ZeroTransmit", SNTPREPLY::ZeroTransmit, NOFORGERY, 40},
                    REJECTED{"ZeroReceive", SNTPREPLY::ZeroReceive, NOFORGERY, 40},
                    REJECTED{"Stratum16", SNTPREPLY::Stratum16, NOFORGERY, 40},
                    REJECTED{"FarRoot", SNTPREPLY::FarRoot, NOFORGERY, 40},
                    REJECTED{"NegativeDelay", SNTPREPLY::NegativeDelay, NOFORGERY, 40},
                    REJECTED{"LongDelay", SNTPREPLY::LongDelay, NOFORGERY, 40},
                    REJECTED{"KissWrongOriginate", SNTPREPLY::KissOfDeath, SNTPFORGERY::Originate, 40},
                    REJECTED{"KissOtherPort", SNTPREPLY::KissOfDeath, SNTPFORGERY::OtherPort, 40},
                    REJECTED{"LeapThreeWrongOriginate", SNTPREPLY::Unsynchronised, SNTPFORGERY::Originate, 40},
                    REJECTED{"LeapThreeOtherPort", SNTPREPLY::Unsynchronised, SNTPFORGERY::OtherPort, 40}),
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
    EXPECT_EQ(any.AwaitSent(2), 2);
    EXPECT_EQ(Query("127.0.0.1"), 1) << Output();
}
