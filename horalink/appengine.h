// APPENGINE, the window-free part of the application object APP: it asks time
// servers and will judge the answers and set the clock. It reads and writes the
// settings HASH it is given and reaches the system clock only through SYSTEMCLOCK.
#pragma once

#include "clock.h"
#include "hash.h"
#include "ntptime.h"
#include "strings.h"

const unsigned short SNTP_PORT = 123;

class APPENGINE {
public:
    // settings and clock must outlive the engine.
    APPENGINE(HASH& settings, SYSTEMCLOCK& clock);
    virtual ~APPENGINE();
    APPENGINE(const APPENGINE&) = delete;
    APPENGINE& operator=(const APPENGINE&) = delete;

    // Asks server once over SNTP: 1 with output "+OK <server>" and the correction to
    // add to the clock in offset, 0 with output "-ERR <reason>" and a zero offset.
    int GetNtpTime(const char* server, STRING& output, NTPTIME& offset);

    // The destination port of SNTP queries (123); only tests change it.
    void SetSntpPort(unsigned short port) { SntpPort = port; }
    unsigned short GetSntpPort() const { return SntpPort; }

protected:
    HASH& Settings;
    SYSTEMCLOCK& Clock;

private:
    unsigned short SntpPort;
};
