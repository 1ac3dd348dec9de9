// DOCKWINDOW: creating the chart window floating, its off-screen surface, painting
// through it, transparency, the frame, and changing between floating and docked.
// The mouse (dragging, docking zones, sizing, menu) lives in dockmouse.cpp.
#include "dockwindow.h"

#include "kelvo.h"

#include <commctrl.h>

static const char DOCKWINDOW_CLASS[] = "Kelvo_ChartWindow";
static const char DOCKWINDOW_TITLE[] = "Tikkora";
static const UINT DOCKWINDOW_CLASSSTYLE = 0x22;  // CS_OWNDC | CS_HREDRAW

// Where a floating window goes when no place is stored: this far right of and below
// where it was created, at this size.
static const int DOCKWINDOW_SHIFT = 64;
static const int DOCKWINDOW_DEFAULTSIZE = 200;

static const UINT_PTR DOCKWINDOW_TOOLID = 1;

// The frame bits the two states exchange.
static const DWORD DOCKWINDOW_FRAMESTYLES = WS_POPUP | WS_CHILD | WS_BORDER | WS_THICKFRAME;

static DWORD floating_style(bool sizable)
{
    return WS_POPUP | (sizable ? WS_THICKFRAME : WS_BORDER);
}

DOCKWINDOW::DOCKWINDOW(HWND parent, int id, const char* tooltip, const char* registryname,
                       const char* keyprefix, int menuid, DWORD styleextra, int x, int y, int cx,
                       int cy)
    : Parent(parent), Id(id), hdcMem(nullptr), hbmMem(nullptr), ClientCx(0), ClientCy(0),
      Floating(true), Hidden(false), Alpha(255), Sizable(false), Background(0),
      Grid(0x404000), hbrush_back(nullptr), hpen_grid(nullptr), hwndTooltip(nullptr),
      TooltipText(tooltip ? tooltip : ""), RegistryName(registryname), KeyPrefix(keyprefix),
      MenuId(menuid), StyleExtra(styleextra), SurfaceCx(0), SurfaceCy(0), hbmOld(nullptr),
      BrushColour(CLR_INVALID), PenColour(CLR_INVALID), DockRect{0, 0, 0, 0}, DockMode(0),
      Dragging(false), DragOffset{0, 0}, HoverOpaque(false), ObjectsReported(false)
{
    RegisterWinClass(DOCKWINDOW_CLASS, DOCKWINDOW_CLASSSTYLE);  // returns early once registered
    Create(DOCKWINDOW_CLASS, DOCKWINDOW_TITLE, floating_style(Sizable) | StyleExtra, x, y, cx, cy,
           nullptr, 0, WS_EX_TOOLWINDOW);
    if (!ASSERT(this->hWnd)) return;
    PlaceFloating();
    CreateTooltip();

    HDC hdc = GetDC(hWnd);
    if (ASSERT(hdc)) {
        hdcMem = CreateCompatibleDC(hdc);
        ReleaseDC(hWnd, hdc);
    }
    ASSERT(this->hdcMem);
    Send(WM_SIZE, SIZE_RESTORED, 0);  // makes the surface
}

DOCKWINDOW::~DOCKWINDOW()
{
    if (hwndTooltip && IsWindow(hwndTooltip)) DestroyWindow(hwndTooltip);
    hwndTooltip = nullptr;
    ReleaseWindow();
    CRITSECTLOCK lock(DrawLock);
    if (hdcMem) {
        if (hbmOld) SelectObject(hdcMem, hbmOld);
        DeleteDC(hdcMem);
        hdcMem = nullptr;
    }
    if (hbmMem) DeleteObject(hbmMem);
    if (hbrush_back) DeleteObject(hbrush_back);
    if (hpen_grid) DeleteObject(hpen_grid);
    hbmMem = nullptr;
    hbrush_back = nullptr;
    hpen_grid = nullptr;
}

