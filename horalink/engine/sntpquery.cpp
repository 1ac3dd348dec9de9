// APPENGINE::GetNtpTime: one SNTP query of one time server. Name look-up, the
// 48-byte request, the wait for a reply that really answers it, clock offset and
// round-trip delay from precise timestamps, the best of up to four exchanges, the
// checks that keep a hostile or broken server or a slow network from setting the
// clock, and the user's limit on the largest correction.
#include <winsock2.h>  // ahead of every header that brings in windows.h

#include "appengine.h"

#include "horalinkres.h"
#include "kelvo.h"
#include "osys.h"
#include "priorityboost.h"
#include "settingkeys.h"
#include "tcpio.h"

#include <atomic>
#include <climits>
#include <cstdint>
#include <cstring>

const int SNTP_PACKET_SIZE = 48;
const int SNTP_REPLY_BUFFER = 68;  // header and room for an authenticator
const unsigned char SNTP_CLIENT_REQUEST = 0x1B;  // leap 0, version 3, mode 3 (client)
const int SNTP_MODE_SERVER = 4;
const int SNTP_LEAP_UNSYNCHRONISED = 3;
const int SNTP_STRATUM_UNSYNCHRONISED = 16;
const int SNTP_ROOT_DELAY = 4;
const int SNTP_ROOT_DISPERSION = 8;
const int SNTP_REFERENCE_ID = 12;
const int SNTP_ORIGINATE = 24;
const int SNTP_RECEIVE = 32;
const int SNTP_TRANSMIT = 40;
// A server's root distance is its own bound on how wrong its clock may be. Healthy
// internet servers stay well below a second; one that admits to more than 5 s knows
// it has lost its reference, and its time would be worse than a PC left alone for days.
const uint64_t MAX_ROOT_DISTANCE = 5ull << 16;  // 16.16 seconds
// The system time moves in clock ticks of up to 15.6 ms, so t4 - t1 may read up to one
// tick short and a genuine reply can show a small negative delay; a larger one means the
// server claims to have held the request longer than we waited for it.
const long long MIN_DELAY_MS = -20;
// The request's transmit time carries random bits below the millisecond, so that only
// who saw the request can forge its originate timestamp.
const uint32_t UNGUESSABLE_BITS = 0x3FFFFF;  // 2^22 units: 0.98 ms
// The exchanges of one query: the one with the shortest round trip met the least
// queueing, so its offset is the most trustworthy. A round trip of 2 ms or less bounds
// the offset's error by 1 ms, a fifth of the smallest variance a user can set; further
// exchanges could not change the verdict, and the query ends there.
const int SNTP_EXCHANGES = 4;
const long long GOOD_DELAY_MS = 2;

enum class REPLYVERDICT { Use, Drop, KissOfDeath, Unsynchronised };

static bool digits_and_points(const char* text)
{
    if (!*text) return false;
    for (const char* p = text; *p; p++)
        if ((*p < '0' || *p > '9') && *p != '.') return false;
    return true;
}

// The server's IPv4 address by name, else as a dotted text; false when neither gives
// a unicast address.
static bool resolve_server(const char* server, in_addr& result)
{
    unsigned long address = INADDR_NONE;
    hostent* host = gethostbyname(server);
    if (host && host->h_addrtype == AF_INET && host->h_length == 4 && host->h_addr_list[0])
        memcpy(&address, host->h_addr_list[0], 4);
    else if (digits_and_points(server))
        address = inet_addr(server);
    result.s_addr = address;
    // A look-up may also hand back the broadcast or the any address; neither is a server.
    return address != INADDR_NONE && address != INADDR_ANY;
}

static uint32_t be32(const unsigned char* bytes)
{
    return static_cast<uint32_t>(bytes[0]) << 24 | static_cast<uint32_t>(bytes[1]) << 16 |
           static_cast<uint32_t>(bytes[2]) << 8 | bytes[3];
}

