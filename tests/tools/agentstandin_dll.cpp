// A stand-in for the animated character server, an in-process COM server for tests: it
// registers itself under HKCU\Software\Classes, loads one default character per Load,
// records every call in the file named by HORALINK_TEST_AGENTRECORD and reports requests
// to the registered sinks the way a real server does. This half holds the record, the
// class factory, the registration and the server object.
#include "agentstandin_dll.h"

#include <agtsvr_i.c>
#include <olectl.h>

#include <cstdio>

HINSTANCE StandInModule = nullptr;
LONG StandInObjects = 0;
static LONG server_locks = 0;

static const char CLSID_KEY[] = "Software\\Classes\\CLSID\\{D45FD2FC-5C6E-11D1-9EC1-00C04FD7081F}";

std::string environment_value(const char* name)
{
    char value[1024];
    DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
    return length > 0 && length < sizeof value ? std::string(value, length) : std::string();
}

void record_line(const std::string& line, HRESULT hr)
{
    std::string file = environment_value("HORALINK_TEST_AGENTRECORD");
    if (file.empty()) return;
    std::string text;
    for (char c : line) {
        if (c == '\r') text += "\\r";
        else if (c == '\n') text += "\\n";
        else text += c;
    }
    text += FAILED(hr) ? " FAILED\n" : "\n";
    HANDLE h = CreateFileA(file.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return;
    DWORD written;
    WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(h);
}

std::string ansi_of(const wchar_t* text, UINT length)
{
    if (!text || !length) return std::string();
    int bytes = WideCharToMultiByte(CP_ACP, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
    std::string ansi(bytes > 0 ? bytes : 0, '\0');
    if (bytes > 0) WideCharToMultiByte(CP_ACP, 0, text, static_cast<int>(length), &ansi[0], bytes, nullptr, nullptr);
    return ansi;
}

std::string ansi_of(BSTR text)
{
    return ansi_of(text, text ? SysStringLen(text) : 0);
}

bool should_fail(const char* method)
{
    return environment_value("HORALINK_TEST_AGENTFAIL") == method;
}

HRESULT not_implemented(const char* method)
{
    record_line(std::string(method) + " E_NOTIMPL");
    return E_NOTIMPL;
}

// ---- server ----

STANDINSERVER::STANDINSERVER()
{
    InterlockedIncrement(&StandInObjects);
}

STANDINSERVER::~STANDINSERVER()
{
    for (STANDINCHARACTER* c : Characters) {
        c->Detach();
        c->Release();
    }
    for (SINK& s : Sinks) s.Sink->Release();
    InterlockedDecrement(&StandInObjects);
}

void STANDINSERVER::Notify(const std::function<void(IAgentNotifySink*)>& notify)
{
    AddRef();
    std::deque<SINK> sinks = Sinks;
    for (SINK& s : sinks) s.Sink->AddRef();
    for (SINK& s : sinks) {
        notify(s.Sink);
        s.Sink->Release();
    }
    Release();
}

STANDINCHARACTER* STANDINSERVER::Find(LONG charid)
{
    for (STANDINCHARACTER* c : Characters)
        if (c->Id() == charid) return c;
    return nullptr;
}

STDMETHODIMP STANDINSERVER::QueryInterface(REFIID riid, void** object)
{
    if (!object) return E_POINTER;
    *object = nullptr;
    if (riid == IID_IUnknown || riid == IID_IDispatch || riid == IID_IAgent || riid == IID_IAgentEx) {
        *object = static_cast<IAgentEx*>(this);
        AddRef();
        return S_OK;
    }
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) STANDINSERVER::AddRef()
{
    return InterlockedIncrement(&Refs);
}

STDMETHODIMP_(ULONG) STANDINSERVER::Release()
{
    LONG left = InterlockedDecrement(&Refs);
    if (left == 0) delete this;
    return left;
}

STDMETHODIMP STANDINSERVER::GetTypeInfoCount(UINT* count)
{
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
}

STDMETHODIMP STANDINSERVER::GetTypeInfo(UINT, LCID, ITypeInfo**) { return not_implemented("GetTypeInfo"); }
STDMETHODIMP STANDINSERVER::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) { return not_implemented("GetIDsOfNames"); }
STDMETHODIMP STANDINSERVER::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) { return not_implemented("Invoke"); }

