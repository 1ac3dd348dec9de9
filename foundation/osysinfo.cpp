// What the system tells about itself: its type, the user's folders, resource
// strings, error texts, computer and user name, and whether files exist.
#include "osys.h"

#include "kelvo.h"
#include "kelvoapp.h"
#include "registry.h"

#include <cstdio>
#include <vector>

int OSYS::GetOSType()
{
    OSVERSIONINFOA v;
    v.dwOSVersionInfoSize = sizeof v;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    BOOL ok = GetVersionExA(&v);
#pragma GCC diagnostic pop
    if (!ok) return 5;
    LogitLevel(1, "OSYS::GetOSType %d.%d\n", static_cast<int>(v.dwMajorVersion),
               static_cast<int>(v.dwMinorVersion));
    if (v.dwPlatformId != VER_PLATFORM_WIN32_NT) return 0;
    if (v.dwMajorVersion <= 4) return 1;
    if (v.dwMajorVersion == 5) {
        if (v.dwMinorVersion == 0) return 2;
        if (v.dwMinorVersion == 1) return 3;
        return 4;
    }
    return 5;
}

struct SYSTEMFOLDER {
    int which;
    const char* value;
    HKEY root;
    const char* key;
};

static const char SHELL_FOLDERS[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

static const SYSTEMFOLDER SYSTEM_FOLDERS[] = {
    {0, "Programs", HKEY_CURRENT_USER, SHELL_FOLDERS},
    {1, "Startup", HKEY_CURRENT_USER, SHELL_FOLDERS},
    {2, "ProgramFilesDir", HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion"},
    {5, "AppData", HKEY_CURRENT_USER, SHELL_FOLDERS},
    {6, "Personal", HKEY_CURRENT_USER, SHELL_FOLDERS},
    {7, "My Pictures", HKEY_CURRENT_USER, SHELL_FOLDERS},
    {8, "Desktop", HKEY_CURRENT_USER, SHELL_FOLDERS},
    {9, "SendTo", HKEY_CURRENT_USER, SHELL_FOLDERS},
    {10, "Common Programs", HKEY_LOCAL_MACHINE, SHELL_FOLDERS},
    {11, "Common Startup", HKEY_LOCAL_MACHINE, SHELL_FOLDERS},
    {12, "Common Documents", HKEY_LOCAL_MACHINE, SHELL_FOLDERS},
    {13, "Common AppData", HKEY_LOCAL_MACHINE, SHELL_FOLDERS},
};

STRING GetWin32SystemPath(int which)
{
    const SYSTEMFOLDER* folder = nullptr;
    for (const SYSTEMFOLDER& f : SYSTEM_FOLDERS)
        if (f.which == which) folder = &f;
    char info[40];
    snprintf(info, sizeof info, "GetWin32SystemPath %d", which);
    STRING result;
    result.Make(0, "");
    if (!folder) {
        ASSERTTEXT(false, "FALSE", info);
        return result;
    }
    REGISTRY key(folder->root, folder->key, "", REGISTRY_READ);
    STRING value = key.Read(folder->value);
    if (value.IsNull()) {
        ASSERTTEXT(false, "rc==ERROR_SUCCESS", info);
        return result;
    }
    DWORD n = ExpandEnvironmentStringsA(value.Text(), nullptr, 0);
    std::vector<char> expanded(n > 0 ? n : 1);
    if (n > 0 && ExpandEnvironmentStringsA(value.Text(), expanded.data(), n) == n)
        result = expanded.data();
    else
        result = value;
    if (result.Length() > 0 && result[result.Length() - 1] != '\\') result.Append("\\");
    return result;
}

STRING OSYS::GetStringFromResource(int id, HINSTANCE module)
{
    if (module == RESOURCE_MODULE) module = KELVOAPP::ResourceModule();
    char buf[256];
    int n = LoadStringA(module, static_cast<UINT>(id), buf, sizeof buf);
    STRING s(n > 0 ? buf : "<STR-ERR>");
    LogitLevel(12, "OSYS::GetStringFromResource %d returns %s\n", id, s.Text());
    return s;
}

STRING OSYS::GetLongStringFromResource(int id, HINSTANCE module)
{
    if (module == RESOURCE_MODULE) module = KELVOAPP::ResourceModule();
    // Read in place: the resource itself holds the text and its length.
    const wchar_t* wide = nullptr;
    int n = LoadStringW(module, static_cast<UINT>(id), reinterpret_cast<LPWSTR>(&wide), 0);
    if (n <= 0 || !wide) return STRING("<STR-ERR>");
    int bytes = WideCharToMultiByte(CP_ACP, 0, wide, n, nullptr, 0, nullptr, nullptr);
    STRING text;
    text.Make(bytes, nullptr);
    WideCharToMultiByte(CP_ACP, 0, wide, n, text.Data(), bytes, nullptr, nullptr);
    return text;
}

STRING OSYS::GetComputerName()
{
    char buf[MAX_COMPUTERNAME_LENGTH + 1];
    DWORD size = sizeof buf;
    if (!::GetComputerNameA(buf, &size)) return STRING("<N/A>");
    return STRING(buf);
}

STRING OSYS::GetUserName()
{
    char buf[257];
    DWORD size = sizeof buf;
    if (!::GetUserNameA(buf, &size)) return STRING();
    return STRING(buf);
}

STRING ErrorText(long code)
{
    DWORD error = code == ERRORTEXT_LASTERROR ? GetLastError() : static_cast<DWORD>(code);
    char* text = nullptr;
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS |
                                 FORMAT_MESSAGE_ALLOCATE_BUFFER,
                             nullptr, error, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    if (n == 0 || !text) return STRING("<no error>");
    STRING s(text, n > 255 ? 255 : static_cast<int>(n));
    LocalFree(text);
    while (s.RemoveTrailing('\n') || s.RemoveTrailing('\r')) {
    }
    return s;
}

bool OSYS::FileExists(const char* name)
{
    if (!name || !*name) return false;
    return GetFileAttributesA(name) != INVALID_FILE_ATTRIBUTES;
}

long long OSYS::FileSize(const char* name)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!name || !*name || !GetFileAttributesExA(name, GetFileExInfoStandard, &data)) return -1;
    return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

bool OSYS::FileIsDirectory(const char* name)
{
    if (!name || !*name) return false;
    DWORD attributes = GetFileAttributesA(name);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}