typedef BOOLEAN(WINAPI* RTLGENRANDOM)(PVOID buffer, ULONG length);

// Random bits for the request. The platform's generator (RtlGenRandom, exported by
// advapi32 as SystemFunction036) is looked up once; without it the counters and ids of
// the moment are mixed, which an attacker off the path can hardly guess to the bit.
static uint32_t random_bits()
{
    static const RTLGENRANDOM generate = [] {
        HMODULE advapi = LoadLibraryA("advapi32.dll");
        return advapi ? reinterpret_cast<RTLGENRANDOM>(
                            reinterpret_cast<void*>(GetProcAddress(advapi, "SystemFunction036")))
                      : nullptr;
    }();
    uint32_t bits = 0;
    if (generate && generate(&bits, sizeof bits)) return bits;

    static std::atomic<uint64_t> calls{0};
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    uint64_t x = static_cast<uint64_t>(counter.QuadPart) ^
                 (static_cast<uint64_t>(GetCurrentProcessId()) << 32) ^
                 (static_cast<uint64_t>(GetCurrentThreadId()) << 16) ^ GetTickCount() ^
                 (++calls * 0x9E3779B97F4A7C15ull);
    // splitmix64's finaliser: every input bit reaches every output bit.
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return static_cast<uint32_t>(x ^ (x >> 31));
}

// The kiss code of a stratum-0 reply, its four bytes as text; a byte that is no
// printable ASCII becomes '?' so that the code is safe to log and to compare.
static STRING kiss_code(const unsigned char* reply)
{
    char code[5] = {};
    for (int i = 0; i < 4; i++) {
        unsigned char c = reply[SNTP_REFERENCE_ID + i];
        code[i] = c >= 0x20 && c < 0x7F ? static_cast<char>(c) : '?';
    }
    return STRING(code);
}

// Whether a datagram answers the request we sent, and whether it may be used.
// Anything that is not an answer to us, or whose numbers no synchronised server could
// give, is dropped so that the real one still counts.
static REPLYVERDICT check_reply(const unsigned char* reply, int length, const sockaddr_in& from,
                                const sockaddr_in& destination, const unsigned char* sentt1)
{
    const char* reason = nullptr;
    if (from.sin_family != AF_INET || from.sin_addr.s_addr != destination.sin_addr.s_addr ||
        from.sin_port != destination.sin_port)
        reason = "foreign sender";
    else if (length < SNTP_PACKET_SIZE)
        reason = "too short";
    else if ((reply[0] & 7) != SNTP_MODE_SERVER)
        reason = "not a server reply";
    else if (memcmp(reply + SNTP_ORIGINATE, sentt1, NTPTIME_WIRE_SIZE) != 0)
        reason = "originate differs from our request";
    if (reason) {
        Logit("APP::GetNtpTime reply dropped (%s, %d bytes from %s:%u)\n", reason, length,
              inet_ntoa(from.sin_addr), ntohs(from.sin_port));
        return REPLYVERDICT::Drop;
    }
    if (reply[1] == 0) return REPLYVERDICT::KissOfDeath;
    if ((reply[0] >> 6) == SNTP_LEAP_UNSYNCHRONISED) return REPLYVERDICT::Unsynchronised;
    uint64_t rootdistance =
        be32(reply + SNTP_ROOT_DELAY) / 2 + uint64_t{be32(reply + SNTP_ROOT_DISPERSION)};
    if (NTPTIME::FromWire(reply + SNTP_TRANSMIT).IsZero()) {
        Logit("APP::GetNtpTime reply dropped (no transmit timestamp)\n");
    } else if (NTPTIME::FromWire(reply + SNTP_RECEIVE).IsZero()) {
        Logit("APP::GetNtpTime reply dropped (no receive timestamp)\n");
    } else if (reply[1] >= SNTP_STRATUM_UNSYNCHRONISED) {
        Logit("APP::GetNtpTime reply dropped (stratum %d, not synchronised)\n", reply[1]);
    } else if (rootdistance > MAX_ROOT_DISTANCE) {
        Logit("APP::GetNtpTime reply dropped (root distance %lu ms above %lu ms)\n",
              static_cast<unsigned long>(rootdistance * 1000 >> 16),
              static_cast<unsigned long>(MAX_ROOT_DISTANCE * 1000 >> 16));
    } else {
        return REPLYVERDICT::Use;
    }
    return REPLYVERDICT::Drop;
}

