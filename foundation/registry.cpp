// REGISTRY: opening a key by root, base key and application name, reading and
// writing its values, deleting values and sub-keys, listing value names; and the
// autostart value of the current user's Run key.
#include "registry.h"

#include "kelvo.h"
#include "kelvoapp.h"

#include <shlwapi.h>

#include <cstdio>
#include <cstring>
#include <vector>

static const char RUN_KEY[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

static bool is_text(DWORD type)
{
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

static const char* value_label(const char* value) { return value ? value : "<default>"; }

// ---------------------------------------------------------------- opening

STRING REGISTRY::JoinKeyPath(const char* basekey, const char* app)
{
    STRING path;
    path.Make(0, "");
    if (basekey && *basekey) {
        path.Append(basekey);
        if (path[path.Length() - 1] != '\\') path.Append("\\");
    }
    if (app) {
        while (*app == '\\') app++;
        path.Append(app);
    }
    while (path.RemoveTrailing('\\')) {
    }
    return path;
}

REGISTRY::REGISTRY(const char* app, const char* basekey, INT_PTR user)
    : hKey(nullptr), hRoot(nullptr), Error(ERROR_INVALID_HANDLE)
{
    if (!app) app = "";
    HKEY root = user == REGISTRY_LOCALMACHINE  ? HKEY_LOCAL_MACHINE
                : user == REGISTRY_CURRENTUSER ? HKEY_CURRENT_USER
                                               : reinterpret_cast<HKEY>(user);
    if (ASSERT(app[0]!='<')) Open(root, basekey, app, REGISTRY_CREATE);
    if (!hKey)
        LogitLevel(2, "REGISTRY::Constructor failed for app=%s, basekey=%s, user=%lld\n", app,
                   basekey ? basekey : "", static_cast<long long>(user));
}

REGISTRY::REGISTRY(HKEY root, const char* basekey, const char* app, int mode)
    : hKey(nullptr), hRoot(nullptr), Error(ERROR_INVALID_HANDLE)
{
    if (mode != REGISTRY_READ && mode != REGISTRY_WRITE && mode != REGISTRY_CREATE) {
        char info[40];
        snprintf(info, sizeof info, "REGISTRY mode %d", mode);
        ASSERTTEXT(false, "FALSE", info);
        return;
    }
    Open(root, basekey, app, mode);
    if (!hKey)
        LogitLevel(2, "REGISTRY::Constructor failed for app=%s, basekey=%s, mode=%d\n",
                   app ? app : "", basekey ? basekey : "", mode);
}

void REGISTRY::Open(HKEY root, const char* basekey, const char* app, int mode)
{
    hRoot = root;
    Path = JoinKeyPath(basekey, app);
    if (mode == REGISTRY_CREATE)
        Error = RegCreateKeyExA(root, Path.Text(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                KEY_READ | KEY_WRITE, nullptr, &hKey, nullptr);
    else
        Error = RegOpenKeyExA(root, Path.Text(), 0, mode == REGISTRY_READ ? KEY_READ : KEY_WRITE,
                              &hKey);
    if (Error != ERROR_SUCCESS) hKey = nullptr;
}

REGISTRY::~REGISTRY()
{
    if (hKey) RegCloseKey(hKey);
}

// ---------------------------------------------------------------- values

bool REGISTRY::Read(const char* value, void* buffer, DWORD* size)
{
    if (!ASSERT(buffer && size)) return false;
    DWORD capacity = *size;
    DWORD type = REG_NONE;
    Error = hKey ? RegQueryValueExA(hKey, value, nullptr, &type, static_cast<BYTE*>(buffer), size)
                 : ERROR_INVALID_HANDLE;
    bool ok = Error == ERROR_SUCCESS;
    if (ok && is_text(type) && *size < capacity) static_cast<char*>(buffer)[*size] = 0;
    LogitLevel(2, "REGISTRY::Read key=%s, ok=%d, error=%d\n", value_label(value), ok,
               static_cast<int>(Error));
    return ok;
}

STRING REGISTRY::Read(const char* value)
{
    std::vector<char> data(REGISTRY_MAXREAD);
    DWORD size = REGISTRY_MAXREAD;
    DWORD type = REG_NONE;
    Error = hKey ? RegQueryValueExA(hKey, value, nullptr, &type,
                                    reinterpret_cast<BYTE*>(data.data()), &size)
                 : ERROR_INVALID_HANDLE;
    if (Error == ERROR_MORE_DATA) {
        // Longer values are read whole and cut, since a short read leaves the buffer undefined.
        data.resize(size);
        Error = RegQueryValueExA(hKey, value, nullptr, &type,
                                 reinterpret_cast<BYTE*>(data.data()), &size);
        if (size > static_cast<DWORD>(REGISTRY_MAXREAD)) size = REGISTRY_MAXREAD;
    }
    bool ok = Error == ERROR_SUCCESS;
    LogitLevel(2, "REGISTRY::Read key=%s, ok=%d, error=%d\n", value_label(value), ok,
               static_cast<int>(Error));
    if (!ok) return STRING();
    if (is_text(type))
        while (size > 0 && data[size - 1] == 0) size--;
    return STRING(data.data(), static_cast<int>(size));
}

bool REGISTRY::Write(const char* value, const char* text)
{
    if (!ASSERT(text)) return false;
    // Stored with its terminator: a text without one makes careless readers run past its end.
    DWORD length = static_cast<DWORD>(strlen(text)) + 1;
    Error = hKey ? RegSetValueExA(hKey, value, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), length)
                 : ERROR_INVALID_HANDLE;
    LogitLevel(2, "REGISTRY::Write String value= %s; data=%s, error=%08x\n", value_label(value),
               text, static_cast<unsigned>(Error));
    return Error == ERROR_SUCCESS;
}

bool REGISTRY::Write(const char* value, const void* data, int length)
{
    if (!ASSERT(length >= 0 && (data || length == 0))) return false;
    Error = hKey ? RegSetValueExA(hKey, value, 0, REG_BINARY, static_cast<const BYTE*>(data),
                                  static_cast<DWORD>(length))
                 : ERROR_INVALID_HANDLE;
    LogitLevel(2, "REGISTRY::Write binary value= %s, error=%08x\n", value_label(value),
               static_cast<unsigned>(Error));
    return Error == ERROR_SUCCESS;
}

bool REGISTRY::Delete(const char* value)
{
    Error = hKey ? RegDeleteValueA(hKey, value) : ERROR_INVALID_HANDLE;
    LogitLevel(2, "REGISTRY::delete value= %s, error=%d\n", value_label(value),
               static_cast<int>(Error));
    return Error == ERROR_SUCCESS;
}

bool REGISTRY::Delete(const char* subkey, bool all)
{
    // An empty name would make the tree deletion empty this key itself.
    if (!ASSERT(subkey && *subkey)) return false;
    if (!hKey)
        Error = ERROR_INVALID_HANDLE;
    else
        Error = all ? static_cast<LONG>(SHDeleteKeyA(hKey, subkey)) : RegDeleteKeyA(hKey, subkey);
    LogitLevel(2, "REGISTRY::delete key= %s, error=%d\n", subkey, static_cast<int>(Error));
    return Error == ERROR_SUCCESS;
}

STRINGARRAY REGISTRY::ValueNames()
{
    STRINGARRAY names;
    if (!hKey) {
        Error = ERROR_INVALID_HANDLE;
        return names;
    }
    char name[512];
    for (DWORD i = 0;; i++) {
        DWORD length = sizeof name;
        LONG rc = RegEnumValueA(hKey, i, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_MORE_DATA) continue;  // a name beyond 511 characters is passed over
        if (rc != ERROR_SUCCESS) {
            Error = rc == ERROR_NO_MORE_ITEMS ? ERROR_SUCCESS : rc;
            break;
        }
        names.Add(STRING(name, static_cast<int>(length)));
    }
    return names;
}

int REGISTRY::ValueNames(STRING& joined)
{
    STRINGARRAY names = ValueNames();
    joined.Make(0, "");
    for (int i = 0; i < names.GetCount(); i++) {
        if (i > 0) joined.Append("|");
        joined += names[i];
    }
    return names.GetCount();
}

// ---------------------------------------------------------------- autostart

bool SetAutoStart(const char* name, const char* command)
{
    if (!ASSERT(name && *name)) return false;
    REGISTRY run(HKEY_CURRENT_USER, RUN_KEY, "", REGISTRY_CREATE);
    if (!command) {
        // Removing a value that is not there leaves the wanted state.
        return run.Delete(name) || run.LastError() == ERROR_FILE_NOT_FOUND;
    }
    STRING self(KELVOAPP::ProgramPath());
    STRING given(command);
    if (given == AUTOSTART_SELF || given == "<ownfile>" || given == self) {
        STRING quoted;
        quoted.Format("\"%s\"", self.Text());
        return run.Write(name, quoted.Text());
    }
    return run.Write(name, command);
}

bool SetAutoStart(const char* name, bool self) { return SetAutoStart(name, self ? AUTOSTART_SELF : nullptr); }
