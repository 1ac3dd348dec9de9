// WINRAS: loading the remote-access library at run time and the two queries the
// program needs, the phonebook entries and the state of dial-up connections.
#include "winras.h"

#include "kelvo.h"
#include "semaphores.h"

#include <cstdio>
#include <cstring>
#include <vector>

typedef DWORD(WINAPI* RASENUMENTRIES)(LPCSTR, LPCSTR, LPRASENTRYNAMEA, LPDWORD, LPDWORD);
typedef DWORD(WINAPI* RASENUMCONNECTIONS)(LPRASCONNA, LPDWORD, LPDWORD);
typedef DWORD(WINAPI* RASGETCONNECTSTATUS)(HRASCONN, LPRASCONNSTATUSA);

const int RAS_RECORDS = 64;

// The entry points, in the order they are looked up; the first eight must exist.
static const char* const ENTRY_NAMES[] = {
    "RasEnumEntriesA",     "RasGetEntryDialParamsA",     "RasDialA",
    "RasHangUpA",          "RasGetErrorStringA",         "RasEnumConnectionsA",
    "RasEditPhonebookEntryA", "RasGetConnectStatusA",    "RasGetConnectionStatistics",
    "RasClearConnectionStatistics"};
const int ENTRY_COUNT = sizeof ENTRY_NAMES / sizeof ENTRY_NAMES[0];
const int REQUIRED_ENTRIES = 8;
enum { ENUM_ENTRIES = 0, ENUM_CONNECTIONS = 5, GET_CONNECT_STATUS = 7 };

// Process-wide: shared by every WINRAS object, written only under the lock by the
// first constructor and the last destructor.
static int InstanceCount;
static HMODULE hRasApi;
static FARPROC EntryPoints[ENTRY_COUNT];
static char library_name[MAX_PATH] = "RASAPI32";

static CRITSECT& instance_lock()
{
    static CRITSECT* lock = new CRITSECT;
    return *lock;
}

static void init_pointers()
{
    Logit("WINRAS::InitPointers\n");
    if (!ASSERTTEXT(hRasApi == nullptr, "WINRAS::hRasApi==NULL", nullptr)) return;
    hRasApi = LoadLibraryA(library_name);
    if (!hRasApi) return;  // no remote access here: every query answers "nothing"
    bool complete = true;
    for (int i = 0; i < ENTRY_COUNT; i++) {
        EntryPoints[i] = GetProcAddress(hRasApi, ENTRY_NAMES[i]);
        if (!EntryPoints[i] && i < REQUIRED_ENTRIES) complete = false;
    }
    if (!complete) Assert(false, "FALSE", "winras", __LINE__, library_name, false);
}

static void release_pointers()
{
    if (hRasApi) FreeLibrary(hRasApi);
    hRasApi = nullptr;
    for (FARPROC& p : EntryPoints) p = nullptr;
}

void WINRAS::SetLibraryName(const char* name)
{
    snprintf(library_name, sizeof library_name, "%s", name ? name : "RASAPI32");
}

int WINRAS::GetInstanceCount() { return InstanceCount; }

WINRAS::WINRAS(int mode) : Reserved(0), Mode(mode)
{
    instance_lock().Enter();
    if (InstanceCount++ == 0) init_pointers();
    instance_lock().Leave();
}

WINRAS::~WINRAS()
{
    instance_lock().Enter();
    if (ASSERT(InstanceCount>0) && --InstanceCount == 0) release_pointers();
    instance_lock().Leave();
}

bool WINRAS::Available() const { return hRasApi != nullptr; }

STRING WINRAS::GetEntryList()
{
    STRING list;
    list.Make(0, "");
    RASENUMENTRIES enumentries = reinterpret_cast<RASENUMENTRIES>(
        reinterpret_cast<void*>(EntryPoints[ENUM_ENTRIES]));
    if (!enumentries) return list;
    std::vector<RASENTRYNAMEA> entries(RAS_RECORDS);
    for (RASENTRYNAMEA& e : entries) e.dwSize = sizeof(RASENTRYNAMEA);
    DWORD bytes = static_cast<DWORD>(entries.size() * sizeof(RASENTRYNAMEA));
    DWORD count = 0;
    if (enumentries(nullptr, nullptr, entries.data(), &bytes, &count) != 0) return list;
    for (DWORD i = 0; i < count && i < entries.size(); i++) {
        if (i > 0) list.Append("|");
        entries[i].szEntryName[RAS_MaxEntryName] = 0;
        list.Append(entries[i].szEntryName);
    }
    return list;
}

STRINGARRAY WINRAS::SplitEntryList(const STRING& list)
{
    return list.Length() > 0 ? STRINGARRAY(list, "|") : STRINGARRAY();
}

bool WINRAS::IsConnected(char* entryname, int size, HRASCONN* connection)
{
    if (connection) *connection = nullptr;
    RASENUMCONNECTIONS enumconnections = reinterpret_cast<RASENUMCONNECTIONS>(
        reinterpret_cast<void*>(EntryPoints[ENUM_CONNECTIONS]));
    RASGETCONNECTSTATUS getstatus = reinterpret_cast<RASGETCONNECTSTATUS>(
        reinterpret_cast<void*>(EntryPoints[GET_CONNECT_STATUS]));
    if (!hRasApi || !enumconnections || !getstatus) return false;

    STRING wanted;
    if (entryname && size > 0) {
        int length = static_cast<int>(strnlen(entryname, size));
        // A name that fills the whole buffer is longer than any supported one.
        bool toolong = length >= size;
        if (!toolong) wanted = STRING(entryname, length);
        if (wanted.NotEmpty()) LastEntry = wanted;
        memset(entryname, 0, size);
        if (toolong) return false;
    }

    std::vector<RASCONNA> connections(RAS_RECORDS);
    for (RASCONNA& c : connections) c.dwSize = sizeof(RASCONNA);
    DWORD bytes = static_cast<DWORD>(connections.size() * sizeof(RASCONNA));
    DWORD count = 0;
    if (enumconnections(connections.data(), &bytes, &count) != 0 || count == 0) return false;

    const RASCONNA* found = nullptr;
    for (DWORD i = 0; i < count && i < connections.size() && !found; i++) {
        connections[i].szEntryName[RAS_MaxEntryName] = 0;
        if (wanted.Length() == 0 || strcmp(connections[i].szEntryName, wanted.Text()) == 0)
            found = &connections[i];
    }
    if (!found) return false;

    RASCONNSTATUSA status;
    memset(&status, 0, sizeof status);
    status.dwSize = sizeof status;
    if (getstatus(found->hrasconn, &status) != 0 || status.rasconnstate != RASCS_Connected)
        return false;
    if (entryname && size > 0) snprintf(entryname, size, "%s", found->szEntryName);
    if (connection) *connection = found->hrasconn;
    return true;
}
