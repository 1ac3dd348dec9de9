// The TCP device: calls made to a host, the connection's bytes read ahead for the
// daemon and written by the caller, the text query of its state with the error table,
// and the trace dump of what goes over the wire.
#include <winsock2.h>  // ahead of every header that brings in windows.h

#include "tcpio.h"

#include "kelvo.h"
#include "osys.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

// One error number of the device with its class and text.
struct TCPIO_ERROR {
    int Number;
    int Class;
    const char* Text;
};

static const TCPIO_ERROR ERROR_TABLE[] = {
    {0, 200, "No Error"},
    {TCPIO_NORESPONSE, 400, "No response"},
    {TCPIO_NOSOCKET, 500, "No TCP/IP socket or service"},
    {TCPIO_HOSTNOTFOUND, 500, "Host not found"},
    {TCPIO_DISCONNECTED, 500, "Remote disconnected"},
    {TCPIO_RECVFAILED, 500, "Recv failed"},
    {TCPIO_IOCTLFAILED, 500, "Error Ioctl failed"},
    {TCPIO_LISTENFAILED, 500, "Listen failed"},
    {TCPIO_ACCEPTFAILED, 500, "Accept failed"},
    {TCPIO_BINDFAILED, 500, "Bind failed"},
};

static const TCPIO_ERROR* find_error(int number)
{
    for (const TCPIO_ERROR& e : ERROR_TABLE)
        if (e.Number == number) return &e;
    return nullptr;
}

static const char UNKNOWN_CALLER[] = "<unknown>";

TCPIPIO::TCPIPIO(const char* ourid, const char* calltype, const char* parm)
    // Held until this constructor ends: the daemon must not read a half-built device.
    : BASEIO(ourid, calltype, parm, true),
      ForwardLookup(true),
      Socket(INVALID_SOCKET),
      InSocket(INVALID_SOCKET),
      AcceptedFrom(INVALID_SOCKET),
      DropCount(0),
      AcceptDone(true),
      ReadDone(true),
      WriteDone(true),
      ReverseLookup(false),
      ConnectTimeout(-1),
      ReadAheadFill(0),
      ReadAheadPos(0),
      LastActivity(0)
{
    Logit("TCPIPIO::TCPIPIO\n");
    OwnHostName[0] = 0;
    snprintf(CallerId, sizeof CallerId, "%s", UNKNOWN_CALLER);
    if (Library.IsReady()) {
        memset(ReadAhead, 0, sizeof ReadAhead);
        if (gethostname(OwnHostName, sizeof OwnHostName) != 0) OwnHostName[0] = 0;
        OwnHostName[sizeof OwnHostName - 1] = 0;
    }
    ConstructorDone();
    Logit("TCPIPIO::TCPIPIO done, ready= %d, host= %s\n", Library.IsReady(), OwnHostName);
}

TCPIPIO::~TCPIPIO()
{
    Logit("TCPIPIO::~TCPIPIO\n");
    // Closing the sockets wakes whatever waits on them: a receive of the daemon, a
    // send, the polling of AcceptCall on another thread.
    DropCall();
    ASSERTTEXT(!IsOnline(), "!(int)this->GetInfo(\"ONLINE\")", nullptr);
    AcceptDone.Wait(-1);
    ReadDone.Wait(-1);
    WriteDone.Wait(-1);
    KillDaemon();
    Logit("TCPIPIO::~TCPIPIO done\n");
}

bool TCPIPIO::DevIsReady() { return Library.IsReady(); }

void TCPIPIO::SetConnectTimeout(int ms) { ConnectTimeout = ms < 0 ? -1 : ms; }

void TCPIPIO::SetReverseLookup(bool on) { ReverseLookup = on; }

int TCPIPIO::SocketSend(SOCKET socket, const char* bytes, int length)
{
    return send(socket, bytes, length, 0);
}

int TCPIPIO::SocketReceive(SOCKET socket, char* buffer, int length)
{
    return recv(socket, buffer, length, 0);
}

// ---------------------------------------------------------------- state

