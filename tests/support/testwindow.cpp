// Plain top-level windows for tests, and the pop-up menu answerer.
#include "testwindow.h"

#include "testdialogs.h"

#include <cstdio>

HWND CreateTestWindow(const char* title, WNDPROC proc, DWORD style, int x, int y, int cx, int cy,
                      HMENU menu)
{
    if (!proc) proc = DefWindowProcA;
    char cls[64];
    snprintf(cls, sizeof cls, "KelvoTestWindow%p", reinterpret_cast<void*>(proc));
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA wc = {};
    if (!GetClassInfoA(instance, cls, &wc)) {
        wc.lpfnWndProc = proc;
        wc.hInstance = instance;
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        wc.lpszClassName = cls;
        if (!RegisterClassA(&wc)) return nullptr;
    }
    return CreateWindowA(cls, title, style, x, y, cx, cy, nullptr, menu, instance, nullptr);
}

std::thread AnswerPopupMenu(MENUSEEN* seen, std::vector<WPARAM> keys)
{
    return std::thread([seen, keys]() {
        HWND menu = WaitForWindowOfClass("#32768", GetCurrentProcessId(), 10000);
        if (!menu) return;
        seen->menuwindow = menu;
        seen->foreground = GetForegroundWindow();
        GetWindowRect(menu, &seen->rect);
        if (keys.empty()) PostMessageA(menu, WM_CANCELMODE, 0, 0);
        for (WPARAM key : keys) PostMessageA(menu, WM_KEYDOWN, key, 1);
    });
}
