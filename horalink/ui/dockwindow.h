// DOCKWINDOW, a small chart window that draws into an off-screen surface and either
// floats as a tool window of its own or sits docked as a child inside its parent. It
// keeps its floating place below the program's registry key, follows the mouse when
// dragged, docks when dropped in the zone its parent names, and can be made
// transparent (by colour key or alpha) while it floats.
#pragma once

#include "semaphores.h"
#include "strings.h"
#include "window.h"

#include <windows.h>

// Docking zones of SetDockRect (see DOCKWINDOW::InDockZone).
const int DOCKZONE_LEFTRIGHT = 1;  // within the window's width of the left or right edge
const int DOCKZONE_RIGHT = 2;      // within the window's width of the right edge
const int DOCKZONE_TOP = 3;        // inside horizontally, within its height below the top
const int DOCKZONE_BOTTOM = 4;     // inside horizontally, within its height above the bottom

// Sent (posted) to the parent after the window docked or undocked itself.
const UINT WM__DOCKWINDOWCHANGED = 1060;

class DOCKWINDOW : public WINDOW {
public:
    // parent receives the commands of the right-click menu menuid (0: none) and the
    // docking reports; registryname/keyprefix name where the floating place is kept
    // (value keyprefix + "Pos" below "Software\Kelvo\" + registryname). The window is
    // created floating at x, y with cx by cy unless a place is stored.
    DOCKWINDOW(HWND parent, int id, const char* tooltip, const char* registryname,
               const char* keyprefix, int menuid, DWORD styleextra, int x, int y, int cx, int cy);
    ~DOCKWINDOW() override;

    LRESULT WinProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    // Paints into the surface (the base fills it with the background colour).
    virtual void PaintSurface(HDC hdc, int cx, int cy);
    // Resizes the surface to the client size when needed, paints and copies it to the
    // screen, under the lock; nothing while hidden.
    void PaintBitmap();
    // The smallest size: negative numbers are minimums, positive ones fixed sizes.
    virtual void MinimumSize(int& cx, int& cy);

    // The zone (screen coordinates) where a drop docks the window, by mode DOCKZONE_.
    void SetDockRect(int left, int top, int right, int bottom, int mode);
    // Whether the screen point pt lies in the docking zone for a window of cx by cy.
    static bool InDockZone(const RECT& zone, int mode, POINT pt, int cx, int cy);
    void Undock();
    // Docks (a child of the parent) or floats (a tool window of its own).
    virtual void Dock(bool dock);
    bool IsFloating() const { return Floating; }
    bool IsDocked() const { return !Floating; }

    // Sizable frame or thin border while floating.
    void SetSizable(bool sizable);
    // 255 opaque, 1 background fully transparent (colour key), else the alpha; applied
    // at once while floating, docked windows stay opaque.
    void SetAlpha(int alpha);
    void ApplyTransparency();
    void SetCaption(const char* text);
    void SetBackground(COLORREF colour);
    void SetGrid(COLORREF colour);

    // The off-screen surface (tests read its pixels under the lock).
    CRITSECT& Lock() { return DrawLock; }
    HDC SurfaceDc() const { return hdcMem; }

protected:
    HWND Parent;
    int Id;
    HDC hdcMem;
    HBITMAP hbmMem;
    int ClientCx, ClientCy;
    bool Floating;
    bool Hidden;
    int Alpha;
    bool Sizable;
    COLORREF Background;
    COLORREF Grid;
    CRITSECT DrawLock;
    // ... the rest is the implementer's
};
