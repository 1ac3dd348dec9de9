// DOCKCLOCK: the clock window's life (its refresh thread from construction to the
// orderly end), its settings, the mouse and tooltip texts, and its smallest size.
// Painting is in dockclockpaint.cpp, the orbits of the emblem in dockorbits.cpp.
#include "dockclock.h"

#include "kelvo.h"
#include "osys.h"

#include <commctrl.h>
#include <windowsx.h>

#include <cstdlib>
#include <cstring>

static const COLORREF DOCKCLOCK_BACKGROUND = 0x000F00;
static const COLORREF DOCKCLOCK_GRID = 0x006400;
static const COLORREF DOCKCLOCK_TEXT = 0xC0C0C0;
// Time for a paint under way to finish before the thread is told to stop.
static const int DOCKCLOCK_SETTLE_MS = 100;

static LOGFONTA default_font()
{
    LOGFONTA font = {};
    font.lfHeight = 14;
    font.lfWeight = 700;
    font.lfCharSet = DEFAULT_CHARSET;
    strcpy(font.lfFaceName, "Arial");
    return font;
}

DOCKCLOCK::DOCKCLOCK(HWND parent, int id, const char* tooltip, const char* registryname,
                     const char* keyprefix, int menuid, DWORD styleextra, int x, int y, int cx,
                     int cy)
    : DOCKWINDOW(parent, id, tooltip, registryname, keyprefix, menuid, styleextra, x, y, cx, cy),
      hThread(nullptr), StopFlag(false), Stopped(false), Font(nullptr), SurfaceFont(nullptr), LogFont(default_font()),
      TextColour(DOCKCLOCK_TEXT), TimeExtent{0, 0}, DateExtent{0, 0}, BlanksWidth(0), Stack(false),
      Tenths(false), LongDate(false), Animation(false), Orbits{}, OrbitCx(-1), OrbitCy(-1),
      OrbitCount(0), TimeOverride("*"), DateOverride("*"), HoverTime("*"), HoverDate("*"),
      FormattedAt{}, FormattedLong(false)
{
    SetBackground(DOCKCLOCK_BACKGROUND);
    SetGrid(DOCKCLOCK_GRID);
    Measure();
    hThread = OSYS::CreateThread(RefreshThread, this);
}

DOCKCLOCK::~DOCKCLOCK()
{
    {
        CRITSECTLOCK lock(DrawLock);
        Stopped = true;
        Hidden = true;
    }
    OSYS::Sleep(DOCKCLOCK_SETTLE_MS);
    StopFlag = true;
    if (hThread) OSYS::WaitThread(hThread, -1);
    CRITSECTLOCK lock(DrawLock);
    FreeFont();
}

void DOCKCLOCK::RefreshThread(void* self) { static_cast<DOCKCLOCK*>(self)->Refresh(); }

void DOCKCLOCK::Refresh()
{
    while (!StopFlag) {
        OSYS::Sleep(DOCKCLOCK_REFRESH_MS);
        if (StopFlag) break;
        CRITSECTLOCK lock(DrawLock);
        if (Hidden || Stopped || !Repaint()) Logit("DOCKCLOCK::Workthread empty loop\n");
    }
}

void DOCKCLOCK::StopUpdating()
{
    Logit("DOCKCLOCK::StopUpdating\n");
    Stopped = true;
}

// ---------------------------------------------------------------- settings

void DOCKCLOCK::SetTenths(bool on)
{
    CRITSECTLOCK lock(DrawLock);
    Tenths = on;
}

void DOCKCLOCK::SetLongDate(bool on)
{
    CRITSECTLOCK lock(DrawLock);
    LongDate = on;
}

void DOCKCLOCK::SetAnimation(bool on)
{
    CRITSECTLOCK lock(DrawLock);
    Animation = on;
}

void DOCKCLOCK::SetTextColour(COLORREF colour)
{
    CRITSECTLOCK lock(DrawLock);
    TextColour = colour;
}

COLORREF DOCKCLOCK::GetTextColour() const { return TextColour; }

// Without the font the texts are drawn in the surface's own font.
bool DOCKCLOCK::MakeFont()
{
    if (!Font) Font = CreateFontIndirectA(&LogFont);
    return Font != nullptr;
}

// The font stays selected in the surface between paints: selecting a font costs far
// more than drawing the clock on some systems, and the clock is drawn twenty times a
// second.
void DOCKCLOCK::HoldFont()
{
    if (!hdcMem || !MakeFont() || GetCurrentObject(hdcMem, OBJ_FONT) == Font) return;
    HGDIOBJ old = SelectObject(hdcMem, Font);
    if (!SurfaceFont) SurfaceFont = old;
}

// Gives the surface its own font back and deletes ours.
void DOCKCLOCK::FreeFont()
{
    if (hdcMem && SurfaceFont) SelectObject(hdcMem, SurfaceFont);
    SurfaceFont = nullptr;
    if (Font) DeleteObject(Font);
    Font = nullptr;
}

