// APPENGINE::GetNtpTime against the test SNTP server: offsets, the request bytes,
// the correction limit, bad server texts, silence, and replies that must never
// count (spoofed, foreign, short, malformed) or must fail the try.
#include <winsock2.h>  // ahead of every header that brings in windows.h

#include "appengine.h"

#include "fakeclock.h"
#include "hash.h"
#include "horalinkres.h"
#include "kelvoapp.h"
#include "logcapture.h"
#include "osys.h"
#include "recordingevents.h"
#include "sntpserver.h"
#include "testfiles.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using testing::HasSubstr;
using testing::MatchesRegex;

static SYSTEMTIME frozen_time()
{
    SYSTEMTIME t = {};
    t.wYear = 2024;
    t.wMonth = 5;
    t.wDay = 1;
    t.wHour = 12;
    return t;
}

static double seconds_now()
{
    LARGE_INTEGER f, c;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&c);
    return static_cast<double>(c.QuadPart) / static_cast<double>(f.QuadPart);
}

// Engine, fake clock and settings, with the language library for the error texts.
class SntpEngine : public testing::Test {
protected:
    void SetUp() override
    {
        std::string program = ProductBinDir() + "\\horalink.exe";
        ASSERT_TRUE(FileExistsOnDisk(ProductBinDir() + "\\horalinkenglish.dll"));
        KELVOAPP::SetLanguageCode(9);
        LoadLanguageLibrary(program.c_str(), "horalink", "1.00");
        offset = NTPTIME(0x12345678u, 0x9ABCDEF0u);  // must come back zero after a failure
    }
    void TearDown() override { KELVOAPP::FreeLanguageLibrary(); }

    int Query(const char* server)
    {
        double start = seconds_now();
        int ok = engine.GetNtpTime(server, output, offset);
        duration = seconds_now() - start;
        return ok;
    }
    static std::string Text(int id) { return OSYS::GetStringFromResource(id).Text(); }

    HASH settings;
    FAKECLOCK clock;
    RECORDINGEVENTS events;
    APPENGINE engine{settings, clock, events};
    STRING output;
    NTPTIME offset;
    double duration = 0;
};

// As SntpEngine, with the test server running on 127.0.0.1.
class SntpQuery : public SntpEngine {
protected:
    void SetUp() override
    {
        SntpEngine::SetUp();
        if (HasFatalFailure()) return;
        if (!server.Start())
            GTEST_SKIP() << "the test SNTP server cannot run: " << server.ErrorText();
        engine.SetSntpPort(server.Port());
    }
    void TearDown() override
    {
        server.Stop();
        SntpEngine::TearDown();
    }

    // Frozen clock, and a server whose clock stands exactly offsetus ahead of it.
    void Exact(long long offsetus, SNTPSERVERCONFIG config = SNTPSERVERCONFIG())
    {
        clock.Freeze(frozen_time());
        config.FixedTime = SntpTimestamp(frozen_time());
        config.OffsetUs = offsetus;
        server.Configure(config);
    }

    SNTPSERVER server;
};

TEST_F(SntpQuery, ServerAheadByOneAndAHalfSecondsExactly)
{
    Exact(1500000);
    LOGCAPTURE log;
    ASSERT_EQ(Query("127.0.0.1"), 1);
    EXPECT_STREQ(output.Text(), "+OK 127.0.0.1");
    EXPECT_STREQ(offset.Text().Text(), "00000001.80000000");
    const std::string& text = log.Text();
    EXPECT_THAT(text, HasSubstr("] APP::GetNtpTime 127.0.0.1\r\n"));
    EXPECT_THAT(text, HasSubstr("] APP::GetNtpTime Clock Difference: 1.500 seconds\r\n"));
    EXPECT_THAT(text, HasSubstr("] APP::GetNtpTime Round trip delay: 0.000 seconds\r\n"));
    EXPECT_THAT(text, HasSubstr("] APP::GetNtpTime done, output= +OK 127.0.0.1\r\n"));
    EXPECT_THAT(text, testing::Not(HasSubstr("GetNtpTime ok=")));

    // The request: 0x1B, 39 zero bytes, then T1 big-endian.
    std::string request = server.LastRequest();
    ASSERT_EQ(request.size(), 48u);
    EXPECT_EQ(static_cast<unsigned char>(request[0]), 0x1B);
    EXPECT_EQ(request.substr(1, 39), std::string(39, '\0'));
    uint64_t t1 = SntpTimestamp(frozen_time());
    for (int i = 0; i < 8; i++)
        EXPECT_EQ(static_cast<unsigned char>(request[40 + i]),
                  static_cast<unsigned char>(t1 >> (56 - 8 * i)));
}

