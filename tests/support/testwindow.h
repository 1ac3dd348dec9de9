// Plain top-level windows for tests that need an owner or a parent window (one
// window class per procedure, registered on first use), and answering the pop-up
// menu that the test's own thread is tracking.
#pragma once

#include <windows.h>

#include <thread>
#include <vector>

// A top-level window with procedure proc (null: the default procedure); null on failure.
HWND CreateTestWindow(const char* title, WNDPROC proc = nullptr,
                      DWORD style = WS_OVERLAPPEDWINDOW, int x = 0, int y = 0, int cx = 300,
                      int cy = 200, HMENU menu = nullptr);

// What the helper saw of the pop-up menu window ("#32768") while it was open.
struct MENUSEEN {
    HWND menuwindow = nullptr;
    HWND foreground = nullptr;
    RECT rect = {0, 0, 0, 0};
};

// From a thread of its own: waits for this process's pop-up menu window, notes what it
// sees, then posts the keys to it as WM_KEYDOWN (no keys: WM_CANCELMODE closes it).
std::thread AnswerPopupMenu(MENUSEEN* seen, std::vector<WPARAM> keys);
