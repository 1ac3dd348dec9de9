// FIREWALL, the exception list of the Windows Firewall (XP and later): whether a
// program may accept connections, adding it and taking it out again.
#pragma once

#include <windows.h>

struct INetFwProfile;

class FIREWALL {
public:
    // Reaches the firewall's current profile; on older systems, or when the firewall
    // does not answer, the object stays down and every operation fails.
    FIREWALL();
    ~FIREWALL();
    FIREWALL(const FIREWALL&) = delete;
    FIREWALL& operator=(const FIREWALL&) = delete;

    bool IsUp() const { return boolUpAndRunning; }

    // Whether the program appname (full path) is in the exception list and enabled:
    // S_OK with *enabled set (FALSE when it is not in the list), S_FALSE with *enabled
    // untouched when down, a failure code otherwise.
    HRESULT IsAppEnabled(const char* appname, BOOL* enabled);
    // Puts appname in the exception list under friendlyname; true when it is there,
    // already enabled or added now.
    bool AddApplication(const char* appname, const char* friendlyname);
    // Takes an enabled appname out of the list; a missing or disabled one is left alone.
    bool RemoveApplication(const char* appname);

private:
    bool boolUpAndRunning;
    bool boolComInitialised;
    INetFwProfile* pProfile;
};
