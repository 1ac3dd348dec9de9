// The test SNTP server: one thread that waits for requests and answers each as
// configured, plus the NTP timestamp helpers it stamps its replies with.
#include <winsock2.h>  // ahead of every header that brings in windows.h

#include "sntpserver.h"

#include <algorithm>

#include <chrono>
#include <cstring>

static const unsigned long long FILETIME_1900 = 94354848000000000ULL;  // 1601..1900 in 100 ns
static const int SNTP_SIZE = 48;
static const uint64_t FAULTY_SHIFT = 1000ULL << 32;  // 1000 s

uint64_t SntpTimestamp(const FILETIME& time)
{
    unsigned long long t =
        ((static_cast<unsigned long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime) -
        FILETIME_1900;
    uint64_t seconds = t / 10000000ULL;
    uint64_t fraction = ((t % 10000000ULL) << 32) / 10000000ULL;
    return (seconds << 32) + fraction;
}

uint64_t SntpTimestamp(const SYSTEMTIME& time)
{
    FILETIME ft = {};
    SystemTimeToFileTime(&time, &ft);
    return SntpTimestamp(ft);
}

uint64_t SntpNow()
{
    FILETIME ft;
    GetSystemTimeAsFileTime(&ft);
    return SntpTimestamp(ft);
}

static void put_timestamp(unsigned char* p, uint64_t t)
{
    for (int i = 7; i >= 0; i--, t >>= 8) p[i] = static_cast<unsigned char>(t);
}

static uint64_t get_timestamp(const unsigned char* p)
{
    uint64_t t = 0;
    for (int i = 0; i < 8; i++) t = (t << 8) | p[i];
    return t;
}

// Microseconds in units of 2^-32 s (modulo 2^64 for negative amounts).
static uint64_t units_of_us(long long us)
{
    long long seconds = us / 1000000;
    long long micros = us % 1000000;
    return static_cast<uint64_t>(seconds * 0x100000000LL + micros * 0x100000000LL / 1000000);
}

static uint64_t server_time(const SNTPSERVERCONFIG& c)
{
    return (c.FixedTime ? c.FixedTime : SntpNow()) + units_of_us(c.OffsetUs);
}

static void put_be32(unsigned char* p, uint32_t v)
{
    for (int i = 3; i >= 0; i--, v >>= 8) p[i] = static_cast<unsigned char>(v);
}

// The reply datagram of the given kind to request, with receive time t2 and transmit time t3.
static std::string build_reply(const unsigned char* request, uint64_t t2, uint64_t t3, SNTPREPLY kind,
                               SNTPFORGERY forge, const SNTPSERVERCONFIG& c)
{
    unsigned char r[SNTP_SIZE] = {};
    int version = (request[0] >> 3) & 7;
    int leap = (kind == SNTPREPLY::Unsynchronised || kind == SNTPREPLY::KissOfDeath) ? 3 : 0;
    int mode = kind == SNTPREPLY::ClientMode ? 3 : 4;
    r[0] = static_cast<unsigned char>(leap << 6 | (version ? version : 3) << 3 | mode);
    r[1] = static_cast<unsigned char>(kind == SNTPREPLY::KissOfDeath ? 0
                                      : kind == SNTPREPLY::Stratum16 ? 16
                                                                     : c.Stratum);
    r[2] = request[2];  // poll
    r[3] = 0xEC;        // precision 2^-20 s
    put_be32(r + 4, c.RootDelay);
    put_be32(r + 8, kind == SNTPREPLY::FarRoot ? 60u << 16 : c.RootDispersion);
    t3 += units_of_us(c.ProcessingUs);
    if (kind == SNTPREPLY::NegativeDelay) t3 = t2 + (1ULL << 32);
    if (kind == SNTPREPLY::LongDelay) t3 = t2 - (60ULL << 32);
    if (kind == SNTPREPLY::ZeroReceive) {
        // As if the server's clock stood at the era's start: t3 - t2 stays plausible, so
        // only the zero itself gives the reply away.
        t3 = t3 - t2 + 1;
        t2 = 0;
    }
    if (kind == SNTPREPLY::KissOfDeath) {
        memcpy(r + 12, c.KissCode, 4);
    } else {
        r[12] = 127;
        r[15] = 1;
    }
    put_timestamp(r + 16, t3 - (16ULL << 32));  // reference: 16 s ago
    uint64_t originate = get_timestamp(request + 40);
    if (kind == SNTPREPLY::WrongOriginate || forge == SNTPFORGERY::Originate) originate += 1ULL << 32;
    put_timestamp(r + 24, originate);
    put_timestamp(r + 32, kind == SNTPREPLY::ZeroReceive ? 0 : t2);
    put_timestamp(r + 40, kind == SNTPREPLY::ZeroTransmit ? 0 : t3);
    return std::string(reinterpret_cast<char*>(r),
                       kind == SNTPREPLY::Short ? static_cast<size_t>(c.ShortLength) : SNTP_SIZE);
}

static SOCKET bound_socket(const char* address, unsigned short port, std::string& error)
{
    SOCKET s = socket(AF_INET, SOCK_DGRAM, 0);
    if (s == INVALID_SOCKET) {
        error = "socket() failed, error " + std::to_string(WSAGetLastError());
        return s;
    }
    sockaddr_in a = {};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = inet_addr(address);
    a.sin_port = htons(port);
    if (bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        error = std::string("cannot bind ") + address + ":" + std::to_string(port) + ", error " +
                std::to_string(WSAGetLastError());
        closesocket(s);
        return INVALID_SOCKET;
    }
    return s;
}

SNTPSERVER::SNTPSERVER()
    : Socket(INVALID_SOCKET), OtherPortSocket(INVALID_SOCKET), BoundPort(0), Stopping(false), RequestCount(0), SentCount(0), Priority(0)
{
}

SNTPSERVER::~SNTPSERVER() { Stop(); }

bool SNTPSERVER::Start(const char* address, unsigned short port)
{
    Stop();
    if (!Library.IsReady()) {
        Error = "socket library not started, error " + std::to_string(Library.StartError());
        return false;
    }
    Socket = bound_socket(address, port, Error);
    if (Socket == INVALID_SOCKET) return false;
    sockaddr_in a = {};
    int length = sizeof a;
    getsockname(Socket, reinterpret_cast<sockaddr*>(&a), &length);
    BoundPort = ntohs(a.sin_port);
    OtherPortSocket = bound_socket(address, 0, Error);
    if (OtherPortSocket == INVALID_SOCKET) {
        Stop();
        return false;
    }
    Stopping = false;
    Thread = std::thread(&SNTPSERVER::Run, this);
    return true;
}

void SNTPSERVER::Stop()
{
    Stopping = true;
    if (Thread.joinable()) Thread.join();
    for (SOCKET* s : {&Socket, &OtherPortSocket}) {
        if (*s != INVALID_SOCKET) closesocket(*s);
        *s = INVALID_SOCKET;
    }
}

void SNTPSERVER::Configure(const SNTPSERVERCONFIG& config)
{
    std::lock_guard<std::mutex> hold(Lock);
    Config = config;
    ConfiguredAt = RequestCount;
}

int SNTPSERVER::AwaitSent(int count, int timeoutms)
{
    std::unique_lock<std::mutex> hold(SentLock);
    SentChanged.wait_for(hold, std::chrono::milliseconds(timeoutms), [&] { return SentCount >= count; });
    return SentCount;
}

std::string SNTPSERVER::LastRequest() const
{
    std::lock_guard<std::mutex> hold(Lock);
    return Last;
}

bool SNTPSERVER::Pause(int ms)
{
    for (; ms > 0 && !Stopping; ms -= 20) Sleep(ms < 20 ? ms : 20);
    return !Stopping;
}

void SNTPSERVER::Run()
{
    while (!Stopping) {
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(Socket, &readable);
        timeval timeout = {0, 50000};
        if (select(0, &readable, nullptr, nullptr, &timeout) <= 0) continue;
        unsigned char request[512];
        sockaddr_in client = {};
        int clientlength = sizeof client;
        int length = recvfrom(Socket, reinterpret_cast<char*>(request), sizeof request, 0,
                              reinterpret_cast<sockaddr*>(&client), &clientlength);
        if (length <= 0) continue;
        Priority = GetPriorityClass(GetCurrentProcess());
        {
            std::lock_guard<std::mutex> hold(Lock);
            Last.assign(reinterpret_cast<char*>(request), static_cast<size_t>(length));
        }
        RequestCount++;
        if (length >= SNTP_SIZE && (request[0] & 7) == 3) Answer(request, length, &client);
    }
}

void SNTPSERVER::Answer(const unsigned char* request, int, const void* client)
{
    SNTPSERVERCONFIG c;
    int index;
    {
        std::lock_guard<std::mutex> hold(Lock);
        c = Config;
        index = RequestCount - 1 - ConfiguredAt;
    }
    if (c.Reply == SNTPREPLY::Silent) return;
    if (!c.HoldMs.empty() && !Pause(c.HoldMs[std::min<size_t>(static_cast<size_t>(index), c.HoldMs.size() - 1)]))
        return;
    const sockaddr* to = static_cast<const sockaddr*>(client);
    auto send = [&](SOCKET s, const std::string& datagram) {
        if (sendto(s, datagram.data(), static_cast<int>(datagram.size()), 0, to, sizeof(sockaddr_in)) > 0) {
            std::lock_guard<std::mutex> hold(SentLock);
            SentCount++;
            SentChanged.notify_all();
        }
    };

    uint64_t t2 = server_time(c);
    if (c.Reply != SNTPREPLY::Answer) {
        bool otherport = c.Reply == SNTPREPLY::OtherPort || c.Forge == SNTPFORGERY::OtherPort;
        SOCKET from = otherport ? OtherPortSocket : Socket;
        for (int i = 0; i < c.Repeat; i++) {
            if (i > 0 && !Pause(c.RepeatGapMs)) return;
            send(from, build_reply(request, t2 + FAULTY_SHIFT, server_time(c) + FAULTY_SHIFT, c.Reply,
                                   c.Forge, c));
        }
        if (!c.ThenAnswer) return;
        if (!Pause(50)) return;
    }
    uint64_t t3 = server_time(c);
    send(Socket, build_reply(request, t2, t3, SNTPREPLY::Answer, SNTPFORGERY::None, c) +
                     std::string(static_cast<size_t>(c.PadBytes > 0 ? c.PadBytes : 0), '\0'));
}