void TCPIPIO::SetError(int number, int wsaerror)
{
    CRITSECTLOCK entered(StateLock);
    LastError = number;
    if (wsaerror != 0) LastErrorString = ErrorText(wsaerror);
}

bool TCPIPIO::IsCurrent(SOCKET socket)
{
    CRITSECTLOCK entered(StateLock);
    return Socket == socket;
}

bool TCPIPIO::IsOnline()
{
    CRITSECTLOCK entered(StateLock);
    return Socket != INVALID_SOCKET;
}

bool TCPIPIO::Hangup(SOCKET which, int error, int wsaerror)
{
    SOCKET s = INVALID_SOCKET, from = INVALID_SOCKET;
    {
        CRITSECTLOCK entered(StateLock);
        if (Socket == INVALID_SOCKET || (which != INVALID_SOCKET && Socket != which)) return false;
        // Cleared first: from here on no reader or writer takes it for the connection,
        // and the state texts tell of the end at once.
        s = Socket;
        Socket = INVALID_SOCKET;
        from = AcceptedFrom;
        AcceptedFrom = INVALID_SOCKET;
        LastError = error;
        if (wsaerror != 0) LastErrorString = ErrorText(wsaerror);
        snprintf(CallerId, sizeof CallerId, "%s", UNKNOWN_CALLER);
    }
    shutdown(s, SD_BOTH);
    // A receive blocked on the socket returns on the shutdown; closing after it has
    // keeps the handle from being reused under it.
    ReadDone.Wait(25);
    closesocket(s);
    if (from != INVALID_SOCKET) FreeAcceptSocket(from);
    return true;
}

// ---------------------------------------------------------------- making a call

// Waits in passes of up to a second until the connection of s is made or failed, or
// timeout ms have passed; error receives the reason of a failure.
static bool wait_connected(SOCKET s, int timeout, int& error)
{
    for (int waited = 0;;) {
        int pass = timeout - waited < 1000 ? timeout - waited : 1000;
        fd_set writable, failed;
        FD_ZERO(&writable);
        FD_ZERO(&failed);
        FD_SET(s, &writable);
        FD_SET(s, &failed);
        timeval tv = {pass / 1000, (pass % 1000) * 1000};
        int n = select(0, nullptr, &writable, &failed, &tv);
        if (n == SOCKET_ERROR) {
            error = WSAGetLastError();
            ASSERTTEXT(false, "select", ErrorText(error).Text());
            return false;
        }
        if (n > 0) {
            int soerror = 0;
            int size = sizeof soerror;
            getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&soerror), &size);
            if (FD_ISSET(s, &writable) && soerror == 0) return true;
            error = soerror != 0 ? soerror : WSAECONNREFUSED;
            return false;
        }
        waited += pass;
        if (waited >= timeout) {
            error = WSAETIMEDOUT;
            return false;
        }
    }
}

bool TCPIPIO::MakeCall(const char* destination)
{
    Logit("TCPIPIO::MakeCall %s\n", destination ? destination : "");
    if (!ASSERTTEXT(!IsOnline(), "!(int)this->GetInfo(\"ONLINE\")", nullptr)) return false;
    if (!DevIsReady()) {
        SetError(TCPIO_NOSOCKET, 0);
        return false;
    }
    STRING port;
    in_addr address;
    const hostent* host = Resolv(destination, &port, nullptr, &address, ForwardLookup);
    if (!host) {
        SetError(TCPIO_HOSTNOTFOUND, WSAGetLastError());
        Logit("TCPIPIO::MakeCall returns 0, host not found\n");
        return false;
    }
    int number = LookupPort(port.Text());
    SOCKET s = number == 0 ? INVALID_SOCKET : socket(AF_INET, SOCK_STREAM, 0);
    if (s == INVALID_SOCKET) {
        SetError(TCPIO_NOSOCKET, number == 0 ? 0 : WSAGetLastError());
        Logit("TCPIPIO::MakeCall returns 0, no socket or service %s\n", port.Text());
        return false;
    }
    u_long mode = 1;
    ioctlsocket(s, FIONBIO, &mode);
    sockaddr_in to = {};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<u_short>(number));
    to.sin_addr = address;
    int error = 0;
    bool connected = connect(s, reinterpret_cast<sockaddr*>(&to), sizeof to) == 0;
    if (!connected) {
        error = WSAGetLastError();
        if (error == WSAEWOULDBLOCK || error == WSAEINPROGRESS) {
            int timeout = ConnectTimeout < 0 ? TCPIO_DEFAULTCONNECTTIMEOUT : ConnectTimeout;
            connected = wait_connected(s, timeout, error);
        }
    }
    mode = 0;
    ioctlsocket(s, FIONBIO, &mode);
    if (!connected) {
        closesocket(s);
        SetError(TCPIO_NORESPONSE, error);
        Logit("TCPIPIO::MakeCall returns 0, error %d\n", error);
        return false;
    }
    {
        CRITSECTLOCK entered(StateLock);
        ReadAheadFill = ReadAheadPos = 0;
        snprintf(CallerId, sizeof CallerId, "%s (%s)", host->h_name, inet_ntoa(address));
        AcceptedFrom = INVALID_SOCKET;
        Socket = s;
        LastError = 0;
        LastActivity = OSYS::Time();
    }
    Logit("TCPIPIO::MakeCall returns 1, %s\n", CallerId);
    return true;
}

