// WINDOW and the toolkit's window helpers: messages reaching the object, own window
// classes, attaching, auto-destroy, menus, transparency, the 3D frame, the message
// pump, the common-controls check and window positions in the registry.
#include "window.h"

#include "kelvo.h"
#include "logcapture.h"
#include "memorybitmap.h"

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
        if (message == WM_TESTPING) {
            pings.push_back(static_cast<int>(wParam));
            return 1000 + static_cast<LRESULT>(wParam);
        }
        if (message == WM_SETTEXT) settexts++;
        return WINDOW::WinProc(message, wParam, lParam);
    }
    bool created = false;
    int settexts = 0;
    std::vector<int> pings;
};

static std::string class_of(HWND hwnd)
{
    char cls[128] = "";
    GetClassNameA(hwnd, cls, sizeof cls);
    return cls;
}

// The log with its line ends as "\n" only.
static std::string log_lines(const std::string& text)
{
    std::string lines;
    for (char c : text)
        if (c != '\r') lines += c;
    return lines;
}

static int class_number(HWND hwnd)
{
    std::string cls = class_of(hwnd);
    if (cls.compare(0, 9, "AppWindow") != 0) return -1;
    return atoi(cls.c_str() + 9);
}

TEST(Window, OwnClassesAreNumberedOnePerWindow)
{
    RECORDINGWINDOW a, b;
    ASSERT_TRUE(a.Create(nullptr, "first", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100));
    ASSERT_TRUE(b.Create("", "second", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100));
    int na = class_number(a.hWnd), nb = class_number(b.hWnd);
    ASSERT_GT(na, 0) << class_of(a.hWnd);
    EXPECT_EQ(nb, na + 1) << class_of(b.hWnd);
    EXPECT_TRUE(a.created);  // WM_CREATE already reached the object
    EXPECT_TRUE(a.AutoDestroy);
    EXPECT_EQ(a.GetText(), "first");
}

TEST(Window, MessagesReachTheHandlerWithTheirResult)
{
    RECORDINGWINDOW w;
    ASSERT_TRUE(w.Create(nullptr, "ping", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100));
    EXPECT_EQ(w.Send(WM_TESTPING, 7), 1007);
    EXPECT_TRUE(w.SetText("renamed"));
    EXPECT_EQ(w.GetText(), "renamed");
    EXPECT_EQ(w.settexts, 1);
    ASSERT_EQ(w.pings.size(), 1u);
    EXPECT_EQ(w.pings[0], 7);
}

TEST(Window, AutoDestroyDestroysAndLogsTheWindow)
{
    LOGCAPTURE log;
    HWND hwnd;
    std::string cls;
    {
        RECORDINGWINDOW w;
        ASSERT_TRUE(w.Create(nullptr, "doomed", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100));
        hwnd = w.hWnd;
        cls = class_of(hwnd);
    }
    EXPECT_FALSE(IsWindow(hwnd));
    // Its own class went with it.
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    EXPECT_FALSE(GetClassInfoExA(GetModuleHandleA(nullptr), cls.c_str(), &wc));
    EXPECT_NE(log_lines(log.Text()).find("WINDOW::~WINDOW auto-destroying " + cls + " 0\n"),
              std::string::npos)
        << log.Text();
}

TEST(Window, ObjectForgetsAWindowDestroyedFirst)
{
    LOGCAPTURE log;
    RECORDINGWINDOW* w = new RECORDINGWINDOW;
    ASSERT_TRUE(w->Create(nullptr, "gone", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100));
    DestroyWindow(w->hWnd);
    EXPECT_EQ(w->hWnd, nullptr);
    EXPECT_FALSE(w->Exists());
    delete w;
    EXPECT_EQ(log.Text().find("auto-destroying"), std::string::npos);
}

TEST(Window, AttachTakesOverAndGivesBackAForeignWindow)
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
        // The edit field's own procedure still does the work.
        EXPECT_TRUE(w.SetText("after"));
        EXPECT_EQ(w.GetText(), "after");
        EXPECT_EQ(w.settexts, 1);
        // A second object cannot take the same window.
        RECORDINGWINDOW other;
        int reports = AssertCount();
        EXPECT_FALSE(other.Attach(edit));
        EXPECT_EQ(AssertCount(), reports + 1);
    }
    EXPECT_TRUE(IsWindow(edit));
    EXPECT_EQ(GetWindowLongPtrA(edit, GWLP_WNDPROC), ownproc);
    DestroyWindow(edit);
}

