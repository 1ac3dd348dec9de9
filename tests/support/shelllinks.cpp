// Shortcut files read back through the shell.
#include "shelllinks.h"

#include <windows.h>
#include <shlobj.h>

// A .LNK file read back through the shell: "path|arguments|working folder|icon,index".
std::string ReadShellLink(const std::string& file)
{
    IShellLinkA* link = nullptr;
    IPersistFile* persist = nullptr;
    std::string seen = "<unreadable>";
    WCHAR name[2 * MAX_PATH] = L"";
    MultiByteToWideChar(CP_ACP, 0, file.c_str(), -1, name, 2 * MAX_PATH);
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&link))))
        return seen;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist)))) {
        if (SUCCEEDED(persist->Load(name, STGM_READ))) {
            char path[MAX_PATH] = "", arguments[MAX_PATH] = "", folder[MAX_PATH] = "", icon[MAX_PATH] = "";
            int index = -1;
            link->GetPath(path, MAX_PATH, nullptr, SLGP_RAWPATH);
            link->GetArguments(arguments, MAX_PATH);
            link->GetWorkingDirectory(folder, MAX_PATH);
            link->GetIconLocation(icon, MAX_PATH, &index);
            seen = std::string(path) + "|" + arguments + "|" + folder + "|" + icon + "," + std::to_string(index);
        }
        persist->Release();
    }
    link->Release();
    return seen;
}
