// SNTPRESPONDER: the SNTP server of a LAN time server, for PCs that the LAN
// protocol's mailslots cannot reach. It answers the requests of standard SNTP
// clients on one UDP port with server replies stamped by the precise clock, saying
// what its owner tells it about its own clock. Every request byte comes from
// anyone on the network: only well-formed client requests are answered, never with
// more bytes than came in, and each address gets only a few answers a second.
#pragma once

#include "clientratelimit.h"
#include "clock.h"
#include "ntptime.h"
#include "socketlibrary.h"

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>

const int SNTP_HEADER_SIZE = 48;
const int SNTP_STRATUM_NONE = 16;  // no reference: unsynchronised

// What a reply says about the server's own clock.
struct SNTPREFERENCE {
    bool Synchronised = false;  // leap indicator 0, else 3
    int Stratum = SNTP_STRATUM_NONE;
    uint32_t ReferenceId = 0;  // as sent: the upstream's IPv4 address in network order
    uint32_t RootDelay = 0;    // 16.16 seconds
    uint32_t RootDispersion = 0;
    NTPTIME ReferenceTime;  // when the clock was last checked against the upstream
};

// Who knows the server's clock: asked once for every reply, on the server's thread.
class SNTPREFERENCESOURCE {
public:
    virtual ~SNTPREFERENCESOURCE() {}
    virtual SNTPREFERENCE GetSntpReference() = 0;
};

class SNTPRESPONDER {
public:
    // clock and source must outlive the responder.
    SNTPRESPONDER(SYSTEMCLOCK& clock, SNTPREFERENCESOURCE& source);
    // Stops the server.
    ~SNTPRESPONDER();
    SNTPRESPONDER(const SNTPRESPONDER&) = delete;
    SNTPRESPONDER& operator=(const SNTPRESPONDER&) = delete;

    // Binds UDP port on every IPv4 address and answers from a thread of its own; true
    // when it serves (also when it served there already), false (logged, with the
    // platform's error code in error) when the port cannot be had.
    bool Start(unsigned short port, int* error = nullptr);
    // Ends the thread and closes the port; nothing is answered once it returns.
    void Stop();
    bool IsRunning() const { return hThread != nullptr; }
    unsigned short GetPort() const { return Port; }
    // Datagrams answered, and refused by the rate limit, since the start.
    long Answered() const { return AnsweredCount; }
    long Limited() const { return LimitedCount; }

    // Whether request (length bytes) is a client request that deserves a reply: at
    // least a header, mode 3, a version from 1 to 4.
    static bool IsClientRequest(const unsigned char* request, int length);
    // The reply to such a request, but for its transmit timestamp (stamped last).
    static void BuildReply(const unsigned char* request, const SNTPREFERENCE& reference,
                           const NTPTIME& receive, unsigned char* reply);

private:
    static unsigned __stdcall ThreadEntry(void* responder);
    void Serve();
    // Reads what is waiting and answers it.
    void Drain();

    SYSTEMCLOCK& Clock;
    SNTPREFERENCESOURCE& Source;
    std::unique_ptr<SOCKETLIBRARY> Library;  // while it serves
    UINT_PTR Socket;  // a SOCKET, kept free of winsock2.h here
    HANDLE hReadable;  // the socket's event
    HANDLE hStop;
    HANDLE hThread;
    unsigned short Port;
    CLIENTRATELIMIT Limit;  // the thread's alone
    std::atomic<long> AnsweredCount;
    std::atomic<long> LimitedCount;
};
