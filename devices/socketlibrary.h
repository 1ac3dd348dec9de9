// The Windows Sockets library (version 1.1), started for as long as one
// SOCKETLIBRARY object lives: the time query and the TCP device hold one.
#pragma once

// Kept free of winsock2.h, which must come before windows.h in whoever includes it.
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

private:
    bool Ready;
    int Error;
};
