// Construction and destruction of APPENGINE.
#include "appengine.h"

#include "kelvo.h"

APPENGINE::APPENGINE(HASH& settings, SYSTEMCLOCK& clock)
    : Settings(settings), Clock(clock), SntpPort(SNTP_PORT)
{
    Logit("APPENGINE::APPENGINE\n");
}

APPENGINE::~APPENGINE() { Logit("APPENGINE::~APPENGINE\n"); }
