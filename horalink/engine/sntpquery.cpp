// APPENGINE::GetNtpTime: one SNTP exchange with one time server. Name look-up,
// the 48-byte request, the wait for a reply that really answers it, clock offset
// and round-trip delay, and the user's limit on the largest correction.
#include <winsock2.h>  // ahead of every header that brings in windows.h

#include "appengine.h"

#include "horalinkres.h"
#include "kelvo.h"
#include "osys.h"
#include "priorityboost.h"
#include "settingkeys.h"
#include "socketlibrary.h"

#include <climits>
#include <cstring>

const int SNTP_PACKET_SIZE = 48;
const int SNTP_REPLY_BUFFER = 68;  // header and room for an authenticator
const unsigned char SNTP_CLIENT_REQUEST = 0x1B;  // leap 0, version 3, mode 3 (client)
const int SNTP_MODE_SERVER = 4;
const int SNTP_LEAP_UNSYNCHRONISED = 3;
const int SNTP_ORIGINATE = 24;
const int SNTP_RECEIVE = 32;
const int SNTP_TRANSMIT = 40;

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

// Whether a datagram answers the request we sent, and whether it may be used.
// Anything that is not an answer to us is dropped so that the real one still counts.
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
    if (NTPTIME::FromWire(reply + SNTP_TRANSMIT).IsZero()) {
        Logit("APP::GetNtpTime reply dropped (no transmit timestamp)\n");
        return REPLYVERDICT::Drop;
    }
    return REPLYVERDICT::Use;
}

// Request and reply on an open socket: steps from the priority raise to theta and delta.
static bool exchange(SOCKET s, const sockaddr_in& destination, DWORD wait, SYSTEMCLOCK& clock,
                     NTPTIME& theta, NTPTIME& delta, STRING& error)
{
    PRIORITYBOOST boost;

    unsigned char request[SNTP_PACKET_SIZE] = {SNTP_CLIENT_REQUEST};
    clock.Now().ToWire(request + SNTP_TRANSMIT);
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
        NTPTIME t4 = clock.Now();

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
            error = OSYS::GetStringFromResource(IDS_SNTPKISSOFDEATH);
            return false;
        case REPLYVERDICT::Unsynchronised:
            error = OSYS::GetStringFromResource(IDS_SNTPUNSYNCED);
            return false;
        case REPLYVERDICT::Use:
            break;
        }
        NTPTIME t1 = NTPTIME::FromWire(reply + SNTP_ORIGINATE);
        NTPTIME t2 = NTPTIME::FromWire(reply + SNTP_RECEIVE);
        NTPTIME t3 = NTPTIME::FromWire(reply + SNTP_TRANSMIT);
        theta = NTPTIME::ClockOffset(t1, t2, t3, t4);
        delta = NTPTIME::RoundTripDelay(t1, t2, t3, t4);
        return true;
    }
}

// "label: seconds.milliseconds seconds", the sign kept also below one second.
static void log_seconds(const char* label, const NTPTIME& value)
{
    long long ms = value.ToMilliseconds(false);
    long long amount = ms < 0 ? -ms : ms;
    Logit("%s: %s%ld.%03d seconds\n", label, ms < 0 ? "-" : "", static_cast<long>(amount / 1000),
          static_cast<int>(amount % 1000));
}

int APPENGINE::GetNtpTime(const char* server, STRING& output, NTPTIME& offset)
{
    STRING error("unknown problem");
    offset = NTPTIME();
    int ok = 0;
    bool dolimit = GetSettingInt(KEY::TimeDoMaxAdjust) != 0;
    long long limit = GetSettingInt(KEY::TimeMaxAdjust) * 3600LL;

    STRING name(server && *server ? server : "<none>");
    Logit("APP::GetNtpTime %s\n", name.Text());
    SOCKETLIBRARY library;
    SOCKET s = INVALID_SOCKET;

    sockaddr_in destination = {};
    destination.sin_family = AF_INET;
    destination.sin_port = htons(Timings.SntpPort);
    NTPTIME theta, delta;
    if (!resolve_server(name.Text(), destination.sin_addr)) {
        error.Format("Bad time server/ip-addr (%d, %s)", WSAGetLastError(), name.Text());
    } else if ((s = socket(AF_INET, SOCK_DGRAM, 0)) == INVALID_SOCKET) {
        error = "socket";
    } else {
        u_long nonblocking = 1;
        if (ioctlsocket(s, FIONBIO, &nonblocking) != 0) {
            error = "Ioctl failed";
        } else if (exchange(s, destination, Timings.SntpWaitMs, Clock, theta, delta, error)) {
            NTPTIME magnitude = theta.IsNegative() ? theta.Negate() : theta;
            if (dolimit && limit > 0 && magnitude.Seconds > limit) {
                Logit("APP::GetNtpTime time adjustment of %ld seconds > max of %ld\n",
                      static_cast<long>(magnitude.Seconds),
                      static_cast<long>(limit < LONG_MAX ? limit : LONG_MAX));
                error = OSYS::GetStringFromResource(IDS_MAXADJUST);
            } else {
                log_seconds("APP::GetNtpTime Clock Difference", theta);
                log_seconds("APP::GetNtpTime Round trip delay", delta);
                offset = theta;
                ok = 1;
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
