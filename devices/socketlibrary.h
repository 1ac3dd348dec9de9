// The Windows Sockets library (version 1.1), started for as long as one
// SOCKETLIBRARY object lives: the time query and the TCP device hold one.
#pragma once

#include <winsock2.h>
#include <windows.h>

class SOCKETLIBRARY {
public:
    // Starts the library (WSAStartup, version 1.1).
    SOCKETLIBRARY();
    // Stops it again (WSACleanup) when the start succeeded.
    ~SOCKETLIBRARY();
    SOCKETLIBRARY(const SOCKETLIBRARY&) = delete;
    SOCKETLIBRARY& operator=(const SOCKETLIBRARY&) = delete;

    // Whether the start succeeded.
    bool IsReady() const { return Ready; }
    // The start's error code (0 when it succeeded).
    int StartError() const { return Error; }
    // The library's description of itself (empty when the start failed).
    const WSADATA& Data() const { return WsaData; }

private:
    bool Ready;
    int Error;
    WSADATA WsaData;
};
