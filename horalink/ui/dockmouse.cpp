// DOCKWINDOW and the mouse: dragging and dropping into the docking zone, the resize
// band of a floating window and its smallest size, the right-click menu, and the
// colour-keyed window that turns opaque while the mouse is over it.
#include "dockwindow.h"

#include "menu.h"

#include <windowsx.h>

// Width of the band inside the edges of a floating window that sizes it.
static const int DOCKWINDOW_BAND = 4;
// How often a window made opaque for the mouse looks whether the mouse has gone.
static const UINT DOCKWINDOW_HOVERMS = 500;

// The mouse position of a message in screen coordinates.
static POINT screen_point(HWND hwnd, LPARAM lParam)
{
    POINT pt = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    ClientToScreen(hwnd, &pt);
    return pt;
}

// The hit-test code for the sides that size the window (none: HTNOWHERE).
static LRESULT sides_hit(bool left, bool right, bool top, bool bottom)
{
    if (top) return left ? HTTOPLEFT : right ? HTTOPRIGHT : HTTOP;
    if (bottom) return left ? HTBOTTOMLEFT : right ? HTBOTTOMRIGHT : HTBOTTOM;
    if (left) return HTLEFT;
    if (right) return HTRIGHT;
    return HTNOWHERE;
}

bool DOCKWINDOW::InDockZone(const RECT& zone, int mode, POINT pt, int cx, int cy)
{
    bool between = pt.y >= zone.top && pt.y <= zone.bottom;
    bool inside = pt.x > zone.left && pt.x < zone.right;
    bool nearleft = pt.x >= zone.left && pt.x < zone.left + cx;
    bool nearright = pt.x <= zone.right && pt.x > zone.right - cx;
    switch (mode) {
    case DOCKZONE_LEFTRIGHT:
        return between && (nearleft || nearright);
    case DOCKZONE_RIGHT:
        return between && nearright;
    case DOCKZONE_TOP:
        return inside && pt.y >= zone.top && pt.y < zone.top + cy;
    case DOCKZONE_BOTTOM:
        return inside && pt.y <= zone.bottom && pt.y > zone.bottom - cy;
    }
    return false;
}

void DOCKWINDOW::SetDockRect(int left, int top, int right, int bottom, int mode)
{
    DockRect = {left, top, right, bottom};
    DockMode = mode;
}

// ---------------------------------------------------------------- dragging

void DOCKWINDOW::OnLButtonDown(LPARAM lParam)
{
    POINT pt = screen_point(hWnd, lParam);
    if (!Floating) Undock();
    RECT rect;
    GetWindowRect(hWnd, &rect);
    DragOffset = {pt.x - rect.left, pt.y - rect.top};
    Dragging = true;
    SetCapture(hWnd);
}

