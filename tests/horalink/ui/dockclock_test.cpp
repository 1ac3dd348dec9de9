// The dock clock: the tenths and the layout rules, transparency, the orbits after a
// size change, docking by zone and by a drop, the text colour, and many paints that
// leave neither memory nor drawing objects behind.
#include "dockclock.h"

#include "logcapture.h"
#include "scratchkey.h"
#include "testwindow.h"
#include "window.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <commctrl.h>
#include <psapi.h>

#include <cstdio>
#include <cstring>
#include <memory>

static const int CLOCK_ID = 2000;

TEST(DockClockText, TenthsGoBeforeTheMarkOfATwelveHourTime)
{
    struct {
        const char* formatted;
        int tenths;
        const char* expected;
    } cases[] = {
        {"9:41:07 PM", 3, "9:41:07.3 PM"},
        {"9:41:07 pm", 7, "9:41:07.7 pm"},
        {"09:41:07 AM", 0, "09:41:07.0 AM"},
        {"9:41:07PM", 5, "9:41:07.5PM"},   // no blank ahead of the mark
        {"21:41:07", 9, "21:41:07.9"},     // 24 hours: appended
        {"AM 9:41:07", 2, "AM 9:41:07.2"}, // a mark ahead of the time
        {"21:41:07", -1, "21:41:07"},      // no tenths
    };
    for (const auto& c : cases)
        EXPECT_STREQ(DOCKCLOCK::TimeWithTenths(c.formatted, c.tenths).Text(), c.expected)
            << c.formatted;
}

TEST(DockClockText, StackedWhenNarrowCrowdedOrWithoutDate)
{
    // 200 wide: half the width is 100, the room beside the emblem 100 - 10 - 1 = 89.
    struct {
        int cy, timewidth, datewidth;
        bool emptydate, stacked;
    } cases[] = {
        {50, 60, 60, false, false},  {100, 89, 89, false, false}, {101, 60, 60, false, true},
        {50, 60, 90, false, true},   {50, 90, 60, false, true},   {50, 60, 0, true, true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DOCKCLOCK::Stacked(200, c.cy, c.timewidth, c.datewidth, 10, 1, c.emptydate),
                  c.stacked)
            << c.cy << " " << c.timewidth << " " << c.datewidth << " " << c.emptydate;
}

// ---------------------------------------------------------------- a real clock

static void pump()
{
    while (WINDOWS::WinProcessMessages(1000) > 0) {}
}

// The process's private memory. Wine leaves PrivateUsage 0 and reports its private
// (anonymous) memory as PagefileUsage only.
static long long private_bytes()
{
    PROCESS_MEMORY_COUNTERS_EX pmc = {};
    pmc.cb = sizeof pmc;
    if (!GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&pmc),
                              sizeof pmc))
        return -1;
    return static_cast<long long>(pmc.PrivateUsage ? pmc.PrivateUsage : pmc.PagefileUsage);
}

// How many more drawing objects the process can make: brushes are made until the
// system refuses one, then all freed again. A leaked object of any kind takes a slot
// of the same table, which a few hundred bytes of memory would not show.
static int gdi_room()
{
    std::vector<HBRUSH> brushes;
    brushes.reserve(70000);
    while (brushes.size() < 1000000) {
        HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
        if (!brush) break;
        brushes.push_back(brush);
    }
    for (HBRUSH brush : brushes) DeleteObject(brush);
    return static_cast<int>(brushes.size());
}

class DockClock : public testing::Test {
protected:
    void SetUp() override
    {
        parent = CreateTestWindow("dock parent", nullptr, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 300,
                                  300, 400, 300);
        ASSERT_TRUE(parent);
        clock = std::make_unique<DOCKCLOCK>(parent, CLOCK_ID, "tip", key.Name().c_str(),
                                            "DockClock", 0, 0x20, 0, 0, 100, 40);
        ASSERT_TRUE(clock->Exists());
        pump();
    }
    void TearDown() override
    {
        clock.reset();
        DestroyWindow(parent);
    }

