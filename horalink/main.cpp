// horalink's entry: loads the language library and runs the main window until it closes.
#include "horalinkres.h"
#include "kelvo.h"
#include "kelvoapp.h"
#include "osys.h"
#include "version.h"

static const char MAIN_WINDOW_CLASS[] = "KelvoHoralinkWinClass";

static LRESULT CALLBACK main_window_proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    LogitHotKey(message, wParam, lParam);
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

int AppMain(int, char**, void*)
{
    LoadLanguageLibrary(KELVOAPP::ProgramPath(), HORALINK_NAME, HORALINK_VERSION);
    STRING title = OSYS::GetStringFromResource(IDS_TITLE);
    LogStartBanner(title.Text(), HORALINK_VERSION);

    WNDCLASSA wc = {};
    wc.lpfnWndProc = main_window_proc;
    wc.hInstance = KELVOAPP::Instance();
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = MAIN_WINDOW_CLASS;
    if (!ASSERT(RegisterClassA(&wc))) return 1;
    HWND hwnd = CreateWindowExA(0, MAIN_WINDOW_CLASS, title.Text(), WS_OVERLAPPEDWINDOW,
                                CW_USEDEFAULT, CW_USEDEFAULT, 300, 350, nullptr, nullptr,
                                KELVOAPP::Instance(), nullptr);
    if (!ASSERT(hwnd)) return 1;
    ShowWindow(hwnd, SW_SHOWNORMAL);
    UpdateWindow(hwnd);
    KELVOAPP::MainDispatchLoop(hwnd, 0);
    Logit("main::~main\n");
    return 0;
}