// Only the default character exists: an empty (or missing) location loads it, any named
// character file is not found. The misbehaviour switches are read here.
STDMETHODIMP STANDINSERVER::Load(VARIANT location, LONG* charid, LONG* reqid)
{
    bool isdefault = location.vt == VT_EMPTY || location.vt == VT_ERROR ||
                     (location.vt == VT_BSTR && SysStringLen(location.bstrVal) == 0);
    HRESULT hr = S_OK;
    if (!charid || !reqid) hr = E_POINTER;
    else if (should_fail("Load")) hr = E_FAIL;
    else if (!isdefault) hr = AGENTPROVERROR_CHARACTERINVALID;
    if (SUCCEEDED(hr)) {
        std::string delay = environment_value("HORALINK_TEST_AGENTDELAY");
        char* end = nullptr;
        unsigned long ms = strtoul(delay.c_str(), &end, 10);
        if (delay.empty() || *end || ms > 600000) ms = 300;
        bool never = environment_value("HORALINK_TEST_AGENTNEVERCOMPLETE") == "1";
        STANDINCHARACTER* c = new STANDINCHARACTER(this, NextCharId++, ms, never);
        if (!c->Window()) {
            c->Detach();
            c->Release();
            hr = E_OUTOFMEMORY;
        } else {
            Characters.push_back(c);
            *charid = c->Id();
            *reqid = 0;
        }
    }
    record_line("Load", hr);
    return hr;
}

STDMETHODIMP STANDINSERVER::Unload(LONG charid)
{
    STANDINCHARACTER* c = Find(charid);
    HRESULT hr = should_fail("Unload") ? E_FAIL : c ? S_OK : AGENTERR_CHARACTERINVALID;
    record_line("Unload " + std::to_string(charid), hr);
    if (FAILED(hr)) return hr;
    for (auto i = Characters.begin(); i != Characters.end(); ++i)
        if (*i == c) {
            Characters.erase(i);
            break;
        }
    c->Detach();
    c->Release();
    return S_OK;
}

STDMETHODIMP STANDINSERVER::Register(IUnknown* sink, LONG* sinkid)
{
    HRESULT hr = !sink || !sinkid ? E_POINTER : should_fail("Register") ? E_FAIL : S_OK;
    IAgentNotifySink* notify = nullptr;
    if (SUCCEEDED(hr)) hr = sink->QueryInterface(IID_IAgentNotifySink, reinterpret_cast<void**>(&notify));
    if (FAILED(hr)) {
        record_line("Register", hr);
        return hr;
    }
    Sinks.push_back({NextSinkId++, notify});
    *sinkid = Sinks.back().Id;
    record_line("Register " + std::to_string(*sinkid));
    return S_OK;
}

STDMETHODIMP STANDINSERVER::Unregister(LONG sinkid)
{
    HRESULT hr = should_fail("Unregister") ? E_FAIL : AGENTERR_CLIENTINVALID;
    IAgentNotifySink* gone = nullptr;
    for (auto i = Sinks.begin(); hr == AGENTERR_CLIENTINVALID && i != Sinks.end(); ++i)
        if (i->Id == sinkid) {
            gone = i->Sink;
            Sinks.erase(i);
            hr = S_OK;
            break;
        }
    record_line("Unregister " + std::to_string(sinkid), hr);
    if (gone) gone->Release();
    return hr;
}

STDMETHODIMP STANDINSERVER::GetCharacterEx(LONG charid, IAgentCharacterEx** character)
{
    if (character) *character = nullptr;
    STANDINCHARACTER* c = Find(charid);
    HRESULT hr = !character                      ? E_POINTER
                 : should_fail("GetCharacterEx") ? E_FAIL
                 : c                             ? S_OK
                                                 : AGENTERR_CHARACTERINVALID;
    record_line("GetCharacterEx " + std::to_string(charid), hr);
    if (FAILED(hr)) return hr;
    c->AddRef();
    *character = c;
    return S_OK;
}

