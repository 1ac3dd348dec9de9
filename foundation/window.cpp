// WINDOW and CONTROL: one window procedure for all objects, which finds the object
// of a window and hands it the message; and the helpers around them.
#include "window.h"

#include "kelvo.h"
#include "kelvoapp.h"
#include "osys.h"

#include <commctrl.h>
#include <shlwapi.h>

#include <cstdio>
#include <unordered_map>

// The object of each of this process's windows, by handle, for windows of any class
// (attached ones too). Looked up for every message, so kept here: a window property
// costs a round trip to the window server on some systems, twenty times a second
// and more for an animated window.
namespace {
class WINDOWTABLE {
public:
    WINDOWTABLE() { InitializeCriticalSection(&Lock); }
    WINDOW* Find(HWND hwnd)
    {
        EnterCriticalSection(&Lock);
        auto it = Objects.find(hwnd);
        WINDOW* object = it == Objects.end() ? nullptr : it->second;
        LeaveCriticalSection(&Lock);
        return object;
    }
    void Set(HWND hwnd, WINDOW* object)
    {
        EnterCriticalSection(&Lock);
        Objects[hwnd] = object;
        LeaveCriticalSection(&Lock);
    }
    // Removes the entry of hwnd when it is object's.
    void Remove(HWND hwnd, WINDOW* object)
    {
        EnterCriticalSection(&Lock);
        auto it = Objects.find(hwnd);
        if (it != Objects.end() && it->second == object) Objects.erase(it);
        LeaveCriticalSection(&Lock);
    }

private:
    CRITICAL_SECTION Lock;
    std::unordered_map<HWND, WINDOW*> Objects;
};

// Never destroyed: windows may still get messages while static objects go.
WINDOWTABLE& window_table()
{
    static WINDOWTABLE* table = new WINDOWTABLE;
    return *table;
}
}  // namespace

static LONG own_class_counter;

static HINSTANCE module_instance() { return KELVOAPP::Instance(); }

// ---------------------------------------------------------------- WINDOW

WINDOW::WINDOW() : hWnd(nullptr), AutoDestroy(false), OldProc(nullptr) {}

WINDOW::~WINDOW()
{
    ReleaseWindow();
    if (OwnClass.NotNull()) UnregisterClassA(OwnClass, module_instance());
}

void WINDOW::ReleaseWindow()
{
    if (hWnd && IsWindow(hWnd)) {
        if (AutoDestroy) {
            char cls[128] = "";
            GetClassNameA(hWnd, cls, sizeof cls);
            int id = (GetWindowLongPtrA(hWnd, GWL_STYLE) & WS_CHILD) ? GetDlgCtrlID(hWnd) : 0;
            Logit("WINDOW::~WINDOW auto-destroying %s %d\n", cls, id);
            DestroyWindow(hWnd);
        } else {
            Detach();
        }
    }
    hWnd = nullptr;
    AutoDestroy = false;
}

LRESULT WINDOW::WinProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (OldProc) return CallWindowProcA(OldProc, hWnd, message, wParam, lParam);
    return DefWindowProcA(hWnd, message, wParam, lParam);
}

WINDOW* WINDOW::FromHandle(HWND hwnd)
{
    return hwnd ? window_table().Find(hwnd) : nullptr;
}

LRESULT CALLBACK WINDOW::StaticWinProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    WINDOW* self;
    if (message == WM_NCCREATE) {
        self = static_cast<WINDOW*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        if (self) {
            self->hWnd = hwnd;
            window_table().Set(hwnd, self);
        }
    } else {
        self = FromHandle(hwnd);
    }
    LogitHotKey(message, wParam, lParam);
    if (!self) return DefWindowProcA(hwnd, message, wParam, lParam);
    LRESULT result = self->WinProc(message, wParam, lParam);
    if (message == WM_NCDESTROY) self->Forget();
    return result;
}

// The window is gone (or let go): the object no longer refers to it.
void WINDOW::Forget()
{
    if (hWnd) window_table().Remove(hWnd, this);
    hWnd = nullptr;
    OldProc = nullptr;
    AutoDestroy = false;
}

bool WINDOW::RegisterWinClass(const char* classname, UINT style, HICON icon, HBRUSH background)
{
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    if (GetClassInfoExA(module_instance(), classname, &wc)) return true;
    wc.cbSize = sizeof wc;
    wc.style = style;
    wc.lpfnWndProc = StaticWinProc;
    wc.hInstance = module_instance();
    wc.hIcon = icon;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = background ? background : reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = classname;
    ATOM atom = RegisterClassExA(&wc);
    return ASSERTINFO(atom, classname);
}

