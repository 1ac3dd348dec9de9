// The SNTP server of a LAN server, asked over the loopback: the reply byte for byte
// before and after a good check, the states of the last check that make it say
// "synchronised", requests that get no reply, a flood cut by the rate limit, and the
// setting and the program's end that stop it.
#include <winsock2.h>  // ahead of every header that brings in windows.h

#include "enginetest.h"

#include "clientratelimit.h"
#include "sntpserver.h"
#include "sntpresponder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

typedef std::vector<unsigned char> BYTES;

// How long a reply that must not come is waited for; a reply that must come gets ten
// times as long.
const int SILENCE_MS = 300;

static std::string hex(const BYTES& bytes)
{
    std::string text;
    char two[3];
    for (unsigned char b : bytes) {
        snprintf(two, sizeof two, "%02x", b);
        text += two;
    }
    return text;
}

static BYTES from_hex(const std::string& text)
{
    BYTES bytes;
    for (size_t i = 0; i + 1 < text.size(); i += 2) {
        if (text[i] == ' ') {
            i--;
            continue;
        }
        bytes.push_back(static_cast<unsigned char>(std::stoul(text.substr(i, 2), nullptr, 16)));
    }
    return bytes;
}

// A client request: the first byte, the poll byte and a transmit timestamp that
// marks it, length bytes in all.
static BYTES request(unsigned char first, uint32_t mark, size_t length = 48, unsigned char poll = 6)
{
    BYTES bytes(48, 0);
    bytes[0] = first;
    bytes[2] = poll;
    for (int i = 0; i < 4; i++) {
        bytes[40 + i] = 0xE0;  // 2019 onwards
        bytes[44 + i] = static_cast<unsigned char>(mark >> (24 - 8 * i));
    }
    bytes.resize(length, 0);
    return bytes;
}

// A UDP client on the loopback.
class CLIENT {
public:
    CLIENT() : Socket(socket(AF_INET, SOCK_DGRAM, 0)) {}
    ~CLIENT() { closesocket(Socket); }
    void Send(unsigned short port, const BYTES& bytes)
    {
        sockaddr_in to = {};
        to.sin_family = AF_INET;
        to.sin_addr.s_addr = inet_addr("127.0.0.1");
        to.sin_port = htons(port);
        sendto(Socket, reinterpret_cast<const char*>(bytes.data()), static_cast<int>(bytes.size()), 0,
               reinterpret_cast<const sockaddr*>(&to), sizeof to);
    }
    // The next datagram within ms, or nothing. A report of an earlier datagram to a
    // closed port is no datagram.
    BYTES Receive(int ms)
    {
        DWORD start = GetTickCount();
        for (;;) {
            DWORD elapsed = GetTickCount() - start;
            if (elapsed >= static_cast<DWORD>(ms)) return BYTES();
            DWORD left = ms - elapsed;
            fd_set readable;
            FD_ZERO(&readable);
            FD_SET(Socket, &readable);
            timeval timeout = {static_cast<long>(left / 1000), static_cast<long>(left % 1000 * 1000)};
            if (select(0, &readable, nullptr, nullptr, &timeout) != 1) return BYTES();
            unsigned char buffer[1024];
            int n = recv(Socket, reinterpret_cast<char*>(buffer), sizeof buffer, 0);
            if (n > 0) return BYTES(buffer, buffer + n);
        }
    }
    // The reply to one request.
    BYTES Ask(unsigned short port, const BYTES& bytes)
    {
        Send(port, bytes);
        return Receive(SILENCE_MS * 10);
    }

private:
    SOCKET Socket;
};

