// WINDOW and the toolkit's window helpers: messages reaching the object, own window
// classes, attaching, auto-destroy, menus, transparency, the 3D frame, the message
// pump, the common-controls check and window positions in the registry.
#include "window.h"

#include "logcapture.h"
#include "memorybitmap.h"
#include "reports.h"
#include "scratchkey.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

static const int IDR_WINDOWMENU = 310;
static const UINT WM_TESTPING = WM_USER + 5;

// A window that records what reaches its handler.
class RECORDINGWINDOW : public WINDOW {
public:
    LRESULT WinProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_CREATE) created = true;
        if (message != WM_TESTPING) return WINDOW::WinProc(message, wParam, lParam);
        pings.push_back(static_cast<int>(wParam));
        return 1000 + static_cast<LRESULT>(wParam);
    }
    bool created = false;
    std::vector<int> pings;
};

static std::string class_of(HWND hwnd)
{
    char cls[128] = "";
    GetClassNameA(hwnd, cls, sizeof cls);
    return cls;
}

TEST(Window, OwnClassesAreNumberedMessagesReachTheHandlerMenusAndIdsAreSet)
{
    RECORDINGWINDOW a, b;
    ASSERT_TRUE(a.Create(nullptr, "first", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                         IDR_WINDOWMENU));
    ASSERT_TRUE(b.Create("", "second", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100));
    std::string ca = class_of(a.hWnd), cb = class_of(b.hWnd);
    ASSERT_EQ(ca.compare(0, 9, "AppWindow"), 0) << ca;
    EXPECT_EQ(cb, "AppWindow" + std::to_string(atoi(ca.c_str() + 9) + 1));
    EXPECT_TRUE(a.created);  // WM_CREATE already reached the object
    EXPECT_EQ(a.Send(WM_TESTPING, 7), 1007);

    // A top-level window loads its menu; a child gets the number as its id.
    char text[64] = "";
    GetMenuStringA(GetMenu(a.hWnd), 2116, text, sizeof text, MF_BYCOMMAND);
    EXPECT_STREQ(text, "&Check now");
    RECORDINGWINDOW child;
    ASSERT_TRUE(child.Create(nullptr, "child", WS_CHILD, 0, 0, 50, 50, a.hWnd, 4711));
    EXPECT_EQ(GetDlgCtrlID(child.hWnd), 4711);
    EXPECT_EQ(GetParent(child.hWnd), a.hWnd);
    RECORDINGWINDOW nomenu;
    REPORTS reports;
    ASSERT_TRUE(nomenu.Create(nullptr, "nomenu", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, 9999));
    EXPECT_TRUE(reports.Were(1, "hmenu"));
    EXPECT_EQ(GetMenu(nomenu.hWnd), nullptr);
}

TEST(Window, AutoDestroyDestroysAndLogsOnlyAWindowStillThere)
{
    LOGCAPTURE log;
    HWND hwnd;
    std::string cls;
    {
        RECORDINGWINDOW w, gone;
        ASSERT_TRUE(w.Create(nullptr, "doomed", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100));
        ASSERT_TRUE(gone.Create(nullptr, "gone", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100));
        hwnd = w.hWnd;
        cls = class_of(hwnd);
        DestroyWindow(gone.hWnd);
        EXPECT_FALSE(gone.Exists());
    }
    EXPECT_FALSE(IsWindow(hwnd));
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    EXPECT_FALSE(GetClassInfoExA(GetModuleHandleA(nullptr), cls.c_str(), &wc));  // went too
    const std::string& text = log.Text();
    EXPECT_NE(text.find("WINDOW::~WINDOW auto-destroying " + cls + " 0\r\n"), std::string::npos)
        << text;
    EXPECT_EQ(text.find("auto-destroying"), text.rfind("auto-destroying"));  // not the gone one
}

TEST(Window, AttachTakesOverAForeignWindowAndGivesItBack)
{
    HWND edit = CreateWindowExA(0, "Edit", "before", WS_POPUP, 0, 0, 100, 20, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
    ASSERT_TRUE(edit);
    LONG_PTR ownproc = GetWindowLongPtrA(edit, GWLP_WNDPROC);
    {
        RECORDINGWINDOW w;
        ASSERT_TRUE(w.Attach(edit));
        EXPECT_FALSE(w.AutoDestroy);
        EXPECT_EQ(w.Send(WM_TESTPING, 3), 1003);
        EXPECT_TRUE(w.SetText("after"));  // the edit field's own procedure does the work
        EXPECT_EQ(w.GetText(), "after");
        RECORDINGWINDOW other;
        REPORTS reports;
        EXPECT_FALSE(other.Attach(edit));  // one object per window
        EXPECT_TRUE(reports.Were(1));
    }
    EXPECT_TRUE(IsWindow(edit));
    EXPECT_EQ(GetWindowLongPtrA(edit, GWLP_WNDPROC), ownproc);
    DestroyWindow(edit);
}

TEST(Window, ProcessMessagesDispatchesAtMostNAndKeepsQuit)
{
    RECORDINGWINDOW w;
    ASSERT_TRUE(w.Create(nullptr, "pump", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100));
    WINDOWS::WinProcessMessages(1000);  // whatever creation left behind
    for (int i = 1; i <= 3; i++) w.Post(WM_TESTPING, i);
    EXPECT_EQ(WINDOWS::WinProcessMessages(2), 2);
    EXPECT_EQ(w.pings, (std::vector<int>{1, 2}));
    w.Post(WM_TESTPING, 4);
    PostQuitMessage(17);
    w.Post(WM_TESTPING, 5);
    WINDOWS::WinProcessMessages(10);
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 17u);
    WINDOWS::WinProcessMessages(10);
    EXPECT_EQ(w.pings, (std::vector<int>{1, 2, 3, 4, 5}));
}

