// The notification-area ("tray") icon of a window: added once, its icon and tool tip
// changed later, added again when the shell lost it, removed with the object.
#pragma once

#include "strings.h"

#include <windows.h>
#include <shellapi.h>

// The message the icon's mouse events arrive with at the owner window.
const UINT WM__TASKBAR = WM_USER + 64;

class TASKBARICON {
public:
    // Adds the icon (resource icon of the resource module) for window with a tool tip
    // of at most 127 characters, shown as it stands.
    TASKBARICON(HWND window, int icon, const char* tooltip);
    // Removes the icon from the notification area.
    ~TASKBARICON();
    TASKBARICON(const TASKBARICON&) = delete;
    TASKBARICON& operator=(const TASKBARICON&) = delete;

    // Shows the icon with resource id; true when the shell took it.
    bool SetIcon(int id);
    // Shows text as tool tip: every "&" doubled twice so the shell shows one, cut to 63
    // characters; true when the shell took it.
    bool SetTooltip(const char* text);
    // Adds the icon again as it was last handed to the shell (after a shell restart).
    bool Add();

    // What was last handed to the shell, for callers and tests.
    const char* GetTooltip() const { return nof.szTip; }
    HICON GetIcon() const { return nof.hIcon; }
    bool IsAdded() const { return Added; }

private:
    bool Modify();

    NOTIFYICONDATAA nof;
    bool Added;
};
