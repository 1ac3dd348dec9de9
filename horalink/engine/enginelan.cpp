// Where the update sequence and the update thread meet the LAN time protocol. The
// protocol (requests and broadcasts over the mailslots) comes later; until then
// these call sites send nothing, so a LAN client's request runs into its time-out
// and no broadcast is ever due.
#include "appengine.h"

#include "kelvo.h"

void APPENGINE::SendLanTimeRequest()
{
    Logit("APP::SendLanTimeRequest: no LAN protocol yet, nothing sent\n");
}

void APPENGINE::LanServerBroadcast()
{
    Logit("APP::LanServerBroadcast: no LAN protocol yet, nothing sent\n");
}

int APPENGINE::NeedsBrodcast() { return 0; }
