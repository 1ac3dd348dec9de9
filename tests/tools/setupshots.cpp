// Shows one page of setup.exe's wizard for the screenshots: copies the build's install
// folder (dist) with the stand-in plug-in into a folder of its own, tells the plug-in
// to start the wizard on the step given as the first argument, and runs setup.exe there
// with the remaining arguments (for example /LANG:GER) until it ends.
// A first argument "remove" with an uninstall step (11 feedback, 12 options, 7 removal,
// "mail" the feedback's send dialog) shows the uninstaller instead: a scratch installation of its own, recorded under a
// scratch uninstall key, removed by setup.exe -final, walked with Next to that page.
#include <windows.h>

#include <cstdio>
#include <string>

static std::string own_folder()
{
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    std::string own(path, n);
    return own.substr(0, own.rfind('\\'));
}

struct WIZARD {
    DWORD Pid;
    HWND Frame;
};

// The uninstall wizard's frame of process pid, once a page is up in it.
static BOOL CALLBACK find_wizard(HWND window, LPARAM data)
{
    WIZARD* w = reinterpret_cast<WIZARD*>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    char cls[16] = "";
    GetClassNameA(window, cls, sizeof cls);
    if (owner != w->Pid || !IsWindowVisible(window) || std::string(cls) != "#32770" ||
        !FindWindowExA(window, nullptr, "#32770", nullptr))
        return TRUE;
    w->Frame = window;
    return FALSE;
}

static int show_uninstall(const std::string& step, int argc, char** argv)
{
    std::string tests = own_folder(), dist = tests + "\\..\\dist\\";
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    std::string folder = std::string(temp) + "setupshotsremove" + step, inikey = "HoralinkShots" + step;
    CreateDirectoryA(folder.c_str(), nullptr);
    for (const char* file : {"setup.exe", "setupenglish.dll", "setupgerman.dll"})
        if (!CopyFileA((dist + file).c_str(), (folder + "\\" + file).c_str(), FALSE)) return 2;
    HKEY key = nullptr;
    std::string path = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + inikey;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr)) return 2;
    const std::pair<const char*, std::string> values[] = {{"UninstallPath", folder}, {"AppName", "Horalink"}, {"Version", "1.00"}};
    for (const auto& v : values)
        RegSetValueExA(key, v.first, 0, REG_SZ, reinterpret_cast<const BYTE*>(v.second.c_str()), static_cast<DWORD>(v.second.size() + 1));
    RegCloseKey(key);
    std::string line = "\"" + folder + "\\setup.exe\" -remove \"" + inikey + "\" -final";
    for (int i = 2; i < argc; i++) line += std::string(" ") + argv[i];
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi;
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, temp, &si, &pi)) return 3;
    int presses = step == "12" ? 1 : step == "7" ? 2 : 0;
    for (int i = 0; i < presses; i++) {
        WIZARD wizard = {pi.dwProcessId, nullptr};
        while (EnumWindows(find_wizard, reinterpret_cast<LPARAM>(&wizard)) &&
               WaitForSingleObject(pi.hProcess, 100) == WAIT_TIMEOUT) {
        }
        if (!wizard.Frame) break;
        HWND page = FindWindowExA(wizard.Frame, nullptr, "#32770", nullptr);
        PostMessageA(wizard.Frame, WM_COMMAND, MAKEWPARAM(10781, BN_CLICKED), 0);
        // The next press waits for the next page.
        while (FindWindowExA(wizard.Frame, nullptr, "#32770", nullptr) == page &&
               WaitForSingleObject(pi.hProcess, 100) == WAIT_TIMEOUT) {
        }
    }
    if (step == "mail") {
        // The feedback page with a text, and Send pressed: the send dialog opens over it.
        WIZARD wizard = {pi.dwProcessId, nullptr};
        while (EnumWindows(find_wizard, reinterpret_cast<LPARAM>(&wizard)) &&
               WaitForSingleObject(pi.hProcess, 100) == WAIT_TIMEOUT) {
        }
        HWND page = wizard.Frame ? FindWindowExA(wizard.Frame, nullptr, "#32770", nullptr) : nullptr;
        if (page) {
            SetDlgItemTextA(page, 202, "The clock of my PC is kept by the domain controller now.");
            PostMessageA(page, WM_COMMAND, MAKEWPARAM(110, BN_CLICKED), 0);
        }
    }
    WaitForSingleObject(pi.hProcess, INFINITE);
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, path.c_str());
    return 0;
}

int main(int argc, char** argv)
{
    if (argc > 2 && std::string(argv[1]) == "remove") {
        argv++;
        return show_uninstall(argv[1], argc - 1, argv);
    }
    std::string step = argc > 1 ? argv[1] : "1";
    std::string tests = own_folder(), dist = tests + "\\..\\dist\\";
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    std::string folder = std::string(temp) + "setupshots" + step;
    CreateDirectoryA(folder.c_str(), nullptr);
    for (const char* file : {"setup.exe", "setupenglish.dll", "setupgerman.dll", "setup.cfg", "setup.fil"})
        if (!CopyFileA((dist + file).c_str(), (folder + "\\" + file).c_str(), FALSE)) return 2;
    if (!CopyFileA((tests + "\\setuphook.dll").c_str(), (folder + "\\setuphook.dll").c_str(), FALSE)) return 2;
    FILE* f = fopen((folder + "\\setuphook.start").c_str(), "wb");
    if (!f) return 2;
    fputs(step.c_str(), f);
    fclose(f);
    std::string line = "\"" + folder + "\\setup.exe\"";
    for (int i = 2; i < argc; i++) line += std::string(" ") + argv[i];
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi;
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &si, &pi)) return 3;
    WaitForSingleObject(pi.hProcess, INFINITE);
    return 0;
}