TEST(Window, ForeignClassIsCreatedAndAttached)
{
    RECORDINGWINDOW w;
    ASSERT_TRUE(w.Create("Static", "label", WS_POPUP, 0, 0, 100, 20));
    EXPECT_TRUE(w.AutoDestroy);
    EXPECT_EQ(class_of(w.hWnd), "Static");
    EXPECT_EQ(w.Send(WM_TESTPING, 1), 1001);
}

TEST(Window, TopLevelLoadsItsMenuChildGetsItsId)
{
    RECORDINGWINDOW top;
    ASSERT_TRUE(top.Create(nullptr, "menu", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr,
                           IDR_WINDOWMENU));
    HMENU menu = GetMenu(top.hWnd);
    ASSERT_TRUE(menu);
    char text[64] = "";
    GetMenuStringA(menu, 2116, text, sizeof text, MF_BYCOMMAND);
    EXPECT_STREQ(text, "&Check now");

    RECORDINGWINDOW child;
    ASSERT_TRUE(child.Create(nullptr, "child", WS_CHILD | WS_VISIBLE, 0, 0, 50, 50, top.hWnd, 4711));
    EXPECT_EQ(GetDlgCtrlID(child.hWnd), 4711);
    EXPECT_EQ(GetParent(child.hWnd), top.hWnd);
}

TEST(Window, MissingMenuIsReportedWindowStillMade)
{
    RECORDINGWINDOW w;
    int reports = AssertCount();
    ASSERT_TRUE(w.Create(nullptr, "nomenu", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, 9999));
    EXPECT_EQ(AssertCount(), reports + 1);
    EXPECT_STREQ(AssertLastCondition(), "hmenu");
    EXPECT_EQ(GetMenu(w.hWnd), nullptr);
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
    int reports = AssertCount();
    EXPECT_TRUE(WINDOWS::InitCommonControls());
    EXPECT_TRUE(WINDOWS::CheckCommonControlsVersion(4, 71));
    EXPECT_TRUE(WINDOWS::CheckCommonControlsVersion(6, 0));
    EXPECT_EQ(AssertCount(), reports);
    EXPECT_FALSE(WINDOWS::CheckCommonControlsVersion(4, 70));
    EXPECT_EQ(AssertCount(), reports + 1);
    EXPECT_STREQ(AssertLastCondition(), "COMCTL32 V4.71 or higher required");
    EXPECT_FALSE(WINDOWS::CheckCommonControlsVersion(0, 0));  // no DllGetVersion at all
}

TEST(Window, TransparencyByAlphaOrColourKey)
{
    RECORDINGWINDOW w;
    ASSERT_TRUE(w.Create(nullptr, "glass", WS_POPUP, 0, 0, 100, 100));
    ASSERT_TRUE(w.SetTransparency(128));
    EXPECT_TRUE(GetWindowLongPtrA(w.hWnd, GWL_EXSTYLE) & WS_EX_LAYERED);
    COLORREF key = 0;
    BYTE alpha = 0;
    DWORD flags = 0;
    ASSERT_TRUE(GetLayeredWindowAttributes(w.hWnd, &key, &alpha, &flags));
    EXPECT_EQ(alpha, 128);
    EXPECT_EQ(flags, static_cast<DWORD>(LWA_ALPHA));

    ASSERT_TRUE(w.SetTransparency(255, RGB(16, 16, 16)));
    ASSERT_TRUE(GetLayeredWindowAttributes(w.hWnd, &key, &alpha, &flags));
    EXPECT_EQ(key, RGB(16, 16, 16));
    EXPECT_EQ(flags, static_cast<DWORD>(LWA_COLORKEY));

    ASSERT_TRUE(w.SetTransparency(255));
    EXPECT_FALSE(GetWindowLongPtrA(w.hWnd, GWL_EXSTYLE) & WS_EX_LAYERED);
}

