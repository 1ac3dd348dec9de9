// The notification-area icon: one icon per owner window, its mouse events sent to
// the owner as WM__TASKBAR, re-added whenever the shell has forgotten it.
#include "taskbaricon.h"

#include "kelvo.h"
#include "kelvoapp.h"

#include <cstdio>
#include <cstring>

static const UINT TASKBARICON_ID = 1;
static const int TOOLTIP_SHORT = 63;  // what the oldest shells show of a tip

static HICON load_small_icon(int id)
{
    return static_cast<HICON>(LoadImageA(KELVOAPP::ResourceModule(),
                                         MAKEINTRESOURCEA(id), IMAGE_ICON, 16, 16,
                                         LR_DEFAULTCOLOR));
}

TASKBARICON::TASKBARICON(HWND window, int icon, const char* tooltip)
{
    LogitLevel(5, "TASKBARICON::TASKBARICON hwnd=%p icon=%d\n", static_cast<void*>(window), icon);
    memset(&nof, 0, sizeof nof);
    // The version 2 layout: understood from Windows 2000 on, with a 128-character tip.
    nof.cbSize = NOTIFYICONDATAA_V2_SIZE;
    nof.hWnd = window;
    nof.uID = TASKBARICON_ID;
    nof.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    nof.uCallbackMessage = WM__TASKBAR;
    nof.hIcon = load_small_icon(icon);
    ASSERT(nof.hIcon);
    snprintf(nof.szTip, sizeof nof.szTip, "%s", tooltip ? tooltip : "");
    Added = false;
    Add();
    LogitLevel(5, "TASKBARICON::TASKBARICON done, added=%d\n", Added);
}

TASKBARICON::~TASKBARICON()
{
    LogitLevel(5, "TASKBARICON::~TASKBARICON\n");
    if (Added) {
        NOTIFYICONDATAA del = nof;
        del.uFlags = 0;
        Shell_NotifyIconA(NIM_DELETE, &del);
    }
    if (nof.hIcon) DestroyIcon(nof.hIcon);
}

bool TASKBARICON::Add()
{
    // Right after log-on the shell may not be ready yet: one more try.
    Added = Shell_NotifyIconA(NIM_ADD, &nof) || Shell_NotifyIconA(NIM_ADD, &nof);
    LogitLevel(5, "TASKBARICON::Add rc=%d\n", Added);
    return Added;
}

bool TASKBARICON::Modify()
{
    if (Shell_NotifyIconA(NIM_MODIFY, &nof)) {
        Added = true;
        return true;
    }
    // A restarted shell no longer knows the icon.
    LogitLevel(5, "TASKBARICON::Modify failed, adding again\n");
    return Add();
}

bool TASKBARICON::SetIcon(int id)
{
    LogitLevel(5, "TASKBARICON::SetIcon %d\n", id);
    HICON icon = load_small_icon(id);
    if (!ASSERTINFO(icon, "TASKBARICON::SetIcon")) return false;
    HICON old = nof.hIcon;
    nof.hIcon = icon;
    bool ok = Modify();
    if (old) DestroyIcon(old);
    return ok;
}

bool TASKBARICON::SetTooltip(const char* text)
{
    LogitLevel(5, "TASKBARICON::SetTooltip %s\n", text ? text : "");
    // The shell eats one level of "&" and the tip control another, so "&&&" shows one.
    // A cut never leaves part of such a group behind.
    char tip[TOOLTIP_SHORT + 1];
    int n = 0;
    for (const char* p = text ? text : ""; *p; p++) {
        int need = *p == '&' ? 3 : 1;
        if (n + need > TOOLTIP_SHORT) break;
        for (int i = 0; i < need; i++) tip[n++] = *p;
    }
    tip[n] = 0;
    memcpy(nof.szTip, tip, n + 1);
    bool ok = Modify();
    LogitLevel(5, "TASKBARICON::~SetTooltip rc=%d\n", ok);
    return ok;
}
