// The scratch registry key of a test.
#include "scratchkey.h"

#include <windows.h>
#include <shlwapi.h>

#include <cstdio>

SCRATCHKEY::SCRATCHKEY()
{
    char text[64];
    snprintf(text, sizeof text, "Test%lu_%lu", GetCurrentProcessId(), GetTickCount());
    name = text;
    path = "Software\\Kelvo\\" + name;
}

SCRATCHKEY::~SCRATCHKEY() { SHDeleteKeyA(HKEY_CURRENT_USER, path.c_str()); }

bool SCRATCHKEY::Exists() const
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

std::string SCRATCHKEY::Value(const char* value) const
{
    char buf[4096];
    DWORD size = sizeof buf;
    if (RegGetValueA(HKEY_CURRENT_USER, path.c_str(), value, RRF_RT_REG_SZ, nullptr, buf, &size) !=
        ERROR_SUCCESS)
        return "<none>";
    return buf;
}

bool SCRATCHKEY::SetValue(const char* value, const std::string& text) const
{
    return RegSetKeyValueA(HKEY_CURRENT_USER, path.c_str(), value, REG_SZ, text.c_str(),
                           static_cast<DWORD>(text.size() + 1)) == ERROR_SUCCESS;
}
