// Test helper for the SNTP server's interop test: SNTPRESPONDER alone, with the
// real clock, on a port, saying of its clock either that it is synchronised (stratum
// 3 behind 192.0.2.1) or that it is not, until a stop file appears or a time limit
// passes. Prints "serving <port>" once it answers, or "refused <port>: <reason>".
//
//   sntpserve PORT synchronised|unsynchronised STOPFILE [SECONDS]
//
// Exit code 0 after a stop, 2 when the port cannot be had, 1 on wrong arguments.
#include "clock.h"
#include "kelvo.h"
#include "osys.h"
#include "sntpresponder.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

class FIXEDREFERENCE : public SNTPREFERENCESOURCE {
public:
    FIXEDREFERENCE(bool synchronised, const NTPTIME& checked)
    {
        Reference.Synchronised = synchronised;
        Reference.Stratum = 3;
        const unsigned char address[4] = {192, 0, 2, 1};
        memcpy(&Reference.ReferenceId, address, 4);
        Reference.RootDelay = 0x00000100;      // 4 ms
        Reference.RootDispersion = 0x00000100;
        Reference.ReferenceTime = checked;
    }
    SNTPREFERENCE GetSntpReference() override { return Reference; }

private:
    SNTPREFERENCE Reference;
};

int main(int argc, char** argv)
{
    if (argc < 4 || (strcmp(argv[2], "synchronised") != 0 && strcmp(argv[2], "unsynchronised") != 0)) {
        fprintf(stderr, "usage: sntpserve PORT synchronised|unsynchronised STOPFILE [SECONDS]\n");
        return 1;
    }
    int port = atoi(argv[1]);
    const char* stopfile = argv[3];
    DWORD limitms = (argc > 4 ? static_cast<DWORD>(atoi(argv[4])) : 60) * 1000;

    PLATFORMCLOCK clock;
    FIXEDREFERENCE reference(strcmp(argv[2], "synchronised") == 0, clock.PreciseNow());
    SNTPRESPONDER responder(clock, reference);
    int error = 0;
    if (!responder.Start(static_cast<unsigned short>(port), &error)) {
        printf("refused %d: %s (%d)\n", port, ErrorText(error).Text(), error);
        fflush(stdout);
        return 2;
    }
    printf("serving %d\n", port);
    fflush(stdout);
    DWORD start = GetTickCount();
    while (GetFileAttributesA(stopfile) == INVALID_FILE_ATTRIBUTES && GetTickCount() - start < limitms)
        Sleep(100);
    responder.Stop();
    printf("stopped, %ld answered, %ld refused by the rate limit\n", responder.Answered(), responder.Limited());
    fflush(stdout);
    return 0;
}