TEST(Window, FrameModesRaisedSunkenFlat)
{
    MEMORYBITMAP bitmap(20, 10);
    HDC hdc = bitmap.GetHdc();
    const RECT rect = {2, 1, 12, 8};
    COLORREF light = GetSysColor(COLOR_BTNHIGHLIGHT), shadow = GetSysColor(COLOR_BTNSHADOW);
    ASSERT_NE(light, shadow);
    // Colours as the bitmap stores them.
    SetPixel(hdc, 0, 0, light);
    light = GetPixel(hdc, 0, 0);
    SetPixel(hdc, 0, 0, shadow);
    shadow = GetPixel(hdc, 0, 0);

    WINDOW::DrawFrame(hdc, rect, 1);
    EXPECT_EQ(GetPixel(hdc, 2, 1), light);    // upper left corner
    EXPECT_EQ(GetPixel(hdc, 6, 1), light);    // upper edge
    EXPECT_EQ(GetPixel(hdc, 2, 5), light);    // left edge
    EXPECT_EQ(GetPixel(hdc, 11, 7), shadow);  // lower right corner
    EXPECT_EQ(GetPixel(hdc, 6, 7), shadow);   // lower edge
    EXPECT_EQ(GetPixel(hdc, 11, 4), shadow);  // right edge

    WINDOW::DrawFrame(hdc, rect, -1);
    EXPECT_EQ(GetPixel(hdc, 6, 1), shadow);
    EXPECT_EQ(GetPixel(hdc, 11, 4), light);

    WINDOW::DrawFrame(hdc, rect, 0, RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(hdc, 6, 1), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(hdc, 11, 4), RGB(255, 0, 0));
    EXPECT_NE(GetPixel(hdc, 6, 4), RGB(255, 0, 0));  // the inside stays

    SetPixel(hdc, 6, 1, RGB(1, 2, 3));
    COLORREF before = GetPixel(hdc, 6, 1);
    int reports = AssertCount();
    WINDOW::DrawFrame(hdc, rect, 2);
    EXPECT_EQ(AssertCount(), reports + 1);
    EXPECT_STREQ(AssertLastCondition(), "mode==1 || mode==0 || mode==-1");
    EXPECT_EQ(GetPixel(hdc, 6, 1), before);
}

// ---------------------------------------------------------------- window positions

class WindowPos : public testing::Test {
protected:
    void SetUp() override
    {
        app = "TestWindowPos" + std::to_string(GetCurrentProcessId());
        key = "Software\\Kelvo\\" + app;
        RegDeleteTreeA(HKEY_CURRENT_USER, key.c_str());
    }
    void TearDown() override
    {
        EXPECT_EQ(RegDeleteTreeA(HKEY_CURRENT_USER, key.c_str()), ERROR_SUCCESS);
    }
    std::string RawValue(const char* name, DWORD* type)
    {
        char data[64];
        DWORD size = sizeof data;
        if (RegGetValueA(HKEY_CURRENT_USER, key.c_str(), name, RRF_RT_ANY, type, data, &size))
            return "<missing>";
        return std::string(data, size);
    }
    // A binary value put there by hand (by another version, or another screen).
    void Plant(const char* name, const void* data, DWORD size)
    {
        HKEY hkey;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                  nullptr, &hkey, nullptr), ERROR_SUCCESS);
        RegSetValueExA(hkey, name, 0, REG_BINARY, static_cast<const BYTE*>(data), size);
        RegCloseKey(hkey);
    }
    static RECT WindowRect(HWND hwnd)
    {
        RECT rect;
        GetWindowRect(hwnd, &rect);
        return rect;
    }
    std::string app, key;
};

static std::string rect_text(const RECT& r)
{
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) +
           "," + std::to_string(r.bottom);
}

static std::string rect_bytes(INT32 l, INT32 t, INT32 r, INT32 b)
{
    INT32 v[4] = {l, t, r, b};
    return std::string(reinterpret_cast<const char*>(v), sizeof v);
}

TEST_F(WindowPos, StoredAsSixteenBytesAndMaxText)
{
    RECORDINGWINDOW w;
    ASSERT_TRUE(w.Create(nullptr, "pos", WS_OVERLAPPEDWINDOW, 100, 120, 300, 250));
    w.Show();
    ASSERT_TRUE(w.StoreWindowPos(app.c_str(), "MainPos"));
    DWORD type = 0;
    EXPECT_EQ(RawValue("MainPos", &type), rect_bytes(100, 120, 400, 370));
    EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
    EXPECT_EQ(RawValue("MainPosMax", &type), std::string("0\0", 2));
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));

    w.Move(10, 10, 50, 50);
    ASSERT_TRUE(w.RestoreWindowPos(app.c_str(), "MainPos"));
    EXPECT_EQ(rect_text(WindowRect(w.hWnd)), "100,120,400,370");
    EXPECT_FALSE(IsZoomed(w.hWnd));
}