bool TCPIPIO::DropCall()
{
    Logit("TCPIPIO::DropCall\n");
    SOCKET listening;
    {
        CRITSECTLOCK entered(StateLock);
        listening = InSocket;
        InSocket = INVALID_SOCKET;
        DropCount++;
    }
    // Only this device's use is given up: other devices may wait on the same socket.
    // A running AcceptCall sees InSocket cleared at its next poll.
    if (listening != INVALID_SOCKET) FreeAcceptSocket(listening);
    Hangup(INVALID_SOCKET, 0, 0);
    Logit("TCPIPIO::DropCall done\n");
    return true;
}

// ---------------------------------------------------------------- bytes

int TCPIPIO::TakeReadAhead(char* buffer, int length)
{
    CRITSECTLOCK entered(StateLock);
    int n = ReadAheadFill - ReadAheadPos;
    if (n > length) n = length;
    if (n <= 0) return 0;
    memcpy(buffer, ReadAhead + ReadAheadPos, n);
    ReadAheadPos += n;
    if (ReadAheadPos >= ReadAheadFill) ReadAheadPos = ReadAheadFill = 0;
    return n;
}

int TCPIPIO::DevGetNumAvail()
{
    SOCKET s;
    {
        CRITSECTLOCK entered(StateLock);
        if (ReadAheadPos < ReadAheadFill) return ReadAheadFill - ReadAheadPos;
        s = Socket;
    }
    if (s == INVALID_SOCKET) return 0;
    u_long n = 0;
    if (ioctlsocket(s, FIONREAD, &n) != 0) {
        int error = WSAGetLastError();
        if (IsCurrent(s)) SetError(TCPIO_IOCTLFAILED, error);
        return -1;
    }
    return n > INT_MAX ? INT_MAX : static_cast<int>(n);
}

bool TCPIPIO::DevRead(char* buffer, int& length)
{
    ReadDone.Reset();
    int want = buffer && length > 0 ? length : 0;
    int got = 0;
    bool failed = false;
    SOCKET s;
    {
        CRITSECTLOCK entered(StateLock);
        s = Socket;
    }
    if (s == INVALID_SOCKET) {
        got = TakeReadAhead(buffer, want);
        length = got;
        ReadDone.Set();
        return got > 0;
    }
    while (got < want && IsCurrent(s)) {
        int n = TakeReadAhead(buffer + got, want - got);
        if (n > 0) {
            got += n;
            continue;
        }
        int waiting = DevGetNumAvail();
        if (waiting <= 0 && got > 0) break;
        // With nothing waiting, one byte: the receive then blocks until data comes.
        int ask = waiting <= 0 ? 1 : waiting < TCPIO_READAHEAD ? waiting : TCPIO_READAHEAD;
        int r = SocketReceive(s, ReadAhead, ask);
        if (r > ask) r = ask;
        if (r <= 0) {
            int error = r < 0 ? WSAGetLastError() : 0;
            // A connection this device dropped meanwhile is no failure of the peer.
            if (r == 0) {
                Hangup(s, TCPIO_DISCONNECTED, 0);
            } else if (atoi(Parm.Text()) == 0) {
                failed = Hangup(s, TCPIO_RECVFAILED, error);
            } else if (IsCurrent(s)) {
                SetError(TCPIO_RECVFAILED, error);
                failed = true;
            }
            break;
        }
        TraceBytes("RECV", ReadAhead, r);
        CRITSECTLOCK entered(StateLock);
        if (Socket == s) {
            ReadAheadFill = r;
            ReadAheadPos = 0;
        }
    }
    // Bytes already taken from the read-ahead are delivered even when a later
    // receive failed: nothing else holds them any more.
    length = got;
    if (got > 0) LastActivity = OSYS::Time();
    ReadDone.Set();
    return !failed || got > 0;
}