TEST_F(SntpQuery, ServerBehindByAQuarterSecondExactly)
{
    Exact(-250000);
    LOGCAPTURE log;
    ASSERT_EQ(Query("127.0.0.1"), 1);
    EXPECT_STREQ(offset.Text().Text(), "ffffffff.c0000000");
    EXPECT_THAT(log.Text(), HasSubstr("] APP::GetNtpTime Clock Difference: -0.250 seconds\r\n"));
}

// Real time on both sides, the fake clock off by a known amount: the measured offset
// is that amount within half the round trip (bounded by the call's duration).
TEST_F(SntpQuery, OffsetOfTheFakeClockIsMeasured)
{
    for (long long clockms : {-1500LL, 250LL}) {
        clock.SetOffsetMs(clockms);
        ASSERT_EQ(Query("127.0.0.1"), 1) << output.Text();
        EXPECT_STREQ(output.Text(), "+OK 127.0.0.1");
        double tolerance = duration * 1000 / 2 + 2;
        EXPECT_NEAR(static_cast<double>(offset.ToMilliseconds(false)), -clockms, tolerance);
    }
}

TEST_F(SntpQuery, SymmetricNetworkDelayDoesNotMoveTheOffset)
{
    SNTPSERVERCONFIG config;
    config.DelayMs = 100;
    config.ProcessingMs = 30;
    Exact(1500000, config);
    LOGCAPTURE log;
    ASSERT_EQ(Query("127.0.0.1"), 1);
    // T2 = T3 = the fixed time: a frozen client sees no delay, the server's own time subtracted.
    EXPECT_STREQ(offset.Text().Text(), "00000001.80000000");
    EXPECT_THAT(log.Text(), HasSubstr("] APP::GetNtpTime Round trip delay: 0.000 seconds\r\n"));
}

TEST_F(SntpQuery, CorrectionLimitOfOneHour)
{
    settings["TimeDoMaxAdjust"] = "1";
    settings["TimeMaxAdjust"] = "1";
    Exact(3600900000LL);
    EXPECT_EQ(Query("127.0.0.1"), 1) << output.Text();
    EXPECT_EQ(offset.Seconds, 3600u);
    EXPECT_EQ(offset.ToMilliseconds(false), 3600900);

    Exact(3601000000LL);
    {
        LOGCAPTURE log;
        EXPECT_EQ(Query("127.0.0.1"), 0);
        EXPECT_THAT(log.Text(),
                    HasSubstr("] APP::GetNtpTime time adjustment of 3601 seconds > max of 3600\r\n"));
    }
    EXPECT_NE(Text(IDS_MAXADJUST), "<STR-ERR>");
    EXPECT_EQ(std::string(output.Text()), "-ERR " + Text(IDS_MAXADJUST));
    EXPECT_TRUE(offset.IsZero());

    Exact(-3601000000LL);
    EXPECT_EQ(Query("127.0.0.1"), 0);
    EXPECT_EQ(std::string(output.Text()), "-ERR " + Text(IDS_MAXADJUST));
    Exact(-3600000000LL);
    EXPECT_EQ(Query("127.0.0.1"), 1);
    EXPECT_STREQ(offset.Text().Text(), "fffff1f0.00000000");
}

TEST_F(SntpQuery, NoLimitWhenEitherSettingIsZero)
{
    Exact(100000000000LL);  // 100000 s
    for (auto values : {std::make_pair("0", "1"), std::make_pair("1", "0"), std::make_pair("0", "0")}) {
        settings["TimeDoMaxAdjust"] = values.first;
        settings["TimeMaxAdjust"] = values.second;
        EXPECT_EQ(Query("127.0.0.1"), 1) << values.first << values.second << output.Text();
        EXPECT_EQ(offset.Seconds, 100000u);
    }
}

