// Start and stop of the Windows Sockets library around one owner's lifetime.
#include "socketlibrary.h"

#include "kelvo.h"

SOCKETLIBRARY::SOCKETLIBRARY() : Ready(false), Error(0), WsaData()
{
    Error = WSAStartup(MAKEWORD(1, 1), &WsaData);
    Ready = Error == 0;
    Logit("SOCKETLIBRARY::SOCKETLIBRARY returns %d\n", Error);
}

SOCKETLIBRARY::~SOCKETLIBRARY()
{
    if (Ready) WSACleanup();
    Logit("SOCKETLIBRARY::~SOCKETLIBRARY\n");
}