// Whether delta is one a real exchange can show: not longer than we waited, and not
// below zero by more than the clock's granularity.
static bool plausible_delay(const NTPTIME& delta, DWORD wait)
{
    long long value = delta.Units();
    return value >= NTPTIME::UnitsOfMs(MIN_DELAY_MS) && value <= NTPTIME::UnitsOfMs(static_cast<long long>(wait));
}

// "label: seconds.milliseconds seconds", the sign kept also below one second.
static void log_seconds(const char* label, const NTPTIME& value)
{
    long long ms = value.ToMilliseconds(false);
    long long amount = ms < 0 ? -ms : ms;
    Logit("%s: %s%ld.%03d seconds\n", label, ms < 0 ? "-" : "", static_cast<long>(amount / 1000),
          static_cast<int>(amount % 1000));
}

// A difference as signed seconds with six decimals.
static STRING microseconds_text(const NTPTIME& value)
{
    NTPTIME amount = value.IsNegative() ? value.Negate() : value;
    unsigned long long us = (static_cast<unsigned long long>(amount.Fraction) * 1000000 + 0x80000000u) >> 32;
    unsigned long long seconds = amount.Seconds + us / 1000000;
    STRING text;
    text.Format("%s%lu.%06lu", value.IsNegative() ? "-" : "", static_cast<unsigned long>(seconds),
                static_cast<unsigned long>(us % 1000000));
    return text;
}