bool TCPIPIO::DevWrite(const char* bytes, int length)
{
    CRITSECTLOCK turn(WriteLock);
    WriteDone.Reset();
    SOCKET s;
    {
        CRITSECTLOCK entered(StateLock);
        s = Socket;
    }
    bool ok = s != INVALID_SOCKET && length >= 0 && (bytes || length == 0);
    int sent = 0;
    // A send may take only part of the bytes; the rest follows until all are out.
    while (ok && sent < length) {
        int r = SocketSend(s, bytes + sent, length - sent);
        if (r <= 0 || r > length - sent) {
            int error = WSAGetLastError();
            Logit("TCPIPIO::DevWrite send failed, error %d\n", error);
            Hangup(s, TCPIO_DISCONNECTED, error);
            ok = false;
            break;
        }
        sent += r;
    }
    if (sent > 0) TraceBytes("SEND", bytes, sent);
    if (ok) LastActivity = OSYS::Time();
    WriteDone.Set();
    return ok;
}

// ---------------------------------------------------------------- state texts

STRING TCPIPIO::GetInfo(const char* key)
{
    STRING k(key);
    CRITSECTLOCK entered(StateLock);
    if (k == "OWNID") return STRING(OwnHostName);
    if (k == "CALLERID") return STRING(CallerId);
    if (k == "DEVICENAME") return STRING("TCPIP");
    if (k == "ONLINE") return STRING(Socket != INVALID_SOCKET ? "1" : "0");
    if (k == "BANDWIDTH") return STRING("128000");
    if (k == "IDLE_TIME") {
        if (LastActivity == static_cast<unsigned long>(-1)) return STRING("-1");
        return STRING(static_cast<long long>(OSYS::Time()) - static_cast<long long>(LastActivity));
    }
    const TCPIO_ERROR* e = find_error(LastError);
    if (k == "LASTERROR") return STRING(LastError);
    if (k == "LASTERRORSTRING") return e ? STRING(e->Text) : STRING(LastError);
    if (k == "LASTERRORCLASS") return STRING(e ? e->Class : 599);
    if (k == "WSALASTERRORSTRING") return LastErrorString;
    ASSERTTEXT(false, "FALSE", k.Text());
    return STRING("");
}

void TCPIPIO::TraceBytes(const char* what, const char* bytes, int length)
{
    unsigned level = GetLogitLevel();
    if (!LogitActive() || !(level & 0x200) || (level & 15) < 7) return;
    Logit("TCPIPIO::%s : \n", what);
    for (int line = 0; line < length; line += 16) {
        char hex[16 * 3 + 2 + 1];
        char text[16 + 1];
        int h = 0, t = 0;
        for (int i = line; i < length && i < line + 16; i++) {
            unsigned char c = static_cast<unsigned char>(bytes[i]);
            h += snprintf(hex + h, sizeof hex - h, "%02x ", c);
            if (i % 8 == 7) hex[h++] = ' ';
            text[t++] = c >= 32 && c <= 127 ? static_cast<char>(c) : '.';
        }
        hex[h] = 0;
        text[t] = 0;
        Logit("    %s [%s]\n", hex, text);
    }
}
