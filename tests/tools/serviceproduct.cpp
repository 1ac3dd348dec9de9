// Stand-in product for the service tests, started by service.exe as the service's
// program. It writes how it was started (command line, working folder) to
// "serviceproduct.out" beside itself and then does what "serviceproduct.mode" beside
// itself says: "exit" ends at once; "window" opens a window of class
// "KelvoServiceProductClass" and ends on WM_QUIT; "stubborn" opens that window but
// carries on after WM_QUIT, so only ending the process stops it.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

static std::string beside_me(const char* name)
{
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    std::string own(path, n);
    return own.substr(0, own.rfind('\\') + 1) + name;
}

static std::string read_mode()
{
    char mode[32] = "";
    FILE* f = fopen(beside_me("serviceproduct.mode").c_str(), "rb");
    if (!f) return "";
    size_t n = fread(mode, 1, sizeof mode - 1, f);
    fclose(f);
    mode[n] = 0;
    return mode;
}

int main()
{
    char cwd[MAX_PATH] = "";
    GetCurrentDirectoryA(sizeof cwd, cwd);
    std::string mode = read_mode();
    if (mode != "exit") {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "KelvoServiceProductClass";
        RegisterClassA(&wc);
        CreateWindowA(wc.lpszClassName, "serviceproduct", WS_OVERLAPPED, 0, 0, 100, 100, nullptr,
                      nullptr, wc.hInstance, nullptr);
    }
    // Written after the window exists: a test that read the record finds the window too.
    FILE* f = fopen(beside_me("serviceproduct.out").c_str(), "wb");
    if (f) {
        fprintf(f, "cmdline=%s\ncwd=%s\n", GetCommandLineA(), cwd);
        fclose(f);
    }
    if (mode == "exit") return 0;
    MSG msg;
    for (;;) {
        BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got == 0 && mode != "stubborn") break;
        if (got > 0) DispatchMessageA(&msg);
        if (got == 0) Sleep(100);
    }
    return 0;
}