bool WINDOW::Create(const char* classname, const char* title, DWORD style, int x, int y, int cx,
                    int cy, HWND parent, int id, DWORD exstyle)
{
    if (!ASSERTINFO(!this->hWnd, title)) return false;
    STRING cls = classname;
    if (cls.IsNull() || cls.Length() == 0) {
        cls.Format("AppWindow%d", static_cast<int>(InterlockedIncrement(&own_class_counter)));
        if (!RegisterWinClass(cls)) return false;
        OwnClass = cls;
    }
    Logit("WINDOW::Create class= %s title= %s\n", cls.Text(), title ? title : "");

    HMENU menu = nullptr;
    if (style & WS_CHILD) {
        menu = reinterpret_cast<HMENU>(static_cast<INT_PTR>(id));
    } else if (id != 0) {
        HMENU hmenu = LoadMenuA(KELVOAPP::ResourceModule(), MAKEINTRESOURCEA(id));
        if (ASSERT(hmenu)) menu = hmenu;
    }

    // Only our own procedure understands the object passed along; other classes
    // (MDI clients for one) read the creation parameter themselves.
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    bool ours = GetClassInfoExA(module_instance(), cls, &wc) && wc.lpfnWndProc == StaticWinProc;
    HWND created = CreateWindowExA(exstyle, cls, title, style, x, y, cx, cy, parent, menu,
                                   module_instance(), ours ? this : nullptr);
    if (!created) {
        STRING info = cls + ": " + ErrorText().Text();
        if (menu && !(style & WS_CHILD)) DestroyMenu(menu);
        ASSERTINFO(this->hWnd, info);
        return false;
    }
    if (!ours) Attach(created);
    hWnd = created;
    AutoDestroy = true;
    Logit("WINDOW::Create done %p\n", static_cast<void*>(hWnd));
    return true;
}

bool WINDOW::Attach(HWND hwnd)
{
    if (!ASSERT(hwnd && IsWindow(hwnd))) return false;
    if (!ASSERT(!FromHandle(hwnd))) return false;  // one object per window
    hWnd = hwnd;
    window_table().Set(hwnd, this);
    OldProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(StaticWinProc)));
    return true;
}

HWND WINDOW::Detach()
{
    HWND hwnd = hWnd;
    if (!hwnd) return nullptr;
    if (OldProc) {
        // Someone who subclassed after us would be cut off; leave the chain alone then.
        WNDPROC current = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(hwnd, GWLP_WNDPROC));
        if (ASSERT(current == StaticWinProc))
            SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(OldProc));
    }
    window_table().Remove(hwnd, this);
    hWnd = nullptr;
    OldProc = nullptr;
    AutoDestroy = false;
    return hwnd;
}

bool WINDOW::Show(int how) { return hWnd && ShowWindow(hWnd, how); }

bool WINDOW::Move(int x, int y, int cx, int cy, bool repaint)
{
    return hWnd && MoveWindow(hWnd, x, y, cx, cy, repaint);
}

bool WINDOW::Enable(bool enable)
{
    if (!hWnd) return false;
    EnableWindow(hWnd, enable);
    return true;
}

bool WINDOW::SetText(const char* text) { return hWnd && SetWindowTextA(hWnd, text ? text : ""); }

STRING WINDOW::GetText() const
{
    if (!hWnd) return STRING();
    int length = GetWindowTextLengthA(hWnd);
    STRING text;
    text.Make(length, nullptr);
    int got = length > 0 ? GetWindowTextA(hWnd, text.Data(), length + 1) : 0;
    text.Truncate(got);
    return text;
}

LRESULT WINDOW::Send(UINT message, WPARAM wParam, LPARAM lParam) const
{
    return hWnd ? SendMessageA(hWnd, message, wParam, lParam) : 0;
}

bool WINDOW::Post(UINT message, WPARAM wParam, LPARAM lParam) const
{
    return hWnd && PostMessageA(hWnd, message, wParam, lParam);
}

bool WINDOW::SetTransparency(int alpha, COLORREF colorkey)
{
    typedef BOOL(WINAPI * SETLAYERED)(HWND, COLORREF, BYTE, DWORD);
    static SETLAYERED setlayered = reinterpret_cast<SETLAYERED>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("user32.dll"), "SetLayeredWindowAttributes")));
    if (!setlayered || !hWnd) return false;
    LONG_PTR exstyle = GetWindowLongPtrA(hWnd, GWL_EXSTYLE);
    if (alpha >= 255 && colorkey == CLR_INVALID) {
        SetWindowLongPtrA(hWnd, GWL_EXSTYLE, exstyle & ~static_cast<LONG_PTR>(WS_EX_LAYERED));
        RedrawWindow(hWnd, nullptr, nullptr, RDW_ERASE | RDW_INVALIDATE | RDW_FRAME | RDW_ALLCHILDREN);
        return true;
    }
    if (alpha < 0) alpha = 0;
    if (alpha > 255) alpha = 255;
    SetWindowLongPtrA(hWnd, GWL_EXSTYLE, exstyle | WS_EX_LAYERED);
    DWORD flags = colorkey == CLR_INVALID ? LWA_ALPHA : LWA_COLORKEY;
    if (colorkey != CLR_INVALID && alpha < 255) flags |= LWA_ALPHA;
    return setlayered(hWnd, colorkey == CLR_INVALID ? 0 : colorkey, static_cast<BYTE>(alpha),
                      flags);
}

