// The TCP device's incoming side: the listening sockets that the devices of the
// process share by port, and AcceptCall's wait for one connection on them.
#include <winsock2.h>  // ahead of every header that brings in windows.h

#include "tcpio.h"

#include "kelvo.h"
#include "osys.h"

#include <cstdio>
#include <cstdlib>

TCPIPIO::INSOCKET TCPIPIO::InSockets[TCPIO_MAXLISTENERS];

// The table's lock; made on first use, so it exists before any device does.
static CRITSECT& listen_lock()
{
    static CRITSECT lock;
    return lock;
}

// Under the table's lock: the entries start free (use count 0, socket and port -1).
static bool listen_table_ready;

SOCKET TCPIPIO::MakeAcceptSocket()
{
    int port = atoi(OurId.Text());
    if (port < 0 || port > 65535) {
        Logit("TCPIPIO::MakeAcceptSocket bad port %s\n", OurId.Text());
        SetError(TCPIO_BINDFAILED, 0);
        return INVALID_SOCKET;
    }
    CRITSECTLOCK entered(listen_lock());
    if (!listen_table_ready) {
        for (INSOCKET& e : InSockets) e = {0, INVALID_SOCKET, -1};
        listen_table_ready = true;
    }
    int i, free = -1;
    for (i = 0; i < TCPIO_MAXLISTENERS; i++) {
        if (InSockets[i].UseCount > 0 && InSockets[i].Port == port) {
            InSockets[i].UseCount++;
            Logit("TCPIPIO::MakeAcceptSocket port %d shared, %d users\n", port, InSockets[i].UseCount);
            return InSockets[i].Socket;
        }
        if (free < 0 && InSockets[i].UseCount == 0) free = i;
    }
    if (!ASSERTTEXT(free >= 0, "i<ARRAYMAX(TCPIPIO::InSockets)", nullptr)) {
        SetError(TCPIO_LISTENFAILED, 0);
        return INVALID_SOCKET;
    }
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    if (s == INVALID_SOCKET) {
        SetError(TCPIO_NOSOCKET, WSAGetLastError());
        return INVALID_SOCKET;
    }
    sockaddr_in local = {};
    local.sin_family = AF_INET;
    local.sin_port = htons(static_cast<u_short>(port));
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    int open = OurId.Pos("[");
    if (open >= 0) {
        int close = OurId.Pos("]", open);
        STRING address = OurId.Mid(open + 1, close < 0 ? -1 : close - open - 1);
        if (!Resolv(address.Text(), nullptr, nullptr, &local.sin_addr, true)) {
            closesocket(s);
            Logit("TCPIPIO::MakeAcceptSocket address %s not found\n", address.Text());
            SetError(TCPIO_BINDFAILED, WSAGetLastError());
            return INVALID_SOCKET;
        }
    }
    int failure = 0;
    if (bind(s, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0)
        failure = TCPIO_BINDFAILED;
    else if (listen(s, 32) != 0)
        failure = TCPIO_LISTENFAILED;
    if (failure) {
        int error = WSAGetLastError();
        closesocket(s);
        Logit("TCPIPIO::MakeAcceptSocket port %d failed %d, error %d\n", port, failure, error);
        SetError(failure, error);
        return INVALID_SOCKET;
    }
    InSockets[free] = {1, s, port};
    Logit("TCPIPIO::MakeAcceptSocket port %d listening\n", port);
    return s;
}

void TCPIPIO::FreeAcceptSocket(SOCKET socket)
{
    CRITSECTLOCK entered(listen_lock());
    for (INSOCKET& e : InSockets) {
        if (e.UseCount <= 0 || e.Socket != socket) continue;
        if (--e.UseCount == 0) {
            closesocket(e.Socket);
            Logit("TCPIPIO::FreeAcceptSocket port %d closed\n", e.Port);
            e = {0, INVALID_SOCKET, -1};
        }
        return;
    }
}

bool TCPIPIO::AcceptCall()
{
    Logit("TCPIPIO::AcceptCall\n");
    bool waiting;
    unsigned drops;
    {
        CRITSECTLOCK entered(StateLock);
        waiting = InSocket != INVALID_SOCKET;
        drops = DropCount;
    }
    if (!ASSERTTEXT(!IsOnline(), "!(int)this->GetInfo(\"ONLINE\")", nullptr) ||
        !ASSERTTEXT(!waiting, "this->InSocket==-1", nullptr))
        return false;
    if (!DevIsReady()) {
        SetError(TCPIO_NOSOCKET, 0);
        return false;
    }
    AcceptDone.Reset();
    SOCKET listening = MakeAcceptSocket();
    bool ok = false;
    if (listening != INVALID_SOCKET) {
        u_long mode = 1;
        ioctlsocket(listening, FIONBIO, &mode);
        bool dropped;
        {
            CRITSECTLOCK entered(StateLock);
            // A DropCall while the socket was being made cancels the wait as well.
            dropped = DropCount != drops;
            if (!dropped) InSocket = listening;
        }
        if (dropped) FreeAcceptSocket(listening);
        // Polled rather than blocked in accept: DropCall on another thread ends the
        // wait by clearing InSocket, without closing a socket other devices share.
        SOCKET a = INVALID_SOCKET;
        sockaddr_in peer = {};
        int error = 0;
        for (;;) {
            {
                CRITSECTLOCK entered(StateLock);
                if (InSocket != listening) break;
            }
            int size = sizeof peer;
            a = accept(listening, reinterpret_cast<sockaddr*>(&peer), &size);
            if (a != INVALID_SOCKET) break;
            error = WSAGetLastError();
            if (error == WSAEWOULDBLOCK) {
                OSYS::Sleep(25);
                continue;
            }
            Logit("TCPIPIO::AcceptCall accept failed, error %d\n", error);
            if (error == WSAENOTSOCK) break;
            OSYS::Sleep(250);
        }
        char caller[256];
        if (a != INVALID_SOCKET) {
            mode = 0;
            ioctlsocket(a, FIONBIO, &mode);
            const hostent* name =
                ReverseLookup ? gethostbyaddr(reinterpret_cast<const char*>(&peer.sin_addr), 4, AF_INET)
                              : nullptr;
            if (name && name->h_name)
                snprintf(caller, sizeof caller, "%s (%s)", name->h_name, inet_ntoa(peer.sin_addr));
            else
                snprintf(caller, sizeof caller, "%s", inet_ntoa(peer.sin_addr));
        }
        bool cancelled = false;
        {
            CRITSECTLOCK entered(StateLock);
            cancelled = InSocket != listening;
            if (!cancelled && a != INVALID_SOCKET) {
                ok = true;
                LastError = 0;
                AcceptedFrom = listening;
                InSocket = INVALID_SOCKET;
                Socket = a;
                ReadAheadFill = ReadAheadPos = 0;
                snprintf(CallerId, sizeof CallerId, "%s", caller);
                LastActivity = OSYS::Time();
            } else if (!cancelled) {
                InSocket = INVALID_SOCKET;
            }
        }
        if (cancelled) {
            Logit("TCPIPIO::AcceptCall aborted due to InSocket==-1, looks like destructor or "
                  "dropcall was called\n");
            if (a != INVALID_SOCKET) closesocket(a);
        } else if (!ok) {
            FreeAcceptSocket(listening);
        }
        if (!ok) SetError(TCPIO_ACCEPTFAILED, cancelled ? 0 : error);
    }
    Logit("TCPIPIO::AcceptCall returns %d, %s\n", ok, ok ? CallerId : "");
    AcceptDone.Set();
    return ok;
}