TEST_F(SntpQuery, SilenceGivesNoResponseAfterTenSeconds)
{
    SNTPSERVERCONFIG config;
    config.Reply = SNTPREPLY::Silent;
    server.Configure(config);
    LOGCAPTURE log;
    EXPECT_EQ(Query("127.0.0.1"), 0);
    EXPECT_STREQ(output.Text(), "-ERR No response from server");
    EXPECT_TRUE(offset.IsZero());
    EXPECT_EQ(server.Requests(), 1);
    EXPECT_GE(duration, 9.9);  // the whole wait, not cut short
    EXPECT_THAT(log.Text(), HasSubstr("] GetNtpTime ok= 0, error= No response from server ("));
}

// A genuine reply of a server that refuses or is not synchronised fails the try at once.
TEST_F(SntpQuery, KissOfDeathAndLeapThreeFailWithTheirOwnTexts)
{
    for (auto kind : {std::make_pair(SNTPREPLY::KissOfDeath, IDS_SNTPKISSOFDEATH),
                      std::make_pair(SNTPREPLY::Unsynchronised, IDS_SNTPUNSYNCED)}) {
        SNTPSERVERCONFIG config;
        config.Reply = kind.first;
        Exact(1500000, config);
        EXPECT_EQ(Query("127.0.0.1"), 0);
        EXPECT_NE(Text(kind.second), "<STR-ERR>");
        EXPECT_EQ(std::string(output.Text()), "-ERR " + Text(kind.second));
        EXPECT_TRUE(offset.IsZero());
        offset = NTPTIME(1, 1);
    }
}

TEST_F(SntpQuery, ReplyLongerThanTheBufferIsStillUsed)
{
    SNTPSERVERCONFIG config;
    config.PadBytes = 40;  // 88 bytes, beyond the 68-byte buffer
    Exact(1500000, config);
    EXPECT_EQ(Query("127.0.0.1"), 1) << output.Text();
    EXPECT_STREQ(offset.Text().Text(), "00000001.80000000");
}

TEST_F(SntpQuery, PriorityIsRaisedForTheExchangeAndRestored)
{
    ASSERT_TRUE(SetPriorityClass(GetCurrentProcess(), BELOW_NORMAL_PRIORITY_CLASS));
    Exact(1500000);
    EXPECT_EQ(Query("127.0.0.1"), 1);
    EXPECT_EQ(server.PriorityAtRequest(), static_cast<DWORD>(HIGH_PRIORITY_CLASS));
    EXPECT_EQ(GetPriorityClass(GetCurrentProcess()), static_cast<DWORD>(BELOW_NORMAL_PRIORITY_CLASS));

    SNTPSERVERCONFIG config;
    config.Reply = SNTPREPLY::KissOfDeath;
    Exact(1500000, config);
    EXPECT_EQ(Query("127.0.0.1"), 0);
    EXPECT_EQ(GetPriorityClass(GetCurrentProcess()), static_cast<DWORD>(BELOW_NORMAL_PRIORITY_CLASS));
    SetPriorityClass(GetCurrentProcess(), NORMAL_PRIORITY_CLASS);
}

// Datagrams that do not answer our request: each kind, sent again and again.
class SntpRejected : public SntpQuery, public testing::WithParamInterface<SNTPREPLY> {};

// Alone, they never give a result, and they do not stretch the 10-second wait.
TEST_P(SntpRejected, NeverCountAndDoNotExtendTheWait)
{
    SNTPSERVERCONFIG config;
    config.Reply = GetParam();
    config.Repeat = 40;
    config.RepeatGapMs = 500;  // 20 s of datagrams
    Exact(1500000, config);
    EXPECT_EQ(Query("127.0.0.1"), 0);
    int sent = server.Sent();
    EXPECT_STREQ(output.Text(), "-ERR No response from server");
    EXPECT_TRUE(offset.IsZero());
    EXPECT_GE(sent, 2);
    EXPECT_LT(sent, 40) << "the wait went on past the first deadline";
}