void WINDOW::DrawFrame(HDC hdc, const RECT& rect, int mode, COLORREF color)
{
    if (!ASSERT(mode==1 || mode==0 || mode==-1)) return;
    COLORREF light = GetSysColor(COLOR_BTNHIGHLIGHT);
    COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
    if (mode == 0) light = shadow = color == CLR_INVALID ? GetSysColor(COLOR_BTNFACE) : color;
    if (mode == -1) {
        COLORREF t = light;
        light = shadow;
        shadow = t;
    }
    // Lines of one pixel drawn as rectangles, which needs no pen.
    if (rect.right <= rect.left || rect.bottom <= rect.top) return;
    FillSolidRect(hdc, {rect.left, rect.top, rect.right, rect.top + 1}, light);
    FillSolidRect(hdc, {rect.left, rect.top, rect.left + 1, rect.bottom}, light);
    FillSolidRect(hdc, {rect.left, rect.bottom - 1, rect.right, rect.bottom}, shadow);
    FillSolidRect(hdc, {rect.right - 1, rect.top, rect.right, rect.bottom}, shadow);
}

void WINDOW::FillSolidRect(HDC hdc, const RECT& rect, COLORREF color)
{
    COLORREF old = SetBkColor(hdc, color);
    ExtTextOutA(hdc, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
    SetBkColor(hdc, old);
}

// ---------------------------------------------------------------- CONTROL

CONTROL::CONTROL() {}

CONTROL::CONTROL(HWND dialog, int id) { Wrap(dialog, id); }

CONTROL::~CONTROL() { LogitLevel(12, "CONTROL::~CONTROL %p\n", static_cast<void*>(hWnd)); }

bool CONTROL::Create(const char* classname, HWND parent, int id, DWORD style, int x, int y,
                     int cx, int cy, DWORD exstyle, const char* text)
{
    WINDOWS::InitCommonControls();
    if (!WINDOW::Create(classname, text, style | WS_CHILD, x, y, cx, cy, parent, id, exstyle))
        return false;
    // Controls take the font of the dialog or window they sit in.
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(parent, WM_GETFONT, 0, 0));
    if (font) Send(WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return true;
}

bool CONTROL::Wrap(HWND dialog, int id)
{
    if (!ASSERT(!this->hWnd)) return false;
    hWnd = GetDlgItem(dialog, id);
    char info[40];
    snprintf(info, sizeof info, "id= %d", id);
    return ASSERTINFO(this->hWnd, info);
}

int CONTROL::GetId() const { return hWnd ? GetDlgCtrlID(hWnd) : 0; }

// ---------------------------------------------------------------- WINDOWS

int WINDOWS::WinProcessMessages(int n)
{
    Logit("WINDOWS::WinProcessMessages n=%d\n", n);
    int done = 0;
    MSG msg;
    while (done < n && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        Logit("WINDOWS::WinProcessMessages dispatch msg= %04x\n", msg.message);
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
        done++;
    }
    return done;
}

bool WINDOWS::CheckCommonControlsVersion(DWORD major, DWORD minor)
{
    bool ok = major > 4 || (major == 4 && minor >= 71);
    char info[40];
    snprintf(info, sizeof info, "version %lu.%lu", static_cast<unsigned long>(major),
             static_cast<unsigned long>(minor));
    return ASSERTTEXT(ok, "COMCTL32 V4.71 or higher required", info);
}

bool WINDOWS::InitCommonControls()
{
    static int result = -1;
    if (result >= 0) return result != 0;
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&icc);
    DWORD major = 0, minor = 0;
    HMODULE comctl = GetModuleHandleA("comctl32.dll");
    typedef HRESULT(CALLBACK * DLLGETVERSION)(DLLVERSIONINFO*);
    DLLGETVERSION getversion = comctl ? reinterpret_cast<DLLGETVERSION>(reinterpret_cast<void*>(
                                            GetProcAddress(comctl, "DllGetVersion")))
                                      : nullptr;
    DLLVERSIONINFO dvi = {};
    dvi.cbSize = sizeof dvi;
    // Libraries before 4.71 have no DllGetVersion at all.
    if (getversion && SUCCEEDED(getversion(&dvi))) {
        major = dvi.dwMajorVersion;
        minor = dvi.dwMinorVersion;
    }
    Logit("WINDOWS::InitCommonControls comctl32 %lu.%lu\n", static_cast<unsigned long>(major),
          static_cast<unsigned long>(minor));
    result = CheckCommonControlsVersion(major, minor) ? 1 : 0;
    return result != 0;
}