TEST_F(WindowPos, MaximisedKeepsTheNormalRectangle)
{
    RECORDINGWINDOW w;
    ASSERT_TRUE(w.Create(nullptr, "big", WS_OVERLAPPEDWINDOW, 200, 150, 320, 240));
    w.Show(SW_SHOWMAXIMIZED);
    ASSERT_TRUE(IsZoomed(w.hWnd));
    ASSERT_TRUE(w.StoreWindowPos(app.c_str(), "MainPos"));
    DWORD type = 0;
    EXPECT_EQ(RawValue("MainPos", &type), rect_bytes(200, 150, 520, 390));
    EXPECT_EQ(RawValue("MainPosMax", &type), std::string("1\0", 2));

    RECORDINGWINDOW again;
    ASSERT_TRUE(again.Create(nullptr, "again", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100));
    ASSERT_TRUE(again.RestoreWindowPos(app.c_str(), "MainPos"));
    EXPECT_TRUE(IsZoomed(again.hWnd));
    again.Show(SW_RESTORE);
    EXPECT_EQ(rect_text(WindowRect(again.hWnd)), "200,150,520,390");
}

TEST_F(WindowPos, OnlyAWholeRectangleIsRestored)
{
    RECORDINGWINDOW w;
    ASSERT_TRUE(w.Create(nullptr, "stay", WS_OVERLAPPEDWINDOW, 30, 40, 200, 100));
    EXPECT_FALSE(w.RestoreWindowPos(app.c_str(), "Nothing"));  // no key at all

    INT32 twelve[3] = {1, 2, 300};
    Plant("Short", twelve, sizeof twelve);
    INT32 twenty[5] = {1, 2, 300, 400, 5};
    Plant("Long", twenty, sizeof twenty);
    Plant("Empty", rect_bytes(50, 50, 50, 80).data(), 16);  // no width

    EXPECT_FALSE(w.RestoreWindowPos(app.c_str(), "Missing"));
    EXPECT_FALSE(w.RestoreWindowPos(app.c_str(), "Short"));
    EXPECT_FALSE(w.RestoreWindowPos(app.c_str(), "Long"));
    EXPECT_FALSE(w.RestoreWindowPos(app.c_str(), "Empty"));
    EXPECT_EQ(rect_text(WindowRect(w.hWnd)), "30,40,230,140");
}

TEST_F(WindowPos, RectangleOffEveryScreenComesBackIntoSight)
{
    RECORDINGWINDOW w;
    ASSERT_TRUE(w.Create(nullptr, "lost", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100));
    Plant("Far", rect_bytes(20000, 20000, 20300, 20200).data(), 16);
    ASSERT_TRUE(w.RestoreWindowPos(app.c_str(), "Far"));
    RECT rect = WindowRect(w.hWnd);
    EXPECT_EQ(rect.right - rect.left, 300);  // the size is kept
    EXPECT_EQ(rect.bottom - rect.top, 200);
    EXPECT_TRUE(MonitorFromRect(&rect, MONITOR_DEFAULTTONULL));
}

TEST_F(WindowPos, ChildWindowInItsParentsCoordinates)
{
    RECORDINGWINDOW parent, child;
    ASSERT_TRUE(parent.Create(nullptr, "parent", WS_OVERLAPPEDWINDOW, 100, 100, 400, 300));
    ASSERT_TRUE(child.Create(nullptr, "docked", WS_CHILD | WS_VISIBLE, 15, 25, 60, 40, parent.hWnd, 5));
    ASSERT_TRUE(child.StoreWindowPos(app.c_str(), "Dock"));
    DWORD type = 0;
    EXPECT_EQ(RawValue("Dock", &type), rect_bytes(15, 25, 75, 65));
    child.Move(0, 0, 10, 10);
    ASSERT_TRUE(child.RestoreWindowPos(app.c_str(), "Dock"));
    RECT rect = WindowRect(child.hWnd);
    MapWindowPoints(nullptr, parent.hWnd, reinterpret_cast<POINT*>(&rect), 2);
    EXPECT_EQ(rect_text(rect), "15,25,75,65");
}