TEST(Window, CommonControlsVersionCheck)
{
    REPORTS reports;
    EXPECT_TRUE(WINDOWS::InitCommonControls());
    EXPECT_TRUE(WINDOWS::CheckCommonControlsVersion(4, 71));
    EXPECT_TRUE(reports.Were(0));
    EXPECT_FALSE(WINDOWS::CheckCommonControlsVersion(4, 70));
    EXPECT_FALSE(WINDOWS::CheckCommonControlsVersion(0, 0));  // no DllGetVersion at all
    EXPECT_TRUE(reports.Were(2, "COMCTL32 V4.71 or higher required"));
}

TEST(Window, TransparencyByAlphaOrColourKey)
{
    RECORDINGWINDOW w;
    ASSERT_TRUE(w.Create(nullptr, "glass", WS_POPUP, 0, 0, 100, 100));
    COLORREF key = 0;
    BYTE alpha = 0;
    DWORD flags = 0;
    ASSERT_TRUE(w.SetTransparency(128));
    ASSERT_TRUE(GetLayeredWindowAttributes(w.hWnd, &key, &alpha, &flags));
    EXPECT_EQ(alpha, 128);
    EXPECT_EQ(flags, static_cast<DWORD>(LWA_ALPHA));
    ASSERT_TRUE(w.SetTransparency(255, RGB(16, 16, 16)));
    ASSERT_TRUE(GetLayeredWindowAttributes(w.hWnd, &key, &alpha, &flags));
    EXPECT_EQ(key, RGB(16, 16, 16));
    EXPECT_EQ(flags, static_cast<DWORD>(LWA_COLORKEY));
    ASSERT_TRUE(w.SetTransparency(255));  // opaque again: no layered window any more
    EXPECT_FALSE(GetWindowLongPtrA(w.hWnd, GWL_EXSTYLE) & WS_EX_LAYERED);
}

TEST(Window, FrameModesRaisedSunkenFlat)
{
    MEMORYBITMAP bitmap(20, 10);
    HDC hdc = bitmap.GetHdc();
    const RECT rect = {2, 1, 12, 8};
    COLORREF light = GetSysColor(COLOR_BTNHIGHLIGHT), shadow = GetSysColor(COLOR_BTNSHADOW);
    COLORREF red = RGB(255, 0, 0);
    // Upper left corner, upper and left edge; lower right corner, lower and right edge.
    const POINT upper[] = {{2, 1}, {6, 1}, {2, 5}}, lower[] = {{11, 7}, {6, 7}, {11, 4}};
    const struct {
        int mode;
        COLORREF up, down;
    } modes[] = {{1, light, shadow}, {-1, shadow, light}, {0, red, red}};
    for (const auto& m : modes) {
        WINDOW::DrawFrame(hdc, rect, m.mode, red);
        for (POINT p : upper) EXPECT_EQ(GetPixel(hdc, p.x, p.y), m.up) << m.mode;
        for (POINT p : lower) EXPECT_EQ(GetPixel(hdc, p.x, p.y), m.down) << m.mode;
    }
    EXPECT_NE(GetPixel(hdc, 6, 4), red);  // the inside stays

    SetPixel(hdc, 6, 1, RGB(1, 2, 3));
    COLORREF before = GetPixel(hdc, 6, 1);
    REPORTS reports;
    WINDOW::DrawFrame(hdc, rect, 2);
    EXPECT_TRUE(reports.Were(1, "mode==1 || mode==0 || mode==-1"));
    EXPECT_EQ(GetPixel(hdc, 6, 1), before);
}

// ---------------------------------------------------------------- window positions

