// Window positions kept in the registry: the rectangle as a 16-byte binary value and
// the maximised state as a text value beside it, below HKCU "Software\Kelvo\" + app.
#include "window.h"

#include "kelvo.h"
#include "registry.h"

// The rectangle a window has when it is neither minimised nor maximised, in the
// coordinates MoveWindow takes: the parent's client area for a child, else the screen.
static RECT normal_rect(HWND hwnd)
{
    RECT rect;
    WINDOWPLACEMENT wp = {};
    wp.length = sizeof wp;
    bool child = (GetWindowLongPtrA(hwnd, GWL_STYLE) & WS_CHILD) != 0;
    if (!child && (IsIconic(hwnd) || IsZoomed(hwnd)) && GetWindowPlacement(hwnd, &wp)) {
        // The placement counts from the work area (beside a task bar at the left or top).
        rect = wp.rcNormalPosition;
        MONITORINFO mi = {};
        mi.cbSize = sizeof mi;
        if (!(GetWindowLongPtrA(hwnd, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) &&
            GetMonitorInfoA(MonitorFromWindow(hwnd, MONITOR_DEFAULTTONEAREST), &mi))
            OffsetRect(&rect, mi.rcWork.left - mi.rcMonitor.left, mi.rcWork.top - mi.rcMonitor.top);
        return rect;
    }
    GetWindowRect(hwnd, &rect);
    if (child) MapWindowPoints(nullptr, GetParent(hwnd), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

bool WINDOW::StoreWindowPos(const char* app, const char* name)
{
    if (!ASSERT(this->hWnd) || !ASSERT(app && name)) return false;
    RECT rect = normal_rect(hWnd);
    Logit("WINDOW::StoreWindowPos(%d, %d, %d, %d)\n", static_cast<int>(rect.left),
          static_cast<int>(rect.top), static_cast<int>(rect.right), static_cast<int>(rect.bottom));
    INT32 values[4] = {static_cast<INT32>(rect.left), static_cast<INT32>(rect.top),
                       static_cast<INT32>(rect.right), static_cast<INT32>(rect.bottom)};
    REGISTRY registry(HKEY_CURRENT_USER, KELVO_REGISTRYKEY, app, REGISTRY_CREATE);
    bool ok = registry.Write(name, values, sizeof values);
    ok = registry.Write(STRING(name) + "Max", IsZoomed(hWnd) ? "1" : "0") && ok;
    return ok;
}

bool WINDOW::RestoreWindowPos(const char* app, const char* name)
{
    if (!ASSERT(this->hWnd) || !ASSERT(app && name)) return false;
    INT32 values[8] = {};
    DWORD size = sizeof values;
    REGISTRY registry(HKEY_CURRENT_USER, KELVO_REGISTRYKEY, app, REGISTRY_READ);
    bool read = registry.IsOpen() && registry.Read(name, values, &size);
    RECT rect = {values[0], values[1], values[2], values[3]};
    // Only a whole rectangle of a real size counts; anything else is not ours.
    bool ok = read && size == 4 * sizeof(INT32) && rect.right > rect.left && rect.bottom > rect.top;
    if (ok && !(GetWindowLongPtrA(hWnd, GWL_STYLE) & WS_CHILD) &&
        !MonitorFromRect(&rect, MONITOR_DEFAULTTONULL)) {
        // A screen that is no longer there would keep the window out of sight.
        MONITORINFO mi = {};
        mi.cbSize = sizeof mi;
        GetMonitorInfoA(MonitorFromRect(&rect, MONITOR_DEFAULTTONEAREST), &mi);
        OffsetRect(&rect, mi.rcWork.left - rect.left, mi.rcWork.top - rect.top);
    }
    if (ok) {
        MoveWindow(hWnd, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, TRUE);
        if (registry.Read(STRING(name) + "Max") == "1") ShowWindow(hWnd, SW_MAXIMIZE);
    }
    Logit("WINDOW::RestoreWindowPos(%d, %d, %d, %d) returned %d\n", static_cast<int>(rect.left),
          static_cast<int>(rect.top), static_cast<int>(rect.right), static_cast<int>(rect.bottom),
          ok);
    return ok;
}