// Followed by the genuine reply, the genuine one is used (theirs are 1000 s off).
TEST_P(SntpRejected, DoNotHideTheGenuineReply)
{
    SNTPSERVERCONFIG config;
    config.Reply = GetParam();
    config.ThenAnswer = true;
    Exact(1500000, config);
    EXPECT_EQ(Query("127.0.0.1"), 1) << output.Text();
    EXPECT_EQ(server.Sent(), 2);
    EXPECT_STREQ(offset.Text().Text(), "00000001.80000000");
}

INSTANTIATE_TEST_SUITE_P(Kinds, SntpRejected,
                         testing::Values(SNTPREPLY::WrongOriginate, SNTPREPLY::OtherPort,
                                         SNTPREPLY::Short,
                                         SNTPREPLY::ClientMode, SNTPREPLY::ZeroTransmit),
                         [](const testing::TestParamInfo<SNTPREPLY>& info) {
                             switch (info.param) {
                             case SNTPREPLY::WrongOriginate: return "WrongOriginate";
                             case SNTPREPLY::OtherPort: return "OtherPort";
                             case SNTPREPLY::Short: return "Short";
                             case SNTPREPLY::ClientMode: return "ClientMode";
                             case SNTPREPLY::ZeroTransmit: return "ZeroTransmit";
                             default: return "Other";
                             }
                         });

TEST_F(SntpEngine, EmptyServerIsLookedUpAsNone)
{
    for (const char* server : {"", static_cast<const char*>(nullptr)}) {
        EXPECT_EQ(Query(server), 0);
        EXPECT_THAT(output.Text(), MatchesRegex("-ERR Bad time server/ip-addr \\(-?\\d+, <none>\\)"));
        EXPECT_TRUE(offset.IsZero());
        offset = NTPTIME(1, 1);
    }
}

TEST_F(SntpEngine, DottedTextsThatAreNoAddress)
{
    for (const char* server : {"1.2.3.4.5", "255.255.255.255", "0.0.0.0", "no-such-host.invalid"}) {
        EXPECT_EQ(Query(server), 0);
        EXPECT_THAT(output.Text(), MatchesRegex(std::string("-ERR Bad time server/ip-addr \\(-?\\d+, ") +
                                                server + "\\)"));
        EXPECT_TRUE(offset.IsZero());
        offset = NTPTIME(1, 1);
    }
}

TEST_F(SntpEngine, PortIsSntpUnlessATestChangesIt)
{
    EXPECT_EQ(engine.GetSntpPort(), 123);
    engine.SetSntpPort(10123);
    EXPECT_EQ(engine.GetSntpPort(), 10123);
}

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
    std::string source = "nobody";
    if (select(0, &readable, nullptr, nullptr, &timeout) == 1) {
        char reply[68];
        sockaddr_in from = {};
        int fromlength = sizeof from;
        if (recvfrom(s, reply, sizeof reply, 0, reinterpret_cast<sockaddr*>(&from), &fromlength) > 0)
            source = inet_ntoa(from.sin_addr);
    }
    closesocket(s);
    return source;
}

// Asked at 127.0.0.2, a server on the any address answers from 127.0.0.1 (the source
// of the loopback route): that answer is not from the server asked and must not count.
TEST_F(SntpEngine, ReplyFromAnotherAddressIsDropped)
{
    SNTPSERVER server;
    if (!server.Start("0.0.0.0", 0)) GTEST_SKIP() << "the test SNTP server cannot run: " << server.ErrorText();
    std::string source = reply_source("127.0.0.2", server.Port());
    if (source != "127.0.0.1") GTEST_SKIP() << "a reply to 127.0.0.2 comes from " << source << " here";
    engine.SetSntpPort(server.Port());
    EXPECT_EQ(Query("127.0.0.2"), 0);
    EXPECT_STREQ(output.Text(), "-ERR No response from server");
    EXPECT_EQ(server.Sent(), 2);
    EXPECT_EQ(Query("127.0.0.1"), 1) << output.Text();
}