    void ClientSize(int cx, int cy)
    {
        clock->AdjustForFrame(cx, cy);
        SetWindowPos(clock->hWnd, nullptr, 0, 0, cx, cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        pump();
    }

    // How many pixels of the surface match; the corner pixels in corners.
    template <class MATCH> int CountIf(MATCH match, COLORREF* corners = nullptr)
    {
        RECT rect;
        GetClientRect(clock->hWnd, &rect);
        CRITSECTLOCK lock(clock->Lock());
        HDC hdc = clock->SurfaceDc();
        int n = 0;
        for (int y = 0; y < rect.bottom; y++)
            for (int x = 0; x < rect.right; x++) n += match(GetPixel(hdc, x, y));
        if (corners) {
            corners[0] = GetPixel(hdc, 0, 0);
            corners[1] = GetPixel(hdc, rect.right - 1, 0);
            corners[2] = GetPixel(hdc, 0, rect.bottom - 1);
            corners[3] = GetPixel(hdc, rect.right - 1, rect.bottom - 1);
        }
        return n;
    }
    int Count(COLORREF colour, COLORREF* corners = nullptr)
    {
        return CountIf([colour](COLORREF c) { return c == colour; }, corners);
    }

    // Sends a mouse message with the screen point pt in the clock's client coordinates.
    void Mouse(UINT message, POINT pt)
    {
        ScreenToClient(clock->hWnd, &pt);
        SendMessageA(clock->hWnd, message, message == WM_MOUSEMOVE ? 0 : MK_LBUTTON,
                     MAKELPARAM(pt.x, pt.y));
    }

    SCRATCHKEY key;
    HWND parent = nullptr;
    std::unique_ptr<DOCKCLOCK> clock;
};

TEST_F(DockClock, TimeAndDateSideBySideWhenWideStackedWhenNarrow)
{
    clock->SetOverrides("12:00", "1.1.");
    ClientSize(400, 100);
    clock->PaintBitmap();
    EXPECT_FALSE(clock->LastStacked());
    EXPECT_STREQ(clock->LastTimeText().Text(), "12:00");
    EXPECT_STREQ(clock->LastDateText().Text(), "1.1.");
    ClientSize(120, 200);
    clock->PaintBitmap();
    EXPECT_TRUE(clock->LastStacked());

    // The clock's own texts come back; a mouse movement ends texts shown for hovering.
    clock->SetOverrides(nullptr, "*");
    clock->PaintBitmap();
    EXPECT_STRNE(clock->LastTimeText().Text(), "12:00");
    clock->SetHoverTexts("status 1", "status 2");
    NMTTDISPINFOA info = {};
    info.hdr.code = TTN_GETDISPINFOA;
    SendMessageA(clock->hWnd, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_STREQ(info.lpszText, "");
    clock->PaintBitmap();
    EXPECT_STREQ(clock->LastTimeText().Text(), "status 1");
    EXPECT_STREQ(clock->LastDateText().Text(), "status 2");
    SendMessageA(clock->hWnd, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    clock->PaintBitmap();
    EXPECT_STRNE(clock->LastDateText().Text(), "status 2");
}

TEST_F(DockClock, ColourKeyClearsTheBackgroundButNotTextAndEmblem)
{
    const COLORREF text = RGB(0xE0, 0xE0, 0x20);
    clock->SetAnimation(true);
    clock->SetTextColour(text);
    clock->SetAlpha(1);
    ClientSize(200, 200);
    clock->PaintBitmap();

    COLORREF key = 0;
    BYTE alpha = 0;
    DWORD flags = 0;
    EXPECT_TRUE(GetWindowLongPtrA(clock->hWnd, GWL_EXSTYLE) & WS_EX_LAYERED);
    ASSERT_TRUE(GetLayeredWindowAttributes(clock->hWnd, &key, &alpha, &flags));
    EXPECT_TRUE(flags & LWA_COLORKEY);
    EXPECT_EQ(key, clock->GetBackground());

    COLORREF corners[4];
    EXPECT_GT(Count(text, corners), 0);
    for (COLORREF corner : corners) EXPECT_EQ(corner, clock->GetBackground());
    // The first ring's trail is the only pure red.
    EXPECT_GT(CountIf([](COLORREF c) { return GetRValue(c) && !GetGValue(c) && !GetBValue(c); }), 0);

    // Opaque while the mouse is over it; the timer finds the mouse gone.
    SendMessageA(clock->hWnd, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    EXPECT_FALSE(GetWindowLongPtrA(clock->hWnd, GWL_EXSTYLE) & WS_EX_LAYERED);
    RECT rect;
    GetWindowRect(clock->hWnd, &rect);
    SetCursorPos(rect.right + 50, rect.bottom + 50);
    SendMessageA(clock->hWnd, WM_TIMER, DOCKWINDOW_HOVERTIMER, 0);
    EXPECT_TRUE(GetWindowLongPtrA(clock->hWnd, GWL_EXSTYLE) & WS_EX_LAYERED);

    clock->SetAlpha(255);
    clock->SetSizable(true);
    EXPECT_FALSE(GetWindowLongPtrA(clock->hWnd, GWL_EXSTYLE) & WS_EX_LAYERED);
    EXPECT_TRUE(GetWindowLongPtrA(clock->hWnd, GWL_STYLE) & WS_THICKFRAME);
}

TEST_F(DockClock, OrbitsFollowASizeChange)
{
    ClientSize(200, 200);
    clock->PaintBitmap();
    int computed = clock->OrbitComputations();
    POINT p = clock->OrbitPoint(1, 0);
    EXPECT_EQ(p.x, 100 + 98);
    EXPECT_EQ(p.y, 100);
    // The rings at -60 and +60 degrees mirror each other at the start.
    POINT p0 = clock->OrbitPoint(0, 0), p2 = clock->OrbitPoint(2, 0);
    EXPECT_EQ(p0.x, p2.x);
    EXPECT_EQ(p0.y - 100, 100 - p2.y);
    EXPECT_GT(p0.x, 100);
    EXPECT_LT(p0.y, 100);

    ClientSize(300, 160);
    clock->PaintBitmap();
    EXPECT_EQ(clock->OrbitComputations(), computed + 1);
    p = clock->OrbitPoint(1, 0);
    EXPECT_EQ(p.x, 150 + 78);
    EXPECT_EQ(p.y, 80);
    clock->PaintBitmap();
    EXPECT_EQ(clock->OrbitComputations(), computed + 1);
}

TEST_F(DockClock, FloatingEdgesSizeItNeverBelowTheMinimum)
{
    RECT rect;
    GetWindowRect(clock->hWnd, &rect);
    int midx = (rect.left + rect.right) / 2, midy = (rect.top + rect.bottom) / 2;
    struct {
        int x, y;
        LRESULT hit;
    } cases[] = {
        {rect.left, midy, HTLEFT},     {rect.left + 3, midy, HTLEFT},
        {rect.left + 4, midy, HTCLIENT}, {rect.right - 1, midy, HTRIGHT},
        {midx, rect.top + 2, HTTOP},   {rect.right - 2, rect.bottom - 2, HTBOTTOMRIGHT},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SendMessageA(clock->hWnd, WM_NCHITTEST, 0, MAKELPARAM(c.x, c.y)), c.hit)
            << c.x - rect.left << "," << c.y - rect.top;

    int mincx, mincy;
    clock->MinimumSize(mincx, mincy);
    ASSERT_LT(mincx, -10);
    ASSERT_LT(mincy, -10);
    int cx = -mincx, cy = -mincy;
    clock->AdjustForFrame(cx, cy);
    RECT tiny = {rect.left, rect.top, rect.left + 5, rect.top + 5};
    SendMessageA(clock->hWnd, WM_SIZING, WMSZ_TOPLEFT, reinterpret_cast<LPARAM>(&tiny));
    EXPECT_EQ(tiny.left, rect.left + 5 - cx);
    EXPECT_EQ(tiny.bottom - tiny.top, cy);
}

TEST_F(DockClock, AFloatingClockComesBackWhereItWas)
{
    RECT rect;
    GetWindowRect(clock->hWnd, &rect);  // nothing stored: beside where it was made
    EXPECT_EQ(rect.left, 64);
    EXPECT_EQ(rect.top, 64);
    EXPECT_EQ(rect.right - rect.left, 200);
    MoveWindow(clock->hWnd, 120, 130, 150, 80, TRUE);
    SendMessageA(clock->hWnd, WM_EXITSIZEMOVE, 0, 0);
    DOCKCLOCK again(parent, CLOCK_ID, "tip", key.Name().c_str(), "DockClock", 0, 0x20, 0, 0, 100, 40);
    GetWindowRect(again.hWnd, &rect);
    EXPECT_EQ(rect.left, 120);
    EXPECT_EQ(rect.top, 130);
    EXPECT_EQ(rect.right, 270);
    EXPECT_EQ(rect.bottom, 210);
}

// The refresh thread draws on its own until the clock is stopped.
TEST_F(DockClock, TheThreadRedrawsUntilStopped)
{
    LOGCAPTURE log;
    clock->SetOverrides("running", nullptr);
    for (DWORD start = GetTickCount(); GetTickCount() - start < 5000;) {
        if (!strcmp(clock->LastTimeText().Text(), "running")) break;
        Sleep(10);
    }
    EXPECT_STREQ(clock->LastTimeText().Text(), "running");
    clock->StopUpdating();
    clock->SetOverrides("stopped", nullptr);
    Sleep(20 * DOCKCLOCK_REFRESH_MS);  // what must not happen has no event to wait for
    EXPECT_STREQ(clock->LastTimeText().Text(), "running");
    const std::string& text = log.Text();
    EXPECT_THAT(text, testing::HasSubstr("DOCKCLOCK::StopUpdating"));
    EXPECT_THAT(text, testing::HasSubstr("DOCKCLOCK::Workthread empty loop"));
}

TEST(DockClockZone, TheFourModes)
{
    const RECT zone = {100, 100, 500, 400};
    struct {
        int mode, x, y;
        bool in;
    } cases[] = {
        {DOCKZONE_TOP, 101, 100, true},      {DOCKZONE_TOP, 499, 139, true},
        {DOCKZONE_TOP, 100, 120, false},     {DOCKZONE_TOP, 500, 120, false},
        {DOCKZONE_TOP, 300, 140, false},     {DOCKZONE_TOP, 300, 99, false},
        {DOCKZONE_BOTTOM, 300, 400, true},   {DOCKZONE_BOTTOM, 300, 361, true},
        {DOCKZONE_BOTTOM, 300, 360, false},  {DOCKZONE_BOTTOM, 500, 380, false},
        {DOCKZONE_LEFTRIGHT, 100, 250, true}, {DOCKZONE_LEFTRIGHT, 179, 100, true},
        {DOCKZONE_LEFTRIGHT, 180, 250, false}, {DOCKZONE_LEFTRIGHT, 421, 400, true},
        {DOCKZONE_LEFTRIGHT, 300, 250, false}, {DOCKZONE_LEFTRIGHT, 150, 401, false},
        {DOCKZONE_RIGHT, 150, 250, false},   {DOCKZONE_RIGHT, 500, 250, true},
        {DOCKZONE_RIGHT, 420, 250, false},   {DOCKZONE_RIGHT, 450, 99, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DOCKWINDOW::InDockZone(zone, c.mode, POINT{c.x, c.y}, 80, 40), c.in)
            << c.mode << ": " << c.x << "," << c.y;
}

TEST_F(DockClock, ADropInTheZoneDocksAndADragFloatsAgain)
{
    RECT zone;
    GetClientRect(parent, &zone);
    MapWindowPoints(parent, nullptr, reinterpret_cast<POINT*>(&zone), 2);
    clock->SetDockRect(zone.left, zone.top, zone.right, zone.bottom, DOCKZONE_TOP);
    RECT rect;
    GetWindowRect(clock->hWnd, &rect);
    POINT grip = {rect.left + 10, rect.top + 10};

    // Dropped outside the zone it stays floating and keeps its place.
    POINT outside = {zone.right + 50, zone.top + 5};
    Mouse(WM_LBUTTONDOWN, grip);
    EXPECT_EQ(GetCapture(), clock->hWnd);
    Mouse(WM_MOUSEMOVE, outside);
    Mouse(WM_LBUTTONUP, outside);
    GetWindowRect(clock->hWnd, &rect);
    EXPECT_EQ(rect.left, outside.x - 10);
    EXPECT_TRUE(clock->IsFloating());
    EXPECT_EQ(key.Value("DockClockPosMax"), "0");

    POINT inside = {zone.left + 50, zone.top + 5};
    Mouse(WM_LBUTTONDOWN, outside);
    Mouse(WM_MOUSEMOVE, inside);
    Mouse(WM_LBUTTONUP, inside);
    EXPECT_TRUE(clock->IsDocked());
    EXPECT_EQ(GetParent(clock->hWnd), parent);
    EXPECT_TRUE(GetWindowLongPtrA(clock->hWnd, GWL_STYLE) & WS_CHILD);
    EXPECT_EQ(GetDlgCtrlID(clock->hWnd), CLOCK_ID);
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, parent, WM__DOCKWINDOWCHANGED, WM__DOCKWINDOWCHANGED, PM_REMOVE));
    EXPECT_EQ(msg.wParam, static_cast<WPARAM>(CLOCK_ID));
    EXPECT_EQ(msg.lParam, 1);

    // Docked it draws, but not while the parent is minimised.
    clock->SetOverrides("docked", nullptr);
    clock->PaintBitmap();
    EXPECT_STREQ(clock->LastTimeText().Text(), "docked");
    ShowWindow(parent, SW_MINIMIZE);
    clock->SetOverrides("minimised", nullptr);
    clock->PaintBitmap();
    EXPECT_STREQ(clock->LastTimeText().Text(), "docked");
    ShowWindow(parent, SW_RESTORE);
    pump();

    // Pressing the button on the docked clock makes it float.
    Mouse(WM_LBUTTONDOWN, inside);
    EXPECT_TRUE(clock->IsFloating());
    EXPECT_FALSE(GetWindowLongPtrA(clock->hWnd, GWL_STYLE) & WS_CHILD);
    ASSERT_TRUE(PeekMessageA(&msg, parent, WM__DOCKWINDOWCHANGED, WM__DOCKWINDOWCHANGED, PM_REMOVE));
    EXPECT_EQ(msg.lParam, 0);
    Mouse(WM_LBUTTONUP, outside);
}

TEST_F(DockClock, TextIsDrawnInTheClocksColour)
{
    const COLORREF colour = RGB(0x20, 0xE0, 0x40);
    ClientSize(200, 100);
    clock->PaintBitmap();
    EXPECT_EQ(Count(colour), 0);
    clock->SetTextColour(colour);
    clock->PaintBitmap();
    EXPECT_GT(Count(colour), 0);
}

// The measure of a leak: the process's private memory after many paints that change
// size, font and colours on the way.
TEST_F(DockClock, ManyPaintsLeaveNothingBehind)
{
    clock->SetAnimation(true);
    LOGFONTA fonts[2] = {};
    for (int i = 0; i < 2; i++) {
        fonts[i].lfHeight = 14 + 6 * i;
        fonts[i].lfWeight = 700 - 300 * i;
        strcpy(fonts[i].lfFaceName, i ? "Times New Roman" : "Arial");
    }
    auto paint = [&](int i) {
        if (i % 500 == 0) ClientSize(150 + 100 * (i / 500 % 2), 100 + 50 * (i / 500 % 3));
        if (i % 1000 == 0) clock->SetFont(fonts[i / 1000 % 2]);
        if (i % 250 == 0) {
            int k = i / 250;
            clock->SetTextColour(RGB(0x80 + k, 0xC0, 0x40));
            clock->SetBackground(RGB(0, k, 0));
            clock->SetGrid(RGB(0, 0, k));
        }
        clock->PaintBitmap();
    };
    for (int i = 0; i < 500; i++) paint(i);
    int roombefore, roomafter;
    {
        CRITSECTLOCK lock(clock->Lock());  // the refresh thread makes nothing meanwhile
        roombefore = gdi_room();
    }
    long long before = private_bytes();  // after the heap took the objects of the count
    for (int i = 0; i < 10000; i++) paint(i);
    long long after = private_bytes();
    {
        CRITSECTLOCK lock(clock->Lock());
        roomafter = gdi_room();
    }
    printf("private memory %lld -> %lld bytes, room for drawing objects %d -> %d\n", before,
           after, roombefore, roomafter);
    ASSERT_GT(before, 0);
    EXPECT_LT(after - before, 2 * 1024 * 1024);
    EXPECT_GT(roombefore, 1000);
    EXPECT_GE(roomafter, roombefore - 6);  // a font lost per change would be 10

    HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
    HPEN pen = CreatePen(PS_SOLID, 1, RGB(1, 2, 3));
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 50, 50);
    EXPECT_TRUE(brush && pen && bitmap);
    DeleteObject(brush);
    DeleteObject(pen);
    DeleteObject(bitmap);
    ReleaseDC(nullptr, screen);

    const COLORREF colour = RGB(0x20, 0xE0, 0x40);
    clock->SetTextColour(colour);
    clock->PaintBitmap();
    EXPECT_GT(Count(colour), 0);
    EXPECT_GT(clock->LastTimeText().Length(), 0);
}