// Request and reply on an open socket: steps from the priority raise to theta and delta,
// and the server's stratum and root values in upstream; a kiss-o'-death leaves its code
// in kisscode.
static bool exchange(SOCKET s, const sockaddr_in& destination, DWORD wait, SYSTEMCLOCK& clock,
                     NTPTIME& theta, NTPTIME& delta, SNTPUPSTREAM& upstream, STRING& error,
                     STRING& kisscode)
{
    PRIORITYBOOST boost;

    unsigned char request[SNTP_PACKET_SIZE] = {SNTP_CLIENT_REQUEST};
    uint32_t unguessable = random_bits() & UNGUESSABLE_BITS;
    // The arithmetic uses the true send time; only the datagram carries the random bits.
    // t4 is t1 plus the interval counter's time: setting the clock meanwhile, or its
    // coarse steps, cannot distort the round trip.
    NTPTIME t1 = clock.PreciseNow();
    long long sent = clock.Counter();
    NTPTIME(t1.Seconds, (t1.Fraction & ~UNGUESSABLE_BITS) | unguessable).ToWire(request + SNTP_TRANSMIT);
    if (sendto(s, reinterpret_cast<const char*>(request), sizeof request, 0,
               reinterpret_cast<const sockaddr*>(&destination), sizeof destination) != sizeof request) {
        error = "Send failed";
        return false;
    }

    // One deadline for the whole wait: rejected datagrams do not extend it.
    DWORD start = GetTickCount();
    for (;;) {
        DWORD elapsed = GetTickCount() - start;
        DWORD remaining = elapsed >= wait ? 0 : wait - elapsed;
        timeval timeout;
        timeout.tv_sec = static_cast<long>(remaining / 1000);
        timeout.tv_usec = static_cast<long>(remaining % 1000 * 1000);
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(s, &readable);
        int ready = select(0, &readable, nullptr, nullptr, &timeout);
        if (ready == SOCKET_ERROR) {
            error = "Select failed";
            return false;
        }
        if (ready == 0) {
            error = "No response from server";
            return false;
        }
        NTPTIME t4 = t1 + clock.Since(sent);

        unsigned char reply[SNTP_REPLY_BUFFER] = {};
        sockaddr_in from = {};
        int fromlength = sizeof from;
        int length = recvfrom(s, reinterpret_cast<char*>(reply), sizeof reply, 0,
                              reinterpret_cast<sockaddr*>(&from), &fromlength);
        if (length == SOCKET_ERROR) {
            int code = WSAGetLastError();
            if (code == WSAEWOULDBLOCK) continue;
            // A longer datagram arrives cut to the buffer; its header is complete.
            if (code == WSAEMSGSIZE) {
                length = sizeof reply;
            } else {
                error = "Error while reading data (recfrom)";
                return false;
            }
        }

        switch (check_reply(reply, length, from, destination, request + SNTP_TRANSMIT)) {
        case REPLYVERDICT::Drop:
            continue;
        case REPLYVERDICT::KissOfDeath:
            kisscode = kiss_code(reply);
            Logit("APP::GetNtpTime kiss-o'-death %s\n", kisscode.Text());
            error = OSYS::GetStringFromResource(IDS_SNTPKISSOFDEATH);
            return false;
        case REPLYVERDICT::Unsynchronised:
            error = OSYS::GetStringFromResource(IDS_SNTPUNSYNCED);
            return false;
        case REPLYVERDICT::Use:
            break;
        }
        NTPTIME t2 = NTPTIME::FromWire(reply + SNTP_RECEIVE);
        NTPTIME t3 = NTPTIME::FromWire(reply + SNTP_TRANSMIT);
        NTPTIME rtt = NTPTIME::RoundTripDelay(t1, t2, t3, t4);
        if (!plausible_delay(rtt, wait)) {
            log_seconds("APP::GetNtpTime reply dropped (impossible round trip delay)", rtt);
            continue;
        }
        theta = NTPTIME::ClockOffset(t1, t2, t3, t4);
        delta = rtt;
        upstream.Stratum = reply[1];
        upstream.RootDelay = be32(reply + SNTP_ROOT_DELAY);
        upstream.RootDispersion = be32(reply + SNTP_ROOT_DISPERSION);
        return true;
    }
}

// Up to SNTP_EXCHANGES exchanges, at least SntpSpacingMs apart: theta and delta of the
// one with the shortest round trip. A failure after a good exchange ends the query with
// the best so far, except a kiss-o'-death: the server asked to be left alone, and the
// query fails with it.
static bool best_exchange(SOCKET s, const sockaddr_in& destination, const ENGINETIMINGS& timings,
                          SYSTEMCLOCK& clock, NTPTIME& theta, NTPTIME& delta, SNTPUPSTREAM& upstream,
                          STRING& error, STRING& kisscode)
{
    int good = 0;
    for (int i = 1; i <= SNTP_EXCHANGES; i++) {
        DWORD started = GetTickCount();
        NTPTIME t, d;
        SNTPUPSTREAM u;
        STRING failure;
        if (!exchange(s, destination, timings.SntpWaitMs, clock, t, d, u, failure, kisscode)) {
            if (good == 0 || kisscode.Length() > 0) {
                error = failure;
                return false;
            }
            Logit("APP::GetNtpTime exchange %d failed (%s)\n", i, failure.Text());
            break;
        }
        Logit("APP::GetNtpTime exchange %d: offset %s s, delay %s s\n", i, microseconds_text(t).Text(),
              microseconds_text(d).Text());
        if (good++ == 0 || d.Units() < delta.Units()) {
            theta = t;
            delta = d;
            upstream = u;
        }
        if (delta.Units() <= NTPTIME::UnitsOfMs(GOOD_DELAY_MS) || i == SNTP_EXCHANGES) break;
        DWORD elapsed = GetTickCount() - started;
        if (elapsed < timings.SntpSpacingMs) Sleep(timings.SntpSpacingMs - elapsed);
    }
    return true;
}

