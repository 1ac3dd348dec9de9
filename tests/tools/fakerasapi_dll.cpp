// A stand-in for the remote-access library (exports named in fakerasapi_dll.def) with
// scripted phonebook entries and connections, so tests can see how the program reads
// them. Wine's own library never reports any.
#include <windows.h>
#include <ras.h>
#include <raserror.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

struct CONNECTION {
    std::string entry;
    RASCONNSTATE state;
};

static std::vector<std::string> entries;
static std::vector<CONNECTION> connections;

// The pieces of a text between "|" (none for an empty text).
static std::vector<std::string> pieces(const char* text)
{
    std::vector<std::string> result;
    std::string rest = text ? text : "";
    for (size_t bar; !rest.empty(); rest = bar == std::string::npos ? "" : rest.substr(bar + 1)) {
        bar = rest.find('|');
        result.push_back(rest.substr(0, bar));
    }
    return result;
}

// entrylist: names joined by "|"; connectionlist: "name=state" pairs joined by "|",
// state 0x2000 being connected.
extern "C" void WINAPI FakeRasScript(const char* entrylist, const char* connectionlist)
{
    entries = pieces(entrylist);
    connections.clear();
    for (const std::string& pair : pieces(connectionlist)) {
        size_t eq = pair.find('=');
        connections.push_back({pair.substr(0, eq),
                               static_cast<RASCONNSTATE>(strtoul(pair.c_str() + eq + 1, nullptr, 0))});
    }
}

extern "C" DWORD WINAPI FakeRasEnumEntriesA(LPCSTR, LPCSTR, LPRASENTRYNAMEA names, LPDWORD bytes,
                                            LPDWORD count)
{
    if (!names || names->dwSize != sizeof(RASENTRYNAMEA)) return ERROR_INVALID_SIZE;
    DWORD need = static_cast<DWORD>(entries.size() * sizeof(RASENTRYNAMEA));
    if (*bytes < need) {
        *bytes = need;
        return ERROR_BUFFER_TOO_SMALL;
    }
    for (size_t i = 0; i < entries.size(); i++) {
        names[i].dwSize = sizeof(RASENTRYNAMEA);
        snprintf(names[i].szEntryName, sizeof names[i].szEntryName, "%s", entries[i].c_str());
    }
    *count = static_cast<DWORD>(entries.size());
    return 0;
}

extern "C" DWORD WINAPI FakeRasEnumConnectionsA(LPRASCONNA list, LPDWORD bytes, LPDWORD count)
{
    if (!list || list->dwSize != sizeof(RASCONNA)) return ERROR_INVALID_SIZE;
    DWORD need = static_cast<DWORD>(connections.size() * sizeof(RASCONNA));
    if (*bytes < need) {
        *bytes = need;
        return ERROR_BUFFER_TOO_SMALL;
    }
    for (size_t i = 0; i < connections.size(); i++) {
        list[i].dwSize = sizeof(RASCONNA);
        list[i].hrasconn = reinterpret_cast<HRASCONN>(0x100 + i);
        snprintf(list[i].szEntryName, sizeof list[i].szEntryName, "%s", connections[i].entry.c_str());
    }
    *count = static_cast<DWORD>(connections.size());
    return 0;
}

extern "C" DWORD WINAPI FakeRasGetConnectStatusA(HRASCONN connection, LPRASCONNSTATUSA status)
{
    size_t i = reinterpret_cast<size_t>(connection) - 0x100;
    if (i >= connections.size()) return ERROR_INVALID_HANDLE;
    if (!status || status->dwSize != sizeof(RASCONNSTATUSA)) return ERROR_INVALID_SIZE;
    status->rasconnstate = connections[i].state;
    status->dwError = 0;
    return 0;
}

// The entry points the program looks up but never calls.
extern "C" DWORD WINAPI FakeRasNotCalled() { return ERROR_CALL_NOT_IMPLEMENTED; }
