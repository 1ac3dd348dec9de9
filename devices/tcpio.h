// TCPIPIO, the TCP device: one connection over Windows Sockets 1.1, made by a call
// to a host or accepted on a listening port that devices of the process share, its
// bytes carried by the BASEIO daemon and ring buffer. TCP::ReadLine and
// TCP::WriteCmd make a client for line-based text protocols of it.
#pragma once

#include "ios.h"
#include "socketlibrary.h"

#include <winsock2.h>

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

private:
    // Implementation's own members follow.
};

namespace TCP {
// Reads one line (up to size - 1 bytes, ending at LF) into buffer within timeout ms;
// the LF and every CR are removed. The result of the device's Read.
bool ReadLine(BASEIO* device, char* buffer, int size, int timeout);
// Sends command and CRLF; with a reply buffer, reads one line into it with ReadLine
// and returns its result, otherwise true when the command went out.
bool WriteCmd(BASEIO* device, const char* command, char* reply, int replysize, int timeout);
}  // namespace TCP
