// SNTPRESPONDER: the socket and thread of the SNTP server, the checks every
// request must pass, and the reply built from the request and the owner's reference.
#include <winsock2.h>  // ahead of every header that brings in windows.h

#include "sntpresponder.h"

#include "kelvo.h"
#include "osys.h"

#include <cstring>

const int SNTP_MODE_CLIENT = 3;
const int SNTP_MODE_SERVER = 4;
const int SNTP_VERSION_MIN = 1;
const int SNTP_VERSION_MAX = 4;
const int SNTP_LEAP_UNSYNCHRONISED = 3;
const int SNTP_STRATUM = 1;
const int SNTP_POLL = 2;
const int SNTP_PRECISION = 3;
const int SNTP_ROOT_DELAY = 4;
const int SNTP_ROOT_DISPERSION = 8;
const int SNTP_REFERENCE_ID = 12;
const int SNTP_REFERENCE = 16;
const int SNTP_ORIGINATE = 24;
const int SNTP_RECEIVE = 32;
const int SNTP_TRANSMIT = 40;
// The platform's precise time comes in 100-ns units, interpolated or not read faster
// than about a microsecond: 2^-20 s.
const signed char SERVER_PRECISION = -20;
// A request with extension fields or an authenticator is longer than a header; more
// than this is no request a plain SNTP server could serve and is dropped unread.
const int REQUEST_BUFFER = 512;
// Datagrams read in one go before the stop event is looked at again.
const int DRAIN_BATCH = 64;

static void put32(unsigned char* bytes, uint32_t value)
{
    bytes[0] = static_cast<unsigned char>(value >> 24);
    bytes[1] = static_cast<unsigned char>(value >> 16);
    bytes[2] = static_cast<unsigned char>(value >> 8);
    bytes[3] = static_cast<unsigned char>(value);
}

// Whether a reply to from could reach one client: not the any, broadcast or a
// multicast address (which would make this PC answer many for one), not port 0.
static bool answerable(const sockaddr_in& from)
{
    uint32_t address = ntohl(from.sin_addr.s_addr);
    return from.sin_family == AF_INET && from.sin_port != 0 && address != INADDR_ANY &&
           address != INADDR_BROADCAST && (address >> 28) != 0xE;
}

SNTPRESPONDER::SNTPRESPONDER(SYSTEMCLOCK& clock, SNTPREFERENCESOURCE& source)
    : Clock(clock), Source(source), Socket(INVALID_SOCKET), hReadable(nullptr),
      hStop(nullptr), hThread(nullptr), Port(0), AnsweredCount(0), LimitedCount(0)
{
}

SNTPRESPONDER::~SNTPRESPONDER() { Stop(); }

bool SNTPRESPONDER::IsClientRequest(const unsigned char* request, int length)
{
    if (length < SNTP_HEADER_SIZE) return false;
    int version = (request[0] >> 3) & 7;
    return (request[0] & 7) == SNTP_MODE_CLIENT && version >= SNTP_VERSION_MIN && version <= SNTP_VERSION_MAX;
}

void SNTPRESPONDER::BuildReply(const unsigned char* request, const SNTPREFERENCE& reference,
                               const NTPTIME& receive, unsigned char* reply)
{
    memset(reply, 0, SNTP_HEADER_SIZE);
    int stratum = reference.Stratum < 1 || reference.Stratum > SNTP_STRATUM_NONE ? SNTP_STRATUM_NONE
                                                                                 : reference.Stratum;
    int leap = reference.Synchronised && stratum < SNTP_STRATUM_NONE ? 0 : SNTP_LEAP_UNSYNCHRONISED;
    reply[0] = static_cast<unsigned char>(leap << 6 | (request[0] & 0x38) | SNTP_MODE_SERVER);
    reply[SNTP_STRATUM] = static_cast<unsigned char>(stratum);
    // The client's poll interval, as servers echo it.
    reply[SNTP_POLL] = request[SNTP_POLL];
    reply[SNTP_PRECISION] = static_cast<unsigned char>(SERVER_PRECISION);
    put32(reply + SNTP_ROOT_DELAY, reference.RootDelay);
    put32(reply + SNTP_ROOT_DISPERSION, reference.RootDispersion);
    memcpy(reply + SNTP_REFERENCE_ID, &reference.ReferenceId, 4);
    reference.ReferenceTime.ToWire(reply + SNTP_REFERENCE);
    memcpy(reply + SNTP_ORIGINATE, request + SNTP_TRANSMIT, NTPTIME_WIRE_SIZE);
    receive.ToWire(reply + SNTP_RECEIVE);
}