class WindowPos : public testing::Test {
protected:
    // A value as stored: "<missing>", or its type and bytes as "type:bytes".
    std::string Stored(const char* name)
    {
        char data[64];
        DWORD size = sizeof data, type = 0;
        if (RegGetValueA(HKEY_CURRENT_USER, key.Path().c_str(), name, RRF_RT_ANY, &type, data, &size))
            return "<missing>";
        return std::to_string(type) + ":" + std::string(data, size);
    }
    // A binary value put there by hand (by another version, or another screen).
    void Plant(const char* name, std::vector<INT32> values)
    {
        ASSERT_EQ(RegSetKeyValueA(HKEY_CURRENT_USER, key.Path().c_str(), name, REG_BINARY,
                                  values.data(), static_cast<DWORD>(values.size() * sizeof(INT32))),
                  ERROR_SUCCESS);
    }
    static std::string Rect(HWND hwnd, HWND parent = nullptr)
    {
        RECT r;
        GetWindowRect(hwnd, &r);
        MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
        return std::to_string(r.left) + "," + std::to_string(r.top) + "," +
               std::to_string(r.right) + "," + std::to_string(r.bottom);
    }
    const char* App() const { return key.Name().c_str(); }
    SCRATCHKEY key;
};

// A rectangle as a binary registry value is stored: "3:" and sixteen bytes.
static std::string rect_value(std::vector<INT32> values)
{
    return "3:" + std::string(reinterpret_cast<const char*>(values.data()), 16);
}

TEST_F(WindowPos, StoredAsSixteenBytesWithMaxAndRestored)
{
    RECORDINGWINDOW w;
    ASSERT_TRUE(w.Create(nullptr, "pos", WS_OVERLAPPEDWINDOW, 100, 120, 300, 250));
    w.Show();
    ASSERT_TRUE(w.StoreWindowPos(App(), "MainPos"));
    EXPECT_EQ(Stored("MainPos"), rect_value({100, 120, 400, 370}));
    EXPECT_EQ(Stored("MainPosMax"), std::string("1:0\0", 4));
    w.Move(10, 10, 50, 50);
    ASSERT_TRUE(w.RestoreWindowPos(App(), "MainPos"));
    EXPECT_EQ(Rect(w.hWnd), "100,120,400,370");
    EXPECT_FALSE(IsZoomed(w.hWnd));

    // Maximised: the normal rectangle is stored, and the next window opens maximised.
    RECORDINGWINDOW big;
    ASSERT_TRUE(big.Create(nullptr, "big", WS_OVERLAPPEDWINDOW, 200, 150, 320, 240));
    big.Show(SW_SHOWMAXIMIZED);
    ASSERT_TRUE(big.StoreWindowPos(App(), "MainPos"));
    EXPECT_EQ(Stored("MainPos"), rect_value({200, 150, 520, 390}));
    EXPECT_EQ(Stored("MainPosMax"), std::string("1:1\0", 4));
    RECORDINGWINDOW again;
    ASSERT_TRUE(again.Create(nullptr, "again", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100));
    ASSERT_TRUE(again.RestoreWindowPos(App(), "MainPos"));
    EXPECT_TRUE(IsZoomed(again.hWnd));
    again.Show(SW_RESTORE);
    EXPECT_EQ(Rect(again.hWnd), "200,150,520,390");

    // A child window in its parent's coordinates.
    RECORDINGWINDOW child;
    ASSERT_TRUE(child.Create(nullptr, "docked", WS_CHILD | WS_VISIBLE, 15, 25, 60, 40, w.hWnd, 5));
    ASSERT_TRUE(child.StoreWindowPos(App(), "Dock"));
    EXPECT_EQ(Stored("Dock"), rect_value({15, 25, 75, 65}));
    child.Move(0, 0, 10, 10);
    ASSERT_TRUE(child.RestoreWindowPos(App(), "Dock"));
    EXPECT_EQ(Rect(child.hWnd, w.hWnd), "15,25,75,65");
}

TEST_F(WindowPos, OnlyAWholeRectangleIsRestored)
{
    RECORDINGWINDOW w;
    ASSERT_TRUE(w.Create(nullptr, "stay", WS_OVERLAPPEDWINDOW, 30, 40, 200, 100));
    EXPECT_FALSE(w.RestoreWindowPos(App(), "Nothing"));  // no key at all
    Plant("Short", {1, 2, 300});
    Plant("Long", {1, 2, 300, 400, 5});
    Plant("Empty", {50, 50, 50, 80});  // no width
    for (const char* name : {"Missing", "Short", "Long", "Empty"})
        EXPECT_FALSE(w.RestoreWindowPos(App(), name)) << name;
    EXPECT_EQ(Rect(w.hWnd), "30,40,230,140");

    // Off every screen: back into sight with its size kept.
    Plant("Far", {20000, 20000, 20300, 20200});
    ASSERT_TRUE(w.RestoreWindowPos(App(), "Far"));
    RECT rect;
    GetWindowRect(w.hWnd, &rect);
    EXPECT_EQ(rect.right - rect.left, 300);
    EXPECT_EQ(rect.bottom - rect.top, 200);
    EXPECT_TRUE(MonitorFromRect(&rect, MONITOR_DEFAULTTONULL));
}