long long APPENGINE::MaxDiffBound()
{
    // Below the settings dialog's 100 ms (a typo, a file without the key) no result
    // could pass.
    long long maxdiff = GetSettingInt(KEY::TimeMaxDiff);
    if (maxdiff < 100) maxdiff = 100;
    return maxdiff > 86400000 ? 86400000 : maxdiff;
}

bool APPENGINE::BeyondCorrectionLimit(const NTPTIME& offset)
{
    long long limit = GetSettingInt(KEY::TimeMaxAdjust) * 3600LL;
    NTPTIME magnitude = offset.IsNegative() ? offset.Negate() : offset;
    if (!GetSettingInt(KEY::TimeDoMaxAdjust) || limit <= 0 || magnitude.Seconds <= limit) return false;
    Logit("APP::GetNtpTime time adjustment of %ld seconds > max of %ld\n", static_cast<long>(magnitude.Seconds),
          static_cast<long>(limit < LONG_MAX ? limit : LONG_MAX));
    return true;
}

int APPENGINE::GetNtpTime(const char* server, STRING& output, NTPTIME& offset)
{
    STRING error("unknown problem");
    offset = NTPTIME();
    int ok = 0;

    STRING name(server && *server ? server : "<none>");
    Logit("APP::GetNtpTime %s\n", name.Text());
    LastKissCode = STRING();
    // The device starts the socket library for this query and stops it at its end.
    TCPIPIO library("", "", "");
    SOCKET s = INVALID_SOCKET;

    sockaddr_in destination = {};
    destination.sin_family = AF_INET;
    destination.sin_port = htons(Timings.SntpPort);
    NTPTIME theta, delta;
    SNTPUPSTREAM upstream;
    if (!resolve_server(name.Text(), destination.sin_addr)) {
        error.Format("Bad time server/ip-addr (%d, %s)", WSAGetLastError(), name.Text());
    } else if ((s = socket(AF_INET, SOCK_DGRAM, 0)) == INVALID_SOCKET) {
        error = "socket";
    } else {
        u_long nonblocking = 1;
        if (ioctlsocket(s, FIONBIO, &nonblocking) != 0) {
            error = "Ioctl failed";
        } else if (best_exchange(s, destination, Timings, Clock, theta, delta, upstream, error,
                                 LastKissCode)) {
            // Half the round trip bounds the offset's error: beyond the difference the
            // user still accepts, the result cannot tell whether the clock is right.
            if (delta.Units() / 2 > NTPTIME::UnitsOfMs(MaxDiffBound())) {
                log_seconds("APP::GetNtpTime network too slow, round trip delay", delta);
                STRING ms;
                ms.Format("%ld ms", static_cast<long>(delta.ToMilliseconds(false)));
                error = ResourceText(IDS_SNTPTOOSLOW, ms);
            } else if (BeyondCorrectionLimit(theta)) {
                error = OSYS::GetStringFromResource(IDS_MAXADJUST);
            } else {
                log_seconds("APP::GetNtpTime Clock Difference", theta);
                log_seconds("APP::GetNtpTime Round trip delay", delta);
                offset = theta;
                ok = 1;
                // What this PC's SNTP server, when it runs, says of its reference.
                upstream.Address = destination.sin_addr.s_addr;
                upstream.Delay = delta;
                upstream.Time = Clock.PreciseNow() + theta;
                upstream.Ticks = Clock.GetTicks();
                RecordUpstream(upstream);
            }
        }
    }

    if (!ok) Logit("GetNtpTime ok= %d, error= %s (%d)\n", ok, error.Text(), WSAGetLastError());
    if (s != INVALID_SOCKET) {
        shutdown(s, SD_BOTH);
        closesocket(s);
    }
    output = ok ? STRING("+OK ") + name.Text() : STRING("-ERR ") + error.Text();
    Logit("APP::GetNtpTime done, output= %s\n", output.Text());
    return ok;
}