// The stored place, or a default one beside where the window was made; then behind
// the parent, shown, and back on a screen if it is on none.
void DOCKWINDOW::PlaceFloating()
{
    bool restored = RegistryName.NotEmpty() && RestoreWindowPos(RegistryName, KeyPrefix + "Pos");
    if (!restored) {
        RECT rect;
        GetWindowRect(hWnd, &rect);
        MoveWindow(hWnd, rect.left + DOCKWINDOW_SHIFT, rect.top + DOCKWINDOW_SHIFT,
                   DOCKWINDOW_DEFAULTSIZE, DOCKWINDOW_DEFAULTSIZE, TRUE);
    }
    if (Parent)
        SetWindowPos(hWnd, Parent, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ShowWindow(hWnd, SW_SHOWNOACTIVATE);
    if (!MonitorFromWindow(hWnd, MONITOR_DEFAULTTONULL))
        SetWindowPos(hWnd, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void DOCKWINDOW::CreateTooltip()
{
    WINDOWS::InitCommonControls();
    hwndTooltip = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hWnd,
                                  nullptr, GetModuleHandleA(nullptr), nullptr);
    if (!ASSERT(hwndTooltip)) return;
    TOOLINFOA ti = {};
    ti.cbSize = TTTOOLINFOA_V1_SIZE;
    ti.uFlags = TTF_SUBCLASS;
    ti.hwnd = hWnd;
    ti.uId = DOCKWINDOW_TOOLID;
    GetClientRect(hWnd, &ti.rect);
    ti.lpszText = LPSTR_TEXTCALLBACKA;
    SendMessageA(hwndTooltip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
}

// A tooltip belongs to a top-level window: after a change between floating and
// docked it is made anew for the window's new top level.
void DOCKWINDOW::RenewTooltip()
{
    if (hwndTooltip && IsWindow(hwndTooltip)) DestroyWindow(hwndTooltip);
    hwndTooltip = nullptr;
    CreateTooltip();
}

void DOCKWINDOW::SetTooltipRect()
{
    if (!hwndTooltip) return;
    TOOLINFOA ti = {};
    ti.cbSize = TTTOOLINFOA_V1_SIZE;
    ti.hwnd = hWnd;
    ti.uId = DOCKWINDOW_TOOLID;
    GetClientRect(hWnd, &ti.rect);
    SendMessageA(hwndTooltip, TTM_NEWTOOLRECTA, 0, reinterpret_cast<LPARAM>(&ti));
}

LRESULT DOCKWINDOW::WinProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_ERASEBKGND:
        return 1;  // the surface covers everything
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_SIZE:
        OnSize();
        break;
    case WM_SHOWWINDOW: {
        CRITSECTLOCK lock(DrawLock);
        Hidden = !wParam;
        break;
    }
    case WM_NCHITTEST:
        return OnNcHitTest(lParam);
    case WM_GETMINMAXINFO:
        OnGetMinMaxInfo(reinterpret_cast<MINMAXINFO*>(lParam));
        return 0;
    case WM_SIZING:
        OnSizing(wParam, reinterpret_cast<RECT*>(lParam));
        return TRUE;
    case WM_EXITSIZEMOVE:
        StorePos();
        break;
    case WM_LBUTTONDOWN:
        OnLButtonDown(lParam);
        return 0;
    case WM_MOUSEMOVE:
        OnMouseMove(lParam);
        return 0;
    case WM_LBUTTONUP:
        OnLButtonUp(lParam);
        return 0;
    case WM_CAPTURECHANGED:
        if (Dragging) {
            Dragging = false;
            StorePos();
        }
        break;
    case WM_RBUTTONUP:
        OnRButtonUp(lParam);
        return 0;
    case WM_TIMER:
        OnTimer(wParam);
        return 0;
    case WM_COMMAND:
        // Commands of a menu we had to own ourselves belong to the parent.
        if (Parent) return SendMessageA(Parent, message, wParam, lParam);
        break;
    case WM_NOTIFY: {
        NMHDR* hdr = reinterpret_cast<NMHDR*>(lParam);
        if (hdr->hwndFrom == hwndTooltip && hdr->code == TTN_GETDISPINFOA) {
            reinterpret_cast<NMTTDISPINFOA*>(lParam)->lpszText = TooltipText.Data();
            return 0;
        }
        break;
    }
    }
    return WINDOW::WinProc(message, wParam, lParam);
}

// ---------------------------------------------------------------- surface and painting

bool DOCKWINDOW::Drawable() const
{
    if (!hWnd || !hdcMem || Hidden || !IsWindowVisible(hWnd)) return false;
    return !IsIconic(Floating || !Parent ? hWnd : Parent);
}

bool DOCKWINDOW::ResizeSurface()
{
    CRITSECTLOCK lock(DrawLock);
    if (!hWnd) return false;
    RECT rect;
    GetClientRect(hWnd, &rect);
    ClientCx = rect.right;
    ClientCy = rect.bottom;
    if (!hdcMem) return false;
    int cx = ClientCx > 0 ? ClientCx : 1, cy = ClientCy > 0 ? ClientCy : 1;
    if (hbmMem && cx == SurfaceCx && cy == SurfaceCy) return true;

    HDC hdc = GetDC(hWnd);
    if (!ASSERT(hdc)) return false;
    HBITMAP previous = hbmMem;
    hbmMem = CreateCompatibleBitmap(hdc, cx, cy);
    ReleaseDC(hWnd, hdc);
    if (!ASSERT(this->hbmMem)) {
        hbmMem = previous;
        return false;
    }
    HBITMAP deselected = static_cast<HBITMAP>(SelectObject(hdcMem, hbmMem));
    if (!hbmOld) hbmOld = deselected;
    if (previous) DeleteObject(previous);
    SurfaceCx = cx;
    SurfaceCy = cy;
    return true;
}

bool DOCKWINDOW::Repaint()
{
    CRITSECTLOCK lock(DrawLock);
    if (!Drawable() || !ResizeSurface()) return false;
    PaintSurface(hdcMem, SurfaceCx, SurfaceCy);
    HDC hdc = GetDC(hWnd);
    if (!ASSERT(hdc)) return false;
    BitBlt(hdc, 0, 0, SurfaceCx, SurfaceCy, hdcMem, 0, 0, SRCCOPY);
    ReleaseDC(hWnd, hdc);
    return true;
}

void DOCKWINDOW::PaintBitmap() { Repaint(); }

// The window keeps one device context of its own (CS_OWNDC), which BeginPaint and a
// drawing thread's GetDC both hand out: nobody may draw through it while BeginPaint
// sets its clipping.
void DOCKWINDOW::OnPaint()
{
    CRITSECTLOCK lock(DrawLock);
    PAINTSTRUCT ps;
    HDC hdc = BeginPaint(hWnd, &ps);
    if (hdc && Drawable() && ResizeSurface()) {
        PaintSurface(hdcMem, SurfaceCx, SurfaceCy);
        BitBlt(hdc, 0, 0, SurfaceCx, SurfaceCy, hdcMem, 0, 0, SRCCOPY);
    }
    EndPaint(hWnd, &ps);
}

void DOCKWINDOW::OnSize()
{
    ResizeSurface();
    SetTooltipRect();
}

bool DOCKWINDOW::DrawingObjects(bool withpen)
{
    CRITSECTLOCK lock(DrawLock);
    if (hbrush_back && BrushColour != Background) {
        DeleteObject(hbrush_back);
        hbrush_back = nullptr;
    }
    if (!hbrush_back) {
        hbrush_back = CreateSolidBrush(Background);
        BrushColour = Background;
    }
    if (withpen) {
        if (hpen_grid && PenColour != Grid) {
            DeleteObject(hpen_grid);
            hpen_grid = nullptr;
        }
        if (!hpen_grid) {
            hpen_grid = CreatePen(PS_SOLID, 1, Grid);
            PenColour = Grid;
        }
    }
    bool ok = hbrush_back && (!withpen || hpen_grid);
    // One report per failure, not one every frame.
    if (!ok && !ObjectsReported) {
        ObjectsReported = true;
        if (withpen)
            ASSERT(hbrush_back && hpen_grid);
        else
            ASSERT(hbrush_back);
    }
    if (ok) ObjectsReported = false;
    return ok;
}

void DOCKWINDOW::PaintSurface(HDC hdc, int cx, int cy)
{
    RECT rect = {0, 0, cx, cy};
    if (DrawingObjects(false))
        FillRect(hdc, &rect, hbrush_back);
    else
        FillSolidRect(hdc, rect, Background);
}

// ---------------------------------------------------------------- look

void DOCKWINDOW::SetAlpha(int alpha)
{
    Alpha = alpha;
    ApplyTransparency();
}

void DOCKWINDOW::ApplyTransparency()
{
    if (!hWnd) return;
    HoverOpaque = false;
    if (!Floating)
        SetTransparency(255);  // a child is never layered
    else if (Alpha == 1)
        SetTransparency(255, Background);
    else
        SetTransparency(Alpha);
}

void DOCKWINDOW::SetSizable(bool sizable)
{
    Sizable = sizable;
    if (Floating && hWnd) FloatingStyle();
}

// The styles of a floating window for the current frame; the window keeps its place.
void DOCKWINDOW::FloatingStyle()
{
    LONG_PTR style = GetWindowLongPtrA(hWnd, GWL_STYLE);
    style = (style & ~static_cast<LONG_PTR>(DOCKWINDOW_FRAMESTYLES)) | floating_style(Sizable) |
            StyleExtra;
    SetWindowLongPtrA(hWnd, GWL_STYLE, style);
    LONG_PTR exstyle = GetWindowLongPtrA(hWnd, GWL_EXSTYLE);
    SetWindowLongPtrA(hWnd, GWL_EXSTYLE,
                      (exstyle & ~static_cast<LONG_PTR>(WS_EX_CLIENTEDGE)) | WS_EX_TOOLWINDOW);
    SetWindowPos(hWnd, nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

void DOCKWINDOW::SetCaption(const char* text) { Caption = text; }

void DOCKWINDOW::SetBackground(COLORREF colour)
{
    {
        CRITSECTLOCK lock(DrawLock);
        Background = colour;
    }
    if (Floating && Alpha == 1 && !HoverOpaque) ApplyTransparency();  // the key follows
    if (hWnd) InvalidateRect(hWnd, nullptr, FALSE);
}

void DOCKWINDOW::SetGrid(COLORREF colour)
{
    {
        CRITSECTLOCK lock(DrawLock);
        Grid = colour;
    }
    if (hWnd) InvalidateRect(hWnd, nullptr, FALSE);
}

void DOCKWINDOW::AdjustForFrame(int& cx, int& cy) const
{
    if (!hWnd) return;
    RECT rect = {0, 0, cx, cy};
    AdjustWindowRectEx(&rect, static_cast<DWORD>(GetWindowLongPtrA(hWnd, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrA(hWnd, GWL_EXSTYLE)));
    cx = rect.right - rect.left;
    cy = rect.bottom - rect.top;
}

// ---------------------------------------------------------------- floating and docked

void DOCKWINDOW::StorePos()
{
    if (Floating && hWnd && RegistryName.NotEmpty()) StoreWindowPos(RegistryName, KeyPrefix + "Pos");
}

// The refresh thread asks for the state while it paints.
void DOCKWINDOW::SetFloating(bool floating)
{
    CRITSECTLOCK lock(DrawLock);
    Floating = floating;
}

void DOCKWINDOW::Dock(bool dock)
{
    if (!hWnd) return;
    if (!dock) {
        if (Floating) return;
        Undock();
        if (RegistryName.NotEmpty()) RestoreWindowPos(RegistryName, KeyPrefix + "Pos");
        return;
    }
    if (!Floating || !Parent) return;
    RECT rect;
    GetWindowRect(hWnd, &rect);
    KillTimer(hWnd, DOCKWINDOW_HOVERTIMER);
    SetTransparency(255);
    HoverOpaque = false;
    // The top-most state is not a style one may take away by hand.
    if (GetWindowLongPtrA(hWnd, GWL_EXSTYLE) & WS_EX_TOPMOST)
        SetWindowPos(hWnd, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    // The styles of a child first, then the parent (the other way round when floating).
    LONG_PTR style = GetWindowLongPtrA(hWnd, GWL_STYLE);
    SetWindowLongPtrA(hWnd, GWL_STYLE,
                      (style & ~static_cast<LONG_PTR>(DOCKWINDOW_FRAMESTYLES)) | WS_CHILD | StyleExtra);
    LONG_PTR exstyle = GetWindowLongPtrA(hWnd, GWL_EXSTYLE);
    SetWindowLongPtrA(hWnd, GWL_EXSTYLE,
                      (exstyle & ~static_cast<LONG_PTR>(WS_EX_TOOLWINDOW | WS_EX_LAYERED)) |
                          WS_EX_CLIENTEDGE);
    SetParent(hWnd, Parent);
    SetWindowLongPtrA(hWnd, GWLP_ID, Id);
    SetFloating(false);
    RenewTooltip();
    // The parent's layout places it when the report arrives.
    SetWindowPos(hWnd, HWND_TOP, 0, 0, rect.right - rect.left, rect.bottom - rect.top,
                 SWP_NOACTIVATE | SWP_FRAMECHANGED | SWP_SHOWWINDOW);
    PostMessageA(Parent, WM__DOCKWINDOWCHANGED, static_cast<WPARAM>(Id), 1);
}

void DOCKWINDOW::Undock()
{
    if (Floating || !hWnd) return;
    RECT rect;
    GetWindowRect(hWnd, &rect);
    SetParent(hWnd, nullptr);
    SetWindowLongPtrA(hWnd, GWLP_ID, 0);  // a top-level window would take it for a menu
    SetFloating(true);
    FloatingStyle();
    RenewTooltip();
    // On top, where the mouse that may be dragging it can see it.
    SetWindowPos(hWnd, HWND_TOP, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                 SWP_NOACTIVATE | SWP_SHOWWINDOW);
    ApplyTransparency();
    if (Parent) PostMessageA(Parent, WM__DOCKWINDOWCHANGED, static_cast<WPARAM>(Id), 0);
}
