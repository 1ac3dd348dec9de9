// Shows one page of setup.exe's wizard for the screenshots: copies the build's install
// folder (dist) with the stand-in plug-in into a folder of its own, tells the plug-in
// to start the wizard on the step given as the first argument, and runs setup.exe there
// with the remaining arguments (for example /LANG:GER) until it ends.
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

int main(int argc, char** argv)
{
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
