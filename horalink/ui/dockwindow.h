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

// Sent (posted) to the parent after the window docked or undocked itself; wParam is
// the control id, lParam 1 when docked and 0 when floating.
const UINT WM__DOCKWINDOWCHANGED = 1060;

// The timer that makes a colour-keyed window transparent again once the mouse left it.
const UINT_PTR DOCKWINDOW_HOVERTIMER = 1;

class DOCKWINDOW : public WINDOW {
public:
    // parent receives the commands of the right-click menu menuid (0: none) and the
    // docking reports; registryname/keyprefix name where the floating place is kept
    // (value keyprefix + "Pos" below "Software\Kelvo\" + registryname). The window is
    // created floating at x, y with cx by cy unless a place is stored. styleextra holds
    // window style bits added in both states (the class leaves the low word to its users).
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
    // Becomes a floating tool window where it is on the screen.
    void Undock();
    // Docks (a child of the parent, placed by the parent's layout) or floats (a tool
    // window of its own, back at its stored place when one is kept).
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

    // Window size for a client size of cx by cy with the current frame.
    void AdjustForFrame(int& cx, int& cy) const;
    int GetAlpha() const { return Alpha; }
    COLORREF GetBackground() const { return Background; }

protected:
    // Whether painting makes sense now: a surface, not hidden, not minimised, on screen.
    bool Drawable() const;
    // Makes the surface as large as the client area when it is not; under the lock.
    bool ResizeSurface();
    // Paints into the surface and copies it to the window, under the lock; false when
    // nothing could be drawn (hidden, minimised, no surface).
    bool Repaint();
    // The background brush (and with withpen the grid pen) of the current colours, made
    // when a colour changed; false when one is missing (reported once).
    bool DrawingObjects(bool withpen);
    // The placement of a floating window changed: keep it for the next start.
    void StorePos();

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

    HBRUSH hbrush_back;
    HPEN hpen_grid;

private:
    void CreateTooltip();
    void RenewTooltip();
    void PlaceFloating();
    LRESULT OnNcHitTest(LPARAM lParam);
    void OnGetMinMaxInfo(MINMAXINFO* info);
    void OnSizing(WPARAM edge, RECT* rect);
    void OnSize();
    void OnPaint();
    void OnLButtonDown(LPARAM lParam);
    void OnMouseMove(LPARAM lParam);
    void OnLButtonUp(LPARAM lParam);
    void OnRButtonUp(LPARAM lParam);
    void OnTimer(WPARAM id);
    void FloatingStyle();
    void SetFloating(bool floating);
    void SetTooltipRect();

    HWND hwndTooltip;
    STRING TooltipText;
    STRING RegistryName;
    STRING KeyPrefix;
    STRING Caption;
    int MenuId;
    DWORD StyleExtra;
    int SurfaceCx, SurfaceCy;   // size of the bitmap in hdcMem
    HBITMAP hbmOld;             // the memory context's own bitmap, selected back at the end
    COLORREF BrushColour, PenColour;  // colours hbrush_back and hpen_grid were made in
    RECT DockRect;
    int DockMode;
    bool Dragging;
    POINT DragOffset;           // mouse position within the window at the start of a drag
    bool HoverOpaque;           // a colour-keyed window made opaque while the mouse is over it
    bool ObjectsReported;       // the failure to make the brush or pen is reported
};

