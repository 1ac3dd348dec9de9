// A small SNTP server for tests, on a thread of the test program: it answers
// with a chosen offset, or on purpose wrongly (spoofed, from a foreign
// port, short, wrong mode, no transmit or receive time, kiss-o'-death,
// unsynchronised, impossible root distance or delay), or not at all. Its timestamps come from the platform's FILETIME, independently of
// the product's NTPTIME.
#pragma once

#include "socketlibrary.h"

#include <windows.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// Wine binds a UDP socket of any loopback address but 127.0.0.1 to the any address,
// where it would clash with chronyd's port 123 and reply from 127.0.0.1; so the
// server takes 127.0.0.1 and, by default, a free port of its own.
const char SNTPSERVER_ADDRESS[] = "127.0.0.1";

enum class SNTPREPLY {
    Answer,          // a correct server reply
    Silent,          // no reply at all
    WrongOriginate,  // spoofed: the originate timestamp is not the request's
    OtherPort,       // sent from another port of the server's address
    Short,           // only the first ShortLength bytes
    ClientMode,      // mode 3 instead of 4
    ZeroTransmit,    // transmit timestamp zero
    KissOfDeath,     // stratum 0, reference id KissCode
    Unsynchronised,  // leap indicator 3
    ZeroReceive,     // receive timestamp zero (and transmit time one unit)
    Stratum16,       // stratum 16: the server has no reference
    FarRoot,         // root dispersion of 60 s
    NegativeDelay,   // transmit time 1 s after the receive time: it held the request 1 s
    LongDelay,       // transmit time 60 s before the receive time: a minute on the way
};

// How a faulty reply is forged on top of its kind (WrongOriginate and OtherPort are
// these applied to a correct reply).
enum class SNTPFORGERY { None, Originate, OtherPort };

struct SNTPSERVERCONFIG {
    SNTPREPLY Reply = SNTPREPLY::Answer;
    // The server's clock: the real UTC time, or FixedTime when it is not zero, plus OffsetUs.
    long long OffsetUs = 0;
    uint64_t FixedTime = 0;  // NTP timestamp, 2^-32 s since 1900
    // A faulty reply (anything but Answer and Silent) is sent Repeat times, RepeatGapMs
    // apart, with its timestamps a further 1000 s off so that using it would show;
    // with ThenAnswer the correct reply follows.
    int Repeat = 1;
    int RepeatGapMs = 500;
    bool ThenAnswer = false;
    SNTPFORGERY Forge = SNTPFORGERY::None;
    // Bytes appended to the correct reply (an authenticator, say).
    int PadBytes = 0;
    // Fields of every reply: the length of a Short one, the stratum, root delay and
    // dispersion (16.16 s), the time between receive and transmit, the kiss code.
    int ShortLength = 40;
    int Stratum = 2;
    uint32_t RootDelay = 0x100;
    uint32_t RootDispersion = 0x100;
    long long ProcessingUs = 0;
    char KissCode[4] = {'R', 'A', 'T', 'E'};
    // The n-th request after Configure is held HoldMs[n] ms (the last entry for later
    // ones) before it is stamped and answered: a path that slow on the way there.
    std::vector<int> HoldMs;
};

class SNTPSERVER {
public:
    SNTPSERVER();
    ~SNTPSERVER();
    SNTPSERVER(const SNTPSERVER&) = delete;
    SNTPSERVER& operator=(const SNTPSERVER&) = delete;

    // Binds address:port (0: a free port, see Port) and a second socket for replies from
    // another port, and starts answering; false, with the reason in ErrorText, when a
    // socket cannot be had.
    bool Start(const char* address = SNTPSERVER_ADDRESS, unsigned short port = 0);
    // Ends the thread (also in the middle of repeated replies) and closes the sockets.
    void Stop();
    void Configure(const SNTPSERVERCONFIG& config);

    const std::string& ErrorText() const { return Error; }
    unsigned short Port() const { return BoundPort; }
    // Requests received and datagrams sent so far.
    int Requests() const { return RequestCount; }
    int Sent() const { return SentCount; }
    // Waits up to timeoutms until count datagrams have been sent; the count then.
    int AwaitSent(int count, int timeoutms = 5000);
    // The bytes of the last request received.
    std::string LastRequest() const;
    // The priority class of this process when the last request arrived.
    DWORD PriorityAtRequest() const { return Priority; }

private:
    void Run();
    void Answer(const unsigned char* request, int length, const void* client);
    bool Pause(int ms);

    SOCKETLIBRARY Library;
    UINT_PTR Socket;  // SOCKETs, kept free of winsock2.h here
    UINT_PTR OtherPortSocket;
    unsigned short BoundPort;
    std::string Error;
    std::thread Thread;
    std::atomic<bool> Stopping;
    std::atomic<int> RequestCount;
    std::atomic<int> SentCount;
    std::mutex SentLock;
    std::condition_variable SentChanged;
    std::atomic<DWORD> Priority;
    mutable std::mutex Lock;
    SNTPSERVERCONFIG Config;
    int ConfiguredAt = 0;  // RequestCount when configured
    std::string Last;
};

// NTP timestamps (2^-32 s since 1900) of a platform time and of now.
uint64_t SntpTimestamp(const FILETIME& time);
uint64_t SntpTimestamp(const SYSTEMTIME& time);
uint64_t SntpNow();