bool SNTPRESPONDER::Start(unsigned short port, int* error)
{
    if (error) *error = 0;
    if (hThread && port == Port) return true;
    Stop();
    Logit("SNTPRESPONDER::Start %u\n", port);
    Library.reset(new SOCKETLIBRARY);
    int code = 0;
    SOCKET s = INVALID_SOCKET;
    if (!Library->IsReady()) {
        code = Library->StartError();
    } else if ((s = socket(AF_INET, SOCK_DGRAM, 0)) == INVALID_SOCKET) {
        code = WSAGetLastError();
    } else {
        // No other program may take the port's datagrams from under us by binding one
        // address of it.
        BOOL exclusive = TRUE;
        setsockopt(s, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&exclusive),
                   sizeof exclusive);
        sockaddr_in address = {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_ANY);
        address.sin_port = htons(port);
        hReadable = WSACreateEvent();
        hStop = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        if (bind(s, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
            hReadable == WSA_INVALID_EVENT || !hStop ||
            WSAEventSelect(s, hReadable, FD_READ) != 0) {
            code = WSAGetLastError();
        } else {
            Socket = s;
            Port = port;
            hThread = OSYS::CreateThread(ThreadEntry, this);
            if (!hThread) code = static_cast<int>(GetLastError());
        }
    }
    if (!hThread) {
        if (s != INVALID_SOCKET) closesocket(s);
        Socket = INVALID_SOCKET;
        Logit("SNTPRESPONDER::Start port %u refused: %s (%d)\n", port, ErrorText(code).Text(), code);
        Stop();
        if (error) *error = code ? code : -1;
        return false;
    }
    Logit("SNTPRESPONDER::Start done\n");
    return true;
}

void SNTPRESPONDER::Stop()
{
    if (hThread) {
        Logit("SNTPRESPONDER::Stop %u\n", Port);
        SetEvent(hStop);
        OSYS::WaitThread(hThread, -1);
        Logit("SNTPRESPONDER::Stop done, %ld answered, %ld refused by the rate limit\n",
              static_cast<long>(AnsweredCount), static_cast<long>(LimitedCount));
    }
    if (Socket != INVALID_SOCKET) closesocket(Socket);
    Socket = INVALID_SOCKET;
    if (hReadable && hReadable != WSA_INVALID_EVENT) WSACloseEvent(hReadable);
    hReadable = nullptr;
    if (hStop) CloseHandle(hStop);
    hStop = nullptr;
    Port = 0;
    Library.reset();
}

unsigned __stdcall SNTPRESPONDER::ThreadEntry(void* responder)
{
    static_cast<SNTPRESPONDER*>(responder)->Serve();
    return 0;
}

void SNTPRESPONDER::Serve()
{
    Logit("SNTPRESPONDER::Serve\n");
    HANDLE events[2] = {hStop, hReadable};
    for (;;) {
        DWORD rc = WaitForMultipleObjects(2, events, FALSE, INFINITE);
        if (rc != WAIT_OBJECT_0 + 1) break;
        WSANETWORKEVENTS happened;
        WSAEnumNetworkEvents(Socket, hReadable, &happened);
        Drain();
    }
    Logit("SNTPRESPONDER::~Serve\n");
}

void SNTPRESPONDER::Drain()
{
    SOCKET s = Socket;
    for (int i = 0; i < DRAIN_BATCH; i++) {
        unsigned char request[REQUEST_BUFFER];
        sockaddr_in from = {};
        int fromlength = sizeof from;
        int length = recvfrom(s, reinterpret_cast<char*>(request), sizeof request, 0,
                              reinterpret_cast<sockaddr*>(&from), &fromlength);
        // Stamped at once: the client's offset is only as good as this moment.
        NTPTIME receive = Clock.PreciseNow();
        if (length == SOCKET_ERROR) {
            int code = WSAGetLastError();
            if (code == WSAEWOULDBLOCK) return;
            // An earlier reply's port was closed (the platform reports it here), or the
            // datagram was too long: neither ends the service.
            if (code == WSAECONNRESET || code == WSAEMSGSIZE || code == WSAENETRESET) continue;
            Logit("SNTPRESPONDER::Drain recvfrom failed: %s (%d)\n", ErrorText(code).Text(), code);
            return;
        }
        if (!answerable(from) || !IsClientRequest(request, length)) continue;
        if (!Limit.Allow(from.sin_addr.s_addr, Clock.GetTicks())) {
            LimitedCount++;
            continue;
        }
        unsigned char reply[SNTP_HEADER_SIZE];
        BuildReply(request, Source.GetSntpReference(), receive, reply);
        Clock.PreciseNow().ToWire(reply + SNTP_TRANSMIT);
        if (sendto(s, reinterpret_cast<const char*>(reply), sizeof reply, 0,
                   reinterpret_cast<const sockaddr*>(&from), sizeof from) == sizeof reply)
            AnsweredCount++;
    }
}