STDMETHODIMP STANDINSERVER::GetCharacter(LONG charid, IDispatch** character)
{
    if (character) *character = nullptr;
    STANDINCHARACTER* c = Find(charid);
    HRESULT hr = !character                    ? E_POINTER
                 : should_fail("GetCharacter") ? E_FAIL
                 : c                           ? S_OK
                                               : AGENTERR_CHARACTERINVALID;
    record_line("GetCharacter " + std::to_string(charid), hr);
    if (FAILED(hr)) return hr;
    c->AddRef();
    *character = static_cast<IAgentCharacterEx*>(c);
    return S_OK;
}

STDMETHODIMP STANDINSERVER::GetSuspended(LONG*) { return not_implemented("GetSuspended"); }
STDMETHODIMP STANDINSERVER::GetVersion(short*, short*) { return not_implemented("GetVersion"); }
STDMETHODIMP STANDINSERVER::ShowDefaultCharacterProperties(short, short, LONG) { return not_implemented("ShowDefaultCharacterProperties"); }

// ---- class factory and registration ----

class STANDINFACTORY final : public IClassFactory {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** object) override
    {
        if (!object) return E_POINTER;
        *object = riid == IID_IUnknown || riid == IID_IClassFactory ? this : nullptr;
        return *object ? S_OK : E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** object) override
    {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        STANDINSERVER* server = new STANDINSERVER();
        HRESULT hr = server->QueryInterface(riid, object);
        server->Release();
        return hr;
    }
    STDMETHODIMP LockServer(BOOL lock) override
    {
        if (lock) InterlockedIncrement(&server_locks);
        else InterlockedDecrement(&server_locks);
        return S_OK;
    }
};

static STANDINFACTORY factory;

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID riid, void** object)
{
    if (!object) return E_POINTER;
    *object = nullptr;
    if (clsid != CLSID_AgentServer) return CLASS_E_CLASSNOTAVAILABLE;
    return factory.QueryInterface(riid, object);
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow()
{
    return StandInObjects == 0 && server_locks == 0 ? S_OK : S_FALSE;
}

// Writes the class key below root; false when that fails.
static bool register_below(HKEY root, const char* path, DWORD length)
{
    HKEY key;
    std::string name = std::string(CLSID_KEY) + "\\InprocServer32";
    if (RegCreateKeyExA(root, name.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr)) return false;
    static const char model[] = "Apartment";
    LONG rc = RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(path), length + 1);
    if (!rc) rc = RegSetValueExA(key, "ThreadingModel", 0, REG_SZ, reinterpret_cast<const BYTE*>(model), sizeof model);
    RegCloseKey(key);
    return rc == ERROR_SUCCESS;
}

// Removes the class key below root; true when it is gone.
static bool unregister_below(HKEY root)
{
    std::string name = std::string(CLSID_KEY) + "\\InprocServer32";
    LONG rc = RegDeleteKeyA(root, name.c_str());
    if (rc && rc != ERROR_FILE_NOT_FOUND) return false;
    rc = RegDeleteKeyA(root, CLSID_KEY);
    return !rc || rc == ERROR_FILE_NOT_FOUND;
}

// The per-user key is the registration. Wine's COM looks for classes only in the machine's
// key, so the same entry goes there too where the machine's key may be written.
extern "C" HRESULT STDAPICALLTYPE DllRegisterServer()
{
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(StandInModule, path, sizeof path);
    if (length == 0 || length >= sizeof path) return SELFREG_E_CLASS;
    if (!register_below(HKEY_CURRENT_USER, path, length)) return SELFREG_E_CLASS;
    register_below(HKEY_LOCAL_MACHINE, path, length);
    return S_OK;
}

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer()
{
    bool user = unregister_below(HKEY_CURRENT_USER);
    bool machine = unregister_below(HKEY_LOCAL_MACHINE);
    return user && machine ? S_OK : SELFREG_E_CLASS;
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    if (reason == DLL_PROCESS_ATTACH) {
        StandInModule = instance;
        DisableThreadLibraryCalls(instance);
    } else if (reason == DLL_PROCESS_DETACH && !reserved) {
        UnregisterClassA("HoralinkAgentStandIn", instance);
    }
    return TRUE;
}
