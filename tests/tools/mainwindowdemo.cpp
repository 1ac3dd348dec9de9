// Starts horalink.exe for the pictures of scripts/screenshots and opens what a
// picture is to show, as a user would: a menu of the menu bar, the tray icon's menu,
// the about box or the dock clock's menu. horalink gets a data folder of its own with
// the settings of a good check (or of a wrong one), so that its title, tool tip,
// status list, dock clock and menus show a real state.
//
//   mainwindowdemo [/show:menu | /show:traymenu | /show:about | /show:suspended |
//                   /show:wrong | /show:floating | /show:transparent | /show:clockmenu |
//                   /show:assistant]
//
// Without /show the main window (and the tray icon) are left as they come up, the
// clock docked; the last check was a minute ago, the next one is hours away.
// /show:assistant registers the tests' stand-in character server (agentstandin.dll
// beside this program), switches the assistant on and starts a check of a server that
// never answers, so that the character searches for the picture.
#include "appmessages.h"
#include "horalinkres.h"
#include "kelvoapp.h"
#include "osys.h"
#include "registry.h"
#include "strings.h"

#include <windows.h>

#include <cstdio>
#include <string>

static const char SETTINGS[] =
    "ConnectionType=0\r\nVersion=1.00\r\nTimeCyclic=8\r\nTimeServer=pool.ntp.org\r\n"
    "LastTimeServer=pool.ntp.org\r\nTimeLastOK=1 OK\r\nTimeErrCount=0\r\n"
    "TimeLastTimeDelta=00000000.05e353f7\r\nNotifyDoSound=0\r\nClockTenths=0\r\n";
static const char GOOD[] =
    "TimeLastQuality=0\r\nTimeLastValueMs=23\r\nTimeLastDiffNice=+0.02 s\r\n"
    "TimeLastStatus=Clock: exact\r\nTimeLastStatus2=No correction needed\r\n";
static const char WRONG[] =
    "TimeLastQuality=2\r\nTimeLastValueMs=312400\r\nTimeLastDiffNice=-5 min, 12.4 s\r\n"
    "TimeLastStatus=Clock: wrong\r\nTimeLastStatus2=The clock needs to be set\r\n";
// The floating clock's place, below "Software\Kelvo\Horalink": left, top, right, bottom.
static const LONG FLOATING_PLACE[4] = {40, 60, 300, 140};

static HWND wait_for_window(DWORD pid)
{
    for (int i = 0; i < 300; i++) {
        HWND hwnd = nullptr;
        while ((hwnd = FindWindowExA(nullptr, hwnd, "KelvoHoralinkWinClass", nullptr)) != nullptr) {
            DWORD owner = 0;
            GetWindowThreadProcessId(hwnd, &owner);
            if (owner == pid && IsWindowVisible(hwnd)) return hwnd;
        }
        Sleep(100);
    }
    return nullptr;
}

int main()
{
    KELVOAPP::PrepareArguments(GetModuleHandleA(nullptr), GetCommandLineA());
    STRING show = GetArgValue("SHOW", 0);

    char temp[MAX_PATH] = "";
    GetTempPathA(sizeof temp, temp);
    std::string folder = std::string(temp) + "horalinkdemo";
    CreateDirectoryA(folder.c_str(), nullptr);
    FILE* f = fopen((folder + "\\horalink.cfg").c_str(), "wb");
    if (!f) return 1;
    unsigned long now = OSYS::Time();
    bool floating = show == "floating" || show == "transparent" || show == "clockmenu";
    bool assistant = show == "assistant";
    std::string settings = SETTINGS;
    if (assistant) settings.replace(settings.find("TimeServer=pool.ntp.org"), 23, "TimeServer=127.0.0.1");
    fprintf(f, "%s%sTimeLastRefresh=%lu\r\nTimeNextRefresh=%lu\r\nClockDocked=%d\r\n", settings.c_str(),
            show == "wrong" ? WRONG : GOOD, now - 60, now + 8 * 3600, floating ? 0 : 1);
    if (show == "transparent") fprintf(f, "ClockDoTransparency=1\r\nClockTransparency=1\r\n");
    if (assistant) {
        fprintf(f, "AgentSupportActive=1\r\nAgentPosX=380\r\nAgentPosY=220\r\n");
        HMODULE standin = LoadLibraryA((std::string(KELVOAPP::ProgramDir()) + "\\agentstandin.dll").c_str());
        typedef HRESULT(STDAPICALLTYPE * REGISTER)();
        REGISTER reg = standin ? reinterpret_cast<REGISTER>(reinterpret_cast<void*>(GetProcAddress(standin, "DllRegisterServer"))) : nullptr;
        if (!reg || FAILED(reg())) return 1;
    }
    fclose(f);
    // No tip of the day in front of the picture; the floating clock where it shows.
    REGISTRY registry("Horalink", "Software\\Kelvo", REGISTRY_CURRENTUSER);
    registry.Write("TipOfDayStyle", "0");
    registry.Write("DockClockPos", FLOATING_PLACE, sizeof FLOATING_PLACE);

    std::string program = std::string(KELVOAPP::ProgramDir()) + "\\..\\bin\\horalink.exe";
    std::string line = "\"" + program + "\" \"/WORKDIR:" + folder + "\"" + (assistant ? " /CHECK" : "");
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return 1;
    HWND window = wait_for_window(pi.dwProcessId);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    if (!window) return 1;

    SetForegroundWindow(window);
    Sleep(500);
    RECT r;
    GetWindowRect(window, &r);
    if (show == "menu") {
        PostMessageA(window, WM_SYSCOMMAND, SC_KEYMENU, 't');
    } else if (show == "traymenu") {
        // The menu opens at the cursor, as after a right click on the icon.
        SetCursorPos(r.left - 20, r.top + 40);
        PostMessageA(window, WM__TASKBAR, 1, WM_RBUTTONDOWN);
    } else if (show == "about") {
        PostMessageA(window, WM_COMMAND, IDM_ABOUT, 0);
    } else if (show == "suspended") {
        PostMessageA(window, WM_COMMAND, IDM_SUSPEND, 0);
    } else if (show == "clockmenu") {
        // A right click on the clock, as a user makes it.
        HWND clock = FindWindowA("Kelvo_ChartWindow", nullptr);
        if (!clock) return 1;
        RECT c;
        GetWindowRect(clock, &c);
        SetCursorPos(c.left + 30, c.top + 20);
        PostMessageA(clock, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(30, 20));
        PostMessageA(clock, WM_RBUTTONUP, 0, MAKELPARAM(30, 20));
    }
    return 0;
}
