// The LAN device: the mailslot every instance of the program receives on, and the
// writing end towards the same slot on every machine of the domain. Opened once at
// start; when the writing end cannot be opened, the program takes no part in the LAN.
#include "appengine.h"

#include "kelvo.h"
#include "lanlink.h"
#include "mailio.h"

// The local slot; with every point as "*" the name reaches that slot on every machine.
static const char LAN_SLOT[] = "\\\\.\\MAILSLOT\\TIKKORA1";

// The protocol's lines go out through the device's Write, in 400-byte messages.
class MAILIOLINK : public LANLINK {
public:
    explicit MAILIOLINK(MAILIO& device) : Device(device) {}
    bool Send(const char* bytes, int length) override { return Device.Write(bytes, length); }

private:
    MAILIO& Device;
};

static void feed(void* engine, const char* bytes, int length)
{
    static_cast<APPENGINE*>(engine)->MailioCallback(bytes, length);
}

bool APPENGINE::StartLan()
{
    Logit("APP::StartLan\n");
    LanDevice.reset(new MAILIO(LAN_SLOT, "", ""));
    LanDevice->SetFeedCallback(feed, this);
    STRING everywhere(LAN_SLOT);
    everywhere.Replace(".", "*");
    bool open = LanDevice->MakeCall(everywhere) && LanDevice->AcceptCall();
    if (open) {
        LanDeviceLink.reset(new MAILIOLINK(*LanDevice));
        SetLanLink(LanDeviceLink.get());
    } else {
        Logit("APP::StartLan the LAN device cannot be opened: no part in the LAN\n");
    }
    Logit("APP::StartLan done, %d\n", open);
    return open;
}

void APPENGINE::StopLan()
{
    SetLanLink(nullptr);
    // The device stops its daemon first: no more lines arrive once it is gone.
    LanDevice.reset();
    LanDeviceLink.reset();
}
