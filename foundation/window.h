// WINDOW, the object that owns one window handle and receives its messages through
// a virtual handler, and the small helpers every window of the programs shares.
#pragma once

#include "strings.h"

#include <windows.h>

class WINDOW {
public:
    WINDOW();
    // Destroys a window the object created itself; lets go of an attached one.
    virtual ~WINDOW();
    // The message handler; the base gives every message to the default processing
    // (the class's own procedure for attached windows, DefWindowProc otherwise).
    virtual LRESULT WinProc(UINT message, WPARAM wParam, LPARAM lParam);

    WINDOW(const WINDOW&) = delete;
    WINDOW& operator=(const WINDOW&) = delete;

    // Creates the window. Without a class name the window gets a class of its own,
    // "AppWindow%d". For a child, id is its control id; otherwise a non-zero id names a
    // menu resource of the resource module. Sets the auto-destroy flag.
    bool Create(const char* classname, const char* title, DWORD style, int x, int y, int cx,
                int cy, HWND parent = nullptr, int id = 0, DWORD exstyle = 0);
    // Takes over the messages of an existing window (subclassing); no auto-destroy.
    bool Attach(HWND hwnd);
    // Gives an attached window its own procedure back; returns the handle.
    HWND Detach();

    // Registers a window class whose windows come to their WINDOW object (for classes
    // other programs must find by name); true when it is registered afterwards.
    static bool RegisterWinClass(const char* classname, UINT style = CS_HREDRAW | CS_VREDRAW |
                                 CS_DBLCLKS, HICON icon = nullptr, HBRUSH background = nullptr);

    HWND GetHwnd() const { return hWnd; }
    bool Exists() const { return hWnd && IsWindow(hWnd); }
    bool Show(int how = SW_SHOW);
    bool Move(int x, int y, int cx, int cy, bool repaint = true);
    bool Enable(bool enable);
    bool SetText(const char* text);
    STRING GetText() const;
    LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
    bool Post(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;

    // Saves the window rectangle (binary, 16 bytes) as value name and the maximised
    // state as name + "Max" below HKCU "Software\Kelvo\" + app.
    bool StoreWindowPos(const char* app, const char* name);
    // Moves the window back to a stored rectangle and maximises it when it was;
    // false when no complete rectangle is stored.
    bool RestoreWindowPos(const char* app, const char* name);

    // Layered transparency: alpha 0..255 for the whole window, or colorkey (not
    // CLR_INVALID) drawn fully transparent; 255 without a key makes it opaque again.
    // False where the system lacks layered windows.
    bool SetTransparency(int alpha, COLORREF colorkey = CLR_INVALID);

    // A one-pixel 3D frame on the edge of rect: mode 1 raised, -1 sunken, 0 flat in
    // color (CLR_INVALID: the button face colour).
    static void DrawFrame(HDC hdc, const RECT& rect, int mode, COLORREF color = CLR_INVALID);
    // Fills rect with color, without a brush; the DC's background colour stays.
    static void FillSolidRect(HDC hdc, const RECT& rect, COLORREF color);

    HWND hWnd;
    bool AutoDestroy;

protected:
    static LRESULT CALLBACK StaticWinProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    static WINDOW* FromHandle(HWND hwnd);
    // What the destructor does with the window: destroys it when the object created it,
    // lets it go otherwise. Derived destructors call it while their handler still works.
    void ReleaseWindow();

private:
    void Forget();

    WNDPROC OldProc;         // the window's own procedure while attached
    STRING OwnClass;         // the "AppWindow%d" class registered for this window
};

// A child control: created by the object, attached for its messages, or merely
// wrapped (an existing dialog control whose messages stay with it).
class CONTROL : public WINDOW {
public:
    CONTROL();
    // Wraps control id of dialog without taking over its messages.
    CONTROL(HWND dialog, int id);
    ~CONTROL() override;

    // Creates the control as a child of parent (visible, in the tab order unless the
    // style says otherwise is up to the caller).
    bool Create(const char* classname, HWND parent, int id, DWORD style, int x, int y, int cx,
                int cy, DWORD exstyle = 0, const char* text = nullptr);
    // Wraps control id of dialog (as the constructor does); true when it exists.
    bool Wrap(HWND dialog, int id);
    int GetId() const;
};

namespace WINDOWS {
// Removes and dispatches up to n waiting messages of the thread; returns how many.
// A quit message stays for the thread's own loop.
int WinProcessMessages(int n);
// Loads the common controls once; reports "COMCTL32 V4.71 or higher required" on an
// older library. True when the library is recent enough.
bool InitCommonControls();
// The report of InitCommonControls for a given library version.
bool CheckCommonControlsVersion(DWORD major, DWORD minor);
}  // namespace WINDOWS