class SntpResponder : public ENGINETEST {
protected:
    void SetUp() override
    {
        ENGINETEST::SetUp();
        if (HasFatalFailure()) return;
        WSADATA data;
        WSAStartup(MAKEWORD(1, 1), &data);
        if (!upstream.Start()) GTEST_SKIP() << "the test SNTP server cannot run: " << upstream.ErrorText();
        SNTPSERVERCONFIG config;
        config.FixedTime = SntpTimestamp(FrozenTime());
        config.Stratum = 3;
        config.RootDelay = 0x00000180;
        config.RootDispersion = 0x00000240;
        upstream.Configure(config);
        ENGINETIMINGS timings;
        timings.SntpPort = upstream.Port();
        timings.SntpServerPort = FreePort();
        timings.UpdatePauseMs = 0;
        engine.SetTimings(timings);
        port = timings.SntpServerPort;
        const std::pair<const char*, const char*> start[] = {
            {"Mode", "2"},           {"LanDoServer", "1"},      {"LanSntpServer", "1"},
            {"TimeServer", "127.0.0.1"}, {"TimeDoServer2", "0"}, {"TimeNetVariance", "50"},
            {"TimeMaxDiff", "1000"}, {"NotifyDoMsgbox", "0"},   {"ProAutoTime", "0"},
            {"TimeExtraAdjustment", "0"}};
        for (const auto& setting : start) Put(setting.first, setting.second);
        engine.SetLanFlags(false, true);
        ASSERT_TRUE(engine.SntpServerRunning()) << "port " << port;
    }
    void TearDown() override
    {
        engine.StopSntpServer();
        WSACleanup();
        ENGINETEST::TearDown();
    }
    static unsigned short FreePort()
    {
        SOCKET s = socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in address = {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = inet_addr("127.0.0.1");
        bind(s, reinterpret_cast<const sockaddr*>(&address), sizeof address);
        int length = sizeof address;
        getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
        closesocket(s);
        return ntohs(address.sin_port);
    }
    // A fresh allowance for the next request: the rate limit's burst is earned again.
    void Rest() { clock.MoveTicks(CLIENT_BURST * CLIENT_REFILL_MS); }
    // The leap indicator of a reply to a plain request (-1: no reply).
    int Leap()
    {
        Rest();
        BYTES reply = client.Ask(port, request(0x23, 1));
        return reply.size() == 48 ? reply[0] >> 6 : -1;
    }

    SNTPSERVER upstream;
    CLIENT client;
    unsigned short port = 0;
};

// The frozen time 2024-05-01 12:00:00 UTC on the wire: 0xe9dcad40 seconds since 1900.
const char FROZEN_WIRE[] = "e9dcad4000000000";

TEST_F(SntpResponder, RepliesByteForByteBeforeAndAfterTheFirstGoodCheck)
{
    struct CASE {
        unsigned char first;  // of the request: leap, version, mode
        unsigned char poll;
        uint32_t mark;
        const char* before;  // the reply before the first good check
        const char* after;   // and after it
    };
    // Leap 3 without an upstream: stratum 16, no reference. After the check: stratum 3
    // + 1, reference 127.0.0.1, root delay and dispersion the upstream's (the frozen
    // clock measures no round trip and no time since), reference time the upstream's.
    const CASE cases[] = {
        {0x1B, 6, 0x01020304, "dc1006ec 00000000 00000000 00000000 0000000000000000",
         "1c0406ec 00000180 00000240 7f000001 e9dcad4000000000"},
        {0x23, 10, 0xA0B0C0D0, "e4100aec 00000000 00000000 00000000 0000000000000000",
         "24040aec 00000180 00000240 7f000001 e9dcad4000000000"},
        {0xDB, 0, 0x00000001, "dc1000ec 00000000 00000000 00000000 0000000000000000",
         "1c0400ec 00000180 00000240 7f000001 e9dcad4000000000"},
        {0x0B, 4, 0xFFFFFFFF, "cc1004ec 00000000 00000000 00000000 0000000000000000",
         "0c0404ec 00000180 00000240 7f000001 e9dcad4000000000"},
    };
    // One burst of the rate limit for each phase; the clock's ticks stand still after
    // the check, so its dispersion does not grow.
    for (int phase = 0; phase < 2; phase++) {
        Rest();
        if (phase == 1) {
            engine.UpdateItem();
            ASSERT_EQ(Get("TimeLastOK") + "|" + Get("TimeLastQuality"), "1 OK|0");
        }
        for (const CASE& c : cases) {
            BYTES ask = request(c.first, c.mark, 48, c.poll);
            BYTES reply = client.Ask(port, ask);
            // originate = the request's transmit time; receive and transmit: the clock's.
            std::string originate = hex(BYTES(ask.begin() + 40, ask.end()));
            BYTES expected = from_hex(std::string(phase ? c.after : c.before) + originate + FROZEN_WIRE + FROZEN_WIRE);
            EXPECT_EQ(hex(reply), hex(expected)) << "request " << hex(ask) << ", phase " << phase;
        }
    }
}

TEST_F(SntpResponder, SynchronisedOnlyWhileTheLastCheckWasGoodAndTheClockIsRight)
{
    EXPECT_EQ(Leap(), 3) << "no check yet";
    engine.UpdateItem();
    EXPECT_EQ(Leap(), 0) << "a good check, the clock right";
    struct CASE {
        const char* lastok;
        const char* quality;
        const char* extrahours;
        bool setclock;  // the clock is then set by the stored offset
        int leap;
    };
    const CASE cases[] = {
        {"1 OK", "0", "0", false, 0}, {"1 OK", "1", "0", false, 0},
        {"1 OK", "2", "0", false, 3}, {"1 OK", "2", "0", true, 0},
        {"0 No response from server", "0", "0", false, 3},
        {"1 OK", "0", "1", false, 3},  // a clock shifted on purpose is no reference
    };
    for (const CASE& c : cases) {
        Put("TimeLastOK", c.lastok);
        Put("TimeLastQuality", c.quality);
        Put("TimeExtraAdjustment", c.extrahours);
        if (c.setclock) engine.AdjustClock("00000001.00000000");
        EXPECT_EQ(Leap(), c.leap) << c.lastok << ", quality " << c.quality << ", extra " << c.extrahours
                                  << (c.setclock ? ", clock set" : "");
    }
}

TEST_F(SntpResponder, NoReplyButToWellFormedClientRequests)
{
    struct CASE {
        const char* what;
        BYTES ask;
        bool answered;
    };
    BYTES garbage(48);
    for (size_t i = 0; i < garbage.size(); i++) garbage[i] = static_cast<unsigned char>(i * 37 + 11);
    garbage[0] = 0xFF;  // mode 7
    const CASE cases[] = {
        {"47 bytes", request(0x1B, 2, 47), false},
        {"1 byte", request(0x1B, 3, 1), false},
        {"mode 4 (a server's reply)", request(0x1C, 4), false},
        {"mode 1 (symmetric)", request(0x19, 5), false},
        {"mode 5 (broadcast)", request(0x1D, 6), false},
        {"version 0", request(0x03, 7), false},
        {"version 5", request(0x2B, 8), false},
        {"garbage", garbage, false},
        {"48 bytes", request(0x1B, 9), true},
        {"68 bytes, with an authenticator", request(0x23, 10, 68), true},
        {"version 1", request(0x0B, 11), true},
    };
    for (const CASE& c : cases) {
        Rest();
        client.Send(port, c.ask);
        // A request that must be answered follows; the reply must be to it, as the
        // server handles datagrams in order.
        BYTES probe = request(0x1B, 0x5A5A5A5A);
        BYTES first = client.Ask(port, probe);
        BYTES second = c.answered ? client.Receive(SILENCE_MS * 10) : BYTES();
        if (c.answered) std::swap(first, second);
        // Never more than came in: every reply is a bare header.
        if (c.answered) {
            EXPECT_EQ(second.size(), 48u) << c.what;
            EXPECT_EQ(hex(BYTES(second.begin() + 24, second.begin() + 32)), hex(BYTES(c.ask.begin() + 40, c.ask.begin() + 48)))
                << c.what;
        }
        ASSERT_EQ(first.size(), 48u) << c.what << ": the probe got no reply";
        EXPECT_EQ(hex(BYTES(first.begin() + 24, first.begin() + 32)), hex(BYTES(probe.begin() + 40, probe.end())))
            << c.what << ": answered";
    }
}

TEST_F(SntpResponder, AFloodFromOneAddressIsCutByTheRateLimit)
{
    Rest();
    const int flood = 20;
    for (int i = 0; i < flood; i++) client.Send(port, request(0x23, static_cast<uint32_t>(i)));
    int replies = 0;
    while (client.Receive(SILENCE_MS).size() == 48) replies++;
    EXPECT_EQ(replies, static_cast<int>(CLIENT_BURST));
    // A second later one more answer is earned, and only one.
    clock.MoveTicks(CLIENT_REFILL_MS);
    for (int i = 0; i < 3; i++) client.Send(port, request(0x23, 100u + i));
    replies = 0;
    while (client.Receive(SILENCE_MS).size() == 48) replies++;
    EXPECT_EQ(replies, 1);
}

TEST_F(SntpResponder, ServesOnlyAsALanServerWithTheSetting)
{
    struct CASE {
        const char* mode;
        const char* landoserver;
        const char* lansntpserver;
        bool lanclient;
        bool serves;
    };
    const CASE cases[] = {
        {"2", "1", "1", false, true}, {"2", "1", "0", false, false}, {"1", "1", "1", false, false},
        {"2", "0", "1", false, false}, {"2", "1", "1", true, false},  {"2", "1", "1", false, true},
    };
    for (const CASE& c : cases) {
        Put("Mode", c.mode);
        Put("LanDoServer", c.landoserver);
        Put("LanSntpServer", c.lansntpserver);
        engine.SetLanFlags(c.lanclient, c.mode[0] == '2' && c.landoserver[0] == '1');
        Rest();
        client.Send(port, request(0x23, 7));
        BYTES reply = client.Receive(c.serves ? SILENCE_MS * 10 : SILENCE_MS);
        std::string what = std::string("Mode ") + c.mode + ", LanDoServer " + c.landoserver + ", LanSntpServer " +
                           c.lansntpserver + (c.lanclient ? ", LAN client" : "");
        EXPECT_EQ(engine.SntpServerRunning(), c.serves) << what;
        EXPECT_EQ(reply.size(), c.serves ? 48u : 0u) << what;
    }
}

TEST_F(SntpResponder, TheEngineStopsItsServerWhenItEnds)
{
    HASH own;
    own["Mode"] = "2";
    own["LanDoServer"] = "1";
    own["LanSntpServer"] = "1";
    unsigned short second = FreePort();
    {
        APPENGINE other(own, clock, events);
        ENGINETIMINGS timings;
        timings.SntpServerPort = second;
        other.SetTimings(timings);
        other.SetLanFlags(false, true);
        ASSERT_TRUE(other.SntpServerRunning());
        EXPECT_EQ(client.Ask(second, request(0x23, 1)).size(), 48u);
    }
    // The port is free again: the engine's server closed it on its way out.
    SNTPSERVER taker;
    EXPECT_TRUE(taker.Start("127.0.0.1", second)) << taker.ErrorText();
}

// The rate limit on its own: per client, in all, and the clients it remembers.
TEST(ClientRateLimit, BurstRefillAndOtherClients)
{
    CLIENTRATELIMIT limit;
    unsigned long long t = 5000;
    auto answered = [&](uint32_t address, int requests) {
        int n = 0;
        for (int i = 0; i < requests; i++) n += limit.Allow(address, t) ? 1 : 0;
        return n;
    };
    EXPECT_EQ(answered(1, 10), static_cast<int>(CLIENT_BURST));
    EXPECT_EQ(answered(2, 10), static_cast<int>(CLIENT_BURST)) << "another client is not cut by the first";
    t += CLIENT_REFILL_MS - 1;
    EXPECT_EQ(answered(1, 1), 0) << "not yet a second";
    t += 1;
    EXPECT_EQ(answered(1, 5), 1);
    t += 10 * CLIENT_REFILL_MS;
    EXPECT_EQ(answered(1, 10), static_cast<int>(CLIENT_BURST)) << "a quiet client earns no more than a burst";
}

TEST(ClientRateLimit, AClientPushedOutByNewerOnesStartsAfresh)
{
    CLIENTRATELIMIT limit;
    unsigned long long t = 1000;
    int n = 0;
    for (int i = 0; i < 10; i++) n += limit.Allow(2, t) ? 1 : 0;
    EXPECT_EQ(n, static_cast<int>(CLIENT_BURST));
    // Far less than a refill later, as many newer clients as the table holds.
    for (uint32_t a = 100; a < 100 + CLIENT_TABLE_SIZE; a++) limit.Allow(a, ++t);
    EXPECT_TRUE(limit.Allow(2, t));
}

TEST(ClientRateLimit, AllClientsTogether)
{
    CLIENTRATELIMIT limit;
    int n = 0;
    for (uint32_t a = 1; a <= 2 * ALL_BURST; a++) n += limit.Allow(a, 1000) ? 1 : 0;
    EXPECT_EQ(n, static_cast<int>(ALL_BURST));
    EXPECT_TRUE(limit.Allow(5000, 1000 + ALL_REFILL_MS));
    EXPECT_FALSE(limit.Allow(5001, 1000 + ALL_REFILL_MS));
}