// A new font makes the clock wider when its texts need it; docked it takes the width
// the parent's layout gives.
void DOCKCLOCK::SetFont(const LOGFONTA& font)
{
    {
        CRITSECTLOCK lock(DrawLock);
        FreeFont();
        LogFont = font;
        MakeFont();
        Measure();
    }
    if (!hWnd) return;
    int mincx = 0, mincy = 0;
    MinimumSize(mincx, mincy);
    int cx = std::abs(mincx), cy = 0;
    if (Floating) AdjustForFrame(cx, cy);
    RECT rect;
    GetWindowRect(hWnd, &rect);
    if (!Floating || rect.right - rect.left < cx)
        SetWindowPos(hWnd, nullptr, 0, 0, cx, rect.bottom - rect.top,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void DOCKCLOCK::SetOverrides(const char* time, const char* date)
{
    CRITSECTLOCK lock(DrawLock);
    TimeOverride = time ? time : "*";
    DateOverride = date ? date : "*";
}

void DOCKCLOCK::SetHoverTexts(const char* time, const char* date)
{
    CRITSECTLOCK lock(DrawLock);
    HoverTime = time ? time : "*";
    HoverDate = date ? date : "*";
}

// ---------------------------------------------------------------- what tests read

STRING DOCKCLOCK::LastTimeText()
{
    CRITSECTLOCK lock(DrawLock);
    return LastTime;
}

STRING DOCKCLOCK::LastDateText()
{
    CRITSECTLOCK lock(DrawLock);
    return LastDate;
}

bool DOCKCLOCK::LastStacked()
{
    CRITSECTLOCK lock(DrawLock);
    return Stack;
}

POINT DOCKCLOCK::OrbitPoint(int ring, int i)
{
    CRITSECTLOCK lock(DrawLock);
    if (!ASSERT(ring >= 0 && ring < 3 && i >= 0 && i < 360)) return POINT{0, 0};
    return Orbits[ring][i];
}

int DOCKCLOCK::OrbitComputations()
{
    CRITSECTLOCK lock(DrawLock);
    return OrbitCount;
}

// ---------------------------------------------------------------- window

LRESULT DOCKCLOCK::WinProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_MOUSEMOVE:
        SetOverrides(nullptr, nullptr);
        break;
    case WM_NOTIFY: {
        // The face shows the hover texts instead of a tooltip, until the mouse moves.
        NMHDR* hdr = reinterpret_cast<NMHDR*>(lParam);
        if (hdr->code == TTN_GETDISPINFOA || hdr->code == TTN_GETDISPINFOW) {
            {
                CRITSECTLOCK lock(DrawLock);
                TimeOverride = HoverTime;
                DateOverride = HoverDate;
            }
            if (hdr->code == TTN_GETDISPINFOA) {
                NMTTDISPINFOA* info = reinterpret_cast<NMTTDISPINFOA*>(lParam);
                info->szText[0] = 0;
                info->lpszText = info->szText;
            } else {
                NMTTDISPINFOW* info = reinterpret_cast<NMTTDISPINFOW*>(lParam);
                info->szText[0] = 0;
                info->lpszText = info->szText;
            }
            return 0;
        }
        break;
    }
    }
    return DOCKWINDOW::WinProc(message, wParam, lParam);
}

// From the last measurement: room for the texts (side by side with a quarter of the
// time's width to spare) and two or three lines of the font's height.
void DOCKCLOCK::MinimumSize(int& cx, int& cy)
{
    CRITSECTLOCK lock(DrawLock);
    int height = LogFont.lfHeight ? std::abs(static_cast<int>(LogFont.lfHeight)) : TimeExtent.cy;
    cy = -(Stack ? height * 3 : height * 2);
    if (!Floating) {
        RECT rect = {0, 0, 0, 0};
        if (Parent) GetClientRect(Parent, &rect);
        cx = -rect.right;
    } else if (Stack) {
        int wider = TimeExtent.cx > DateExtent.cx ? TimeExtent.cx : DateExtent.cx;
        cx = -(wider + TimeExtent.cx / 4);
    } else {
        cx = -(DateExtent.cx + TimeExtent.cx + TimeExtent.cx / 4);
    }
}

// Docked, the clock is a strip as high as its texts need; floating, it has its place.
void DOCKCLOCK::Dock(bool dock)
{
    DOCKWINDOW::Dock(dock);
    if (!dock || Floating || !hWnd) return;
    int mincx = 0, mincy = 0;
    MinimumSize(mincx, mincy);
    int cx = 0, cy = std::abs(mincy);
    AdjustForFrame(cx, cy);
    RECT rect;
    GetWindowRect(hWnd, &rect);
    SetWindowPos(hWnd, nullptr, 0, 0, rect.right - rect.left, cy,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}
