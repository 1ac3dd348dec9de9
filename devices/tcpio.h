// TCPIPIO, the TCP device: one connection over Windows Sockets 1.1, made by a call
// to a host or accepted on a listening port that devices of the process share, its
// bytes carried by the BASEIO daemon and ring buffer. TCP::ReadLine and
// TCP::WriteCmd make a client for line-based text protocols of it.
#pragma once

// winsock2.h must come before the windows.h that ios.h brings in.
#include <winsock2.h>

#include "ios.h"
#include "socketlibrary.h"

// Error numbers of the device (GetInfo "LASTERROR"); 0 is no error.
const int TCPIO_NORESPONSE = 4096;
const int TCPIO_NOSOCKET = 4097;
const int TCPIO_HOSTNOTFOUND = 4098;
const int TCPIO_DISCONNECTED = 4099;
const int TCPIO_RECVFAILED = 4100;
const int TCPIO_IOCTLFAILED = 4101;
const int TCPIO_LISTENFAILED = 4102;
const int TCPIO_ACCEPTFAILED = 4103;
const int TCPIO_BINDFAILED = 4104;

// Listening sockets the devices of the process share.
const int TCPIO_MAXLISTENERS = 16;
// MakeCall's time-out when none was set, in ms.
const int TCPIO_DEFAULTCONNECTTIMEOUT = 60000;
const int TCPIO_READAHEAD = 8192;

class TCPIPIO : public BASEIO {
public:
    // ourid: the port AcceptCall listens on, optionally "[address]" to bind to;
    // parm: a non-zero number keeps the call up after a failed receive.
    TCPIPIO(const char* ourid, const char* calltype, const char* parm);
    ~TCPIPIO() override;

    bool DevRead(char* buffer, int& length) override;
    bool DevWrite(const char* bytes, int length) override;
    int DevGetNumAvail() override;
    bool DevIsReady() override;
    // destination: "host", "host port", "host:port" or "host:service" (port 23 when none).
    bool MakeCall(const char* destination) override;
    // Waits until one connection arrives on OurId's port, or DropCall cancels the wait.
    bool AcceptCall() override;
    // Cancels a waiting AcceptCall and closes the connection; true when not connected.
    bool DropCall() override;
    STRING GetInfo(const char* key) override;

    // MakeCall's time-out in ms; -1 is the default of 60000.
    void SetConnectTimeout(int ms);
    // Whether AcceptCall looks up the peer's name (off by default).
    void SetReverseLookup(bool on);

protected:
    // The platform's send and receive; tests replace them.
    virtual int SocketSend(SOCKET socket, const char* bytes, int length);
    virtual int SocketReceive(SOCKET socket, char* buffer, int length);

    // Splits "host", "host port" or "host:port" (leading blanks, ":" and "*" skipped;
    // port "23" when none) and looks the host up. The record lives in one of 128
    // rotating slots, so it stays valid for the next 127 resolutions; null when the
    // host is not found. Each out value may be null.
    static const hostent* Resolv(const char* text, STRING* port, STRING* host, in_addr* address,
                                 bool noreverse);
    // The port of a number (1..65535) or a TCP service name; 0 when it is neither.
    static int LookupPort(const char* port);

private:
    // One shared listening socket of the process.
    struct INSOCKET {
        int UseCount;
        SOCKET Socket;
        int Port;
    };
    static INSOCKET InSockets[TCPIO_MAXLISTENERS];

    // The listening socket for OurId's port, shared or made; INVALID_SOCKET on failure.
    SOCKET MakeAcceptSocket();
    // Gives up one use of a listening socket; the last use closes it.
    static void FreeAcceptSocket(SOCKET socket);
    // Delivers up to length unread read-ahead bytes; returns how many.
    int TakeReadAhead(char* buffer, int length);
    // A failure: error number and, with a socket error code (not 0), its text.
    void SetError(int number, int wsaerror);
    // Closes connection which (INVALID_SOCKET: whichever is up) unless it is gone
    // already, and leaves error number and text behind; true when it closed one.
    bool Hangup(SOCKET which, int error, int wsaerror);
    // Whether socket is still this device's connection.
    bool IsCurrent(SOCKET socket);
    // Whether a connection is up ("ONLINE").
    bool IsOnline();
    // The SEND/RECV dump of the trace (category 0x200, detail 7).
    static void TraceBytes(const char* what, const char* bytes, int length);

    bool ForwardLookup;
    SOCKET Socket;             // the connection; INVALID_SOCKET when not connected
    char CallerId[256];
    char OwnHostName[256];
    SOCKET InSocket;           // the listening socket AcceptCall waits on
    SOCKET AcceptedFrom;       // the listening socket the connection came from
    unsigned DropCount;        // DropCalls so far: one during AcceptCall's start cancels it too
    EVENTSEM AcceptDone;
    EVENTSEM ReadDone;
    EVENTSEM WriteDone;
    bool ReverseLookup;
    int ConnectTimeout;        // ms; -1 for the default
    char ReadAhead[TCPIO_READAHEAD];
    int ReadAheadFill;
    int ReadAheadPos;
    unsigned long LastActivity;  // seconds since 1970
    CRITSECT StateLock;        // the sockets, read-ahead counts, caller text and error
    CRITSECT WriteLock;        // writers take turns
    // Last of the members: it is stopped before the events are released.
    SOCKETLIBRARY Library;
};

namespace TCP {
// Reads one line (up to size - 1 bytes, ending at LF) into buffer within timeout ms;
// the LF and every CR are removed. The result of the device's Read.
bool ReadLine(BASEIO* device, char* buffer, int size, int timeout);
// Sends command and CRLF; with a reply buffer, reads one line into it with ReadLine
// and returns its result, otherwise true when the command went out.
bool WriteCmd(BASEIO* device, const char* command, char* reply, int replysize, int timeout);
}  // namespace TCP
