// Start and stop of the Windows Sockets library around one owner's lifetime.
#include <winsock2.h>  // ahead of every header that brings in windows.h

#include "socketlibrary.h"

#include "kelvo.h"

SOCKETLIBRARY::SOCKETLIBRARY() : Ready(false), Error(0)
{
    WSADATA data;
    Error = WSAStartup(MAKEWORD(1, 1), &data);
    Ready = Error == 0;
    Logit("SOCKETLIBRARY::SOCKETLIBRARY returns %d\n", Error);
}

SOCKETLIBRARY::~SOCKETLIBRARY()
{
    if (Ready) WSACleanup();
    Logit("SOCKETLIBRARY::~SOCKETLIBRARY\n");
}