void DOCKWINDOW::OnMouseMove(LPARAM lParam)
{
    if (Dragging) {
        POINT pt = screen_point(hWnd, lParam);
        SetWindowPos(hWnd, nullptr, pt.x - DragOffset.x, pt.y - DragOffset.y, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (Floating && Alpha == 1 && !HoverOpaque) {
        SetTransparency(255);
        HoverOpaque = true;
        SetTimer(hWnd, DOCKWINDOW_HOVERTIMER, DOCKWINDOW_HOVERMS, nullptr);
    }
}

void DOCKWINDOW::OnLButtonUp(LPARAM lParam)
{
    if (!Dragging) return;
    POINT pt = screen_point(hWnd, lParam);
    Dragging = false;
    ReleaseCapture();
    RECT rect;
    GetWindowRect(hWnd, &rect);
    if (DockMode && InDockZone(DockRect, DockMode, pt, rect.right - rect.left, rect.bottom - rect.top))
        Dock(true);
    else
        StorePos();
}

void DOCKWINDOW::OnTimer(WPARAM id)
{
    if (id != DOCKWINDOW_HOVERTIMER) return;
    POINT pt;
    RECT rect;
    GetCursorPos(&pt);
    GetWindowRect(hWnd, &rect);
    if (Dragging || PtInRect(&rect, pt)) return;
    KillTimer(hWnd, DOCKWINDOW_HOVERTIMER);
    ApplyTransparency();
}

void DOCKWINDOW::OnRButtonUp(LPARAM lParam)
{
    if (!MenuId) return;
    POINT pt = screen_point(hWnd, lParam);
    MENU menu(MenuId);
    if (menu.GetHandle()) menu.TrackPopupMenu(Parent ? Parent : hWnd, 0, &pt, 0);
}

// ---------------------------------------------------------------- sizing

// In a floating window the band inside each edge sizes it, except along a fixed
// dimension, where the system's own frame is a plain border too.
LRESULT DOCKWINDOW::OnNcHitTest(LPARAM lParam)
{
    LRESULT hit = WINDOW::WinProc(WM_NCHITTEST, 0, lParam);
    if (!Floating) return hit;
    int mincx = 0, mincy = 0;
    MinimumSize(mincx, mincy);
    bool left, right, top, bottom;
    if (hit == HTCLIENT || hit == HTBORDER) {
        RECT rect;
        GetWindowRect(hWnd, &rect);
        POINT pt = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        left = pt.x < rect.left + DOCKWINDOW_BAND;
        right = pt.x >= rect.right - DOCKWINDOW_BAND;
        top = pt.y < rect.top + DOCKWINDOW_BAND;
        bottom = pt.y >= rect.bottom - DOCKWINDOW_BAND;
    } else if (hit >= HTLEFT && hit <= HTBOTTOMRIGHT) {
        left = hit == HTLEFT || hit == HTTOPLEFT || hit == HTBOTTOMLEFT;
        right = hit == HTRIGHT || hit == HTTOPRIGHT || hit == HTBOTTOMRIGHT;
        top = hit == HTTOP || hit == HTTOPLEFT || hit == HTTOPRIGHT;
        bottom = hit == HTBOTTOM || hit == HTBOTTOMLEFT || hit == HTBOTTOMRIGHT;
    } else {
        return hit;
    }
    if (mincx > 0) left = right = false;
    if (mincy > 0) top = bottom = false;
    LRESULT sized = sides_hit(left, right, top, bottom);
    if (sized != HTNOWHERE) return sized;
    return hit == HTCLIENT ? HTCLIENT : HTBORDER;
}

void DOCKWINDOW::OnGetMinMaxInfo(MINMAXINFO* info)
{
    int mincx = 0, mincy = 0;
    MinimumSize(mincx, mincy);
    if (!Floating || (!mincx && !mincy)) return;
    int cx = mincx < 0 ? -mincx : mincx, cy = mincy < 0 ? -mincy : mincy;
    AdjustForFrame(cx, cy);
    if (mincx) info->ptMinTrackSize.x = cx;
    if (mincy) info->ptMinTrackSize.y = cy;
    if (mincx > 0) info->ptMaxTrackSize.x = cx;
    if (mincy > 0) info->ptMaxTrackSize.y = cy;
}

void DOCKWINDOW::OnSizing(WPARAM edge, RECT* rect)
{
    int mincx = 0, mincy = 0;
    MinimumSize(mincx, mincy);
    int cx = mincx < 0 ? -mincx : mincx, cy = mincy < 0 ? -mincy : mincy;
    AdjustForFrame(cx, cy);
    bool leftedge = edge == WMSZ_LEFT || edge == WMSZ_TOPLEFT || edge == WMSZ_BOTTOMLEFT;
    bool topedge = edge == WMSZ_TOP || edge == WMSZ_TOPLEFT || edge == WMSZ_TOPRIGHT;
    int width = rect->right - rect->left, height = rect->bottom - rect->top;
    if ((mincx < 0 && width < cx) || (mincx > 0 && width != cx)) {
        if (leftedge)
            rect->left = rect->right - cx;
        else
            rect->right = rect->left + cx;
    }
    if ((mincy < 0 && height < cy) || (mincy > 0 && height != cy)) {
        if (topedge)
            rect->top = rect->bottom - cy;
        else
            rect->bottom = rect->top + cy;
    }
}

void DOCKWINDOW::MinimumSize(int& cx, int& cy)
{
    cx = 0;
    cy = 0;
}
