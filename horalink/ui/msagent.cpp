// The character server wrapper and notification sink: creation and destruction, the
// sink's COM answers, the requests with their logged results, and the sequence whose
// last request's completion releases a waiting thread.
#include "msagent.h"

#include "kelvo.h"
#include "kelvoapp.h"

#include <agterr.h>
// The interface and class ids of the server, defined once for the whole program.
#include <agtsvr_i.c>

#include <climits>
#include <cstdlib>
#include <cstring>

// The server's type library: version 1.0.
const WORD TYPELIB_MAJOR = 1;
const WORD TYPELIB_MINOR = 0;
// The program's language code of German texts.
const int LANGUAGE_GERMAN = 7;

// A text of the program's code page as a BSTR (null for a null text); the caller frees it.
static BSTR to_bstr(const char* text)
{
    if (!text) return nullptr;
    int length = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (length <= 0) return SysAllocString(L"");
    BSTR wide = SysAllocStringLen(nullptr, static_cast<UINT>(length - 1));
    if (wide) MultiByteToWideChar(CP_ACP, 0, text, -1, wide, length);
    return wide;
}

static short to_short(int value)
{
    if (value < SHRT_MIN) return SHRT_MIN;
    if (value > SHRT_MAX) return SHRT_MAX;
    return static_cast<short>(value);
}

// ---------------------------------------------------------------- life

MSAGENT::MSAGENT()
    : UpAndRunning(0), hWndNotify(nullptr), NotifyMessage(0), hWndEvent(nullptr), EventMessage(0),
      LastRequestId(MSAGENT_NOID), CharacterId(MSAGENT_NOID), SinkId(MSAGENT_NOID),
      AwaitedRequestId(MSAGENT_NOID), Completion(false), countNotifySinkRefs(0), pAgentEx(nullptr),
      pCharacterEx(nullptr), LastRequestDone(true), SequenceRequests(0), ComInitialised(false)
{
    Logit("MSAGENT::MSAGENT\n");
    HRESULT hres = CoInitialize(nullptr);
    // A thread in another apartment model keeps it; only a successful call is undone.
    ComInitialised = SUCCEEDED(hres);
    if (!ComInitialised) Logit("MSAGENT::MSAGENT CoInitialize hRes=%08lx\n", hres);
    hres = CoCreateInstance(CLSID_AgentServer, nullptr, CLSCTX_SERVER, IID_IAgentEx,
                            reinterpret_cast<void**>(&pAgentEx));
    Logit("MSAGENT::MSAGENT CoCreateInstance hRes=%08lx\n", hres);
    if (FAILED(hres) || !pAgentEx) {
        pAgentEx = nullptr;
        return;
    }
    AddRef();
    long sinkid = 0;
    hres = pAgentEx->Register(static_cast<IUnknown*>(static_cast<IAgentNotifySinkEx*>(this)), &sinkid);
    Logit("MSAGENT::MSAGENT Register hRes=%08lx\n", hres);
    if (FAILED(hres)) return;
    SinkId = static_cast<unsigned int>(sinkid);
    UpAndRunning = 1;
    Completion.Set();
    Logit("MSAGENT::MSAGENT done\n");
}

MSAGENT::~MSAGENT()
{
    Logit("MSAGENT::~MSAGENT\n");
    // A thread that still waits for the last sequence goes on: there is none any more.
    Completion.Set();
    DoUnloadCharacter();
    if (pAgentEx) {
        if (SinkId != MSAGENT_NOID) {
            HRESULT hres = pAgentEx->Unregister(static_cast<long>(SinkId));
            Logit("MSAGENT::~MSAGENT Unregister hRes=%08lx\n", hres);
            SinkId = MSAGENT_NOID;
        }
        pAgentEx->Release();
        pAgentEx = nullptr;
    }
    UpAndRunning = 0;
    if (ComInitialised) CoUninitialize();
    Logit("MSAGENT::~MSAGENT done\n");
}

int MSAGENT::IsUpAndRunning()
{
    Logit("MSAGENT::IsUpAndRunning returns %d\n", UpAndRunning);
    return UpAndRunning;
}

int MSAGENT::DoLoadDefaultCharacter()
{
    Logit("MSAGENT::DoLoadDefaultCharacter\n");
    if (!ASSERT(pAgentEx)) return 0;
    DoUnloadCharacter();
    VARIANT location;
    VariantInit(&location);  // empty: the user's default character
    long charid = 0;
    long requestid = 0;
    HRESULT hres = pAgentEx->Load(location, &charid, &requestid);
    Logit("MSAGENT::DoLoadDefaultCharacter Load hRes=%08lx\n", hres);
    if (FAILED(hres)) return 0;
    CharacterId = static_cast<unsigned int>(charid);
    IAgentCharacterEx* character = nullptr;
    hres = pAgentEx->GetCharacterEx(charid, &character);
    Logit("MSAGENT::DoLoadDefaultCharacter GetCharacterEx hRes=%08lx\n", hres);
    if (FAILED(hres) || !character) {
        DoUnloadCharacter();
        return 0;
    }
    pCharacterEx = character;
    long language = KELVOAPP::LanguageCode() == LANGUAGE_GERMAN ? MSAGENT_LANGGERMAN : MSAGENT_LANGENGLISH;
    hres = pCharacterEx->SetLanguageID(language);
    // Without that language the character still plays and shows its texts.
    Logit("MSAGENT::DoLoadDefaultCharacter SetLanguageID %ld hRes=%08lx\n", language, hres);
    Logit("MSAGENT::DoLoadDefaultCharacter done\n");
    return 1;
}

void MSAGENT::DoUnloadCharacter()
{
    if (pCharacterEx) {
        pCharacterEx->Release();
        pCharacterEx = nullptr;
    }
    if (CharacterId == MSAGENT_NOID || !pAgentEx) return;
    HRESULT hres = pAgentEx->Unload(static_cast<long>(CharacterId));
    Logit("MSAGENT::DoUnloadCharacter hRes=%08lx\n", hres);
    CharacterId = MSAGENT_NOID;
}

void MSAGENT::SetNotifyTarget(HWND window, UINT message)
{
    hWndNotify = window;
    NotifyMessage = message;
}

void MSAGENT::SetEventTarget(HWND window, UINT message)
{
    hWndEvent = window;
    EventMessage = message;
}

// ---------------------------------------------------------------- IUnknown, IDispatch

HRESULT WINAPI MSAGENT::QueryInterface(REFIID riid, void** object)
{
    if (!object) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) ||
        IsEqualIID(riid, IID_IAgentNotifySink) || IsEqualIID(riid, IID_IAgentNotifySinkEx)) {
        *object = static_cast<IAgentNotifySinkEx*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG WINAPI MSAGENT::AddRef()
{
    Logit("MSAGENT::AddRef countNotifySinkRefs before ++ is %d\n", countNotifySinkRefs);
    return static_cast<ULONG>(++countNotifySinkRefs);
}

ULONG WINAPI MSAGENT::Release()
{
    Logit("MSAGENT::Release countNotifySinkRefs before -- is %d\n", countNotifySinkRefs);
    return static_cast<ULONG>(--countNotifySinkRefs);
}

HRESULT WINAPI MSAGENT::GetTypeInfoCount(UINT* count)
{
    if (!count) return E_POINTER;
    *count = 1;
    return S_OK;
}

HRESULT WINAPI MSAGENT::GetTypeInfo(UINT index, LCID locale, ITypeInfo** info)
{
    if (!info) return E_POINTER;
    *info = nullptr;
    if (index != 0) return DISP_E_BADINDEX;
    if (locale != 0 && (locale & 0x3FF) != LANG_ENGLISH) return DISP_E_UNKNOWNLCID;
    ITypeLib* library = nullptr;
    HRESULT hres = LoadRegTypeLib(LIBID_AgentServerObjects, TYPELIB_MAJOR, TYPELIB_MINOR, locale, &library);
    if (FAILED(hres)) return hres;
    hres = library->GetTypeInfoOfGuid(IID_IAgentNotifySinkEx, info);
    library->Release();
    return hres;
}

HRESULT WINAPI MSAGENT::GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID locale, DISPID* ids)
{
    if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    ITypeInfo* info = nullptr;
    HRESULT hres = GetTypeInfo(0, locale, &info);
    if (FAILED(hres)) return hres;
    hres = DispGetIDsOfNames(info, names, count, ids);
    info->Release();
    return hres;
}

HRESULT WINAPI MSAGENT::Invoke(DISPID id, REFIID riid, LCID locale, WORD flags, DISPPARAMS* params,
                               VARIANT* result, EXCEPINFO* exception, UINT* argerror)
{
    if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    ITypeInfo* info = nullptr;
    HRESULT hres = GetTypeInfo(0, locale, &info);
    if (FAILED(hres)) return hres;
    hres = DispInvoke(static_cast<IAgentNotifySinkEx*>(this), info, id, flags, params, result, exception, argerror);
    info->Release();
    return hres;
}

// ---------------------------------------------------------------- the sink

HRESULT WINAPI MSAGENT::Command(long, IUnknown*) { return S_OK; }
HRESULT WINAPI MSAGENT::ActivateInputState(long, long) { return S_OK; }
HRESULT WINAPI MSAGENT::Restart() { return S_OK; }
HRESULT WINAPI MSAGENT::Shutdown() { return S_OK; }
HRESULT WINAPI MSAGENT::VisibleState(long, long, long) { return S_OK; }
HRESULT WINAPI MSAGENT::Click(long, short, long, long) { return S_OK; }
HRESULT WINAPI MSAGENT::DblClick(long, short, long, long) { return S_OK; }
HRESULT WINAPI MSAGENT::DragStart(long, short, long, long) { return S_OK; }
HRESULT WINAPI MSAGENT::DragComplete(long, short, long, long) { return S_OK; }

HRESULT WINAPI MSAGENT::RequestStart(long requestid)
{
    if (hWndNotify && NotifyMessage) PostMessageA(hWndNotify, NotifyMessage, 0, static_cast<LPARAM>(requestid));
    return S_OK;
}

HRESULT WINAPI MSAGENT::RequestComplete(long requestid, long)
{
    unsigned int id = static_cast<unsigned int>(requestid);
    if (hWndNotify && NotifyMessage) PostMessageA(hWndNotify, NotifyMessage, 1, static_cast<LPARAM>(requestid));
    if (id == LastRequestId) LastRequestDone = true;
    if (id == AwaitedRequestId) Completion.Set();
    return S_OK;
}

HRESULT WINAPI MSAGENT::BookMark(long) { return S_OK; }
HRESULT WINAPI MSAGENT::Idle(long, long) { return S_OK; }
HRESULT WINAPI MSAGENT::Move(long, long, long, long) { return S_OK; }
HRESULT WINAPI MSAGENT::Size(long, long, long) { return S_OK; }
HRESULT WINAPI MSAGENT::BalloonVisibleState(long, long) { return S_OK; }
HRESULT WINAPI MSAGENT::HelpComplete(long, long, long) { return S_OK; }
HRESULT WINAPI MSAGENT::ListeningState(long, long, long) { return S_OK; }
HRESULT WINAPI MSAGENT::DefaultCharacterChange(BSTR) { return S_OK; }
HRESULT WINAPI MSAGENT::AgentPropertyChange() { return S_OK; }
HRESULT WINAPI MSAGENT::ActiveClientChange(long, long) { return S_OK; }

// ---------------------------------------------------------------- requests

int MSAGENT::TookRequest(const char* what, HRESULT hres, long id, unsigned int* requestid)
{
    Logit("MSAGENT::%s hRes=%08lx\n", what, hres);
    if (FAILED(hres)) return 0;
    LastRequestId = static_cast<unsigned int>(id);
    LastRequestDone = false;
    SequenceRequests++;
    if (requestid) *requestid = LastRequestId;
    return 1;
}

int MSAGENT::DoMove(int x, int y, unsigned int* requestid)
{
    if (!ASSERT(pAgentEx) || !HasCharacter()) return 0;
    long id = 0;
    HRESULT hres = pCharacterEx->MoveTo(to_short(x), to_short(y), MSAGENT_MOVESPEED, &id);
    return TookRequest("DoMove", hres, id, requestid);
}

int MSAGENT::DoShow(int fast, unsigned int* requestid)
{
    if (!ASSERT(pAgentEx) || !HasCharacter()) return 0;
    long id = 0;
    HRESULT hres = pCharacterEx->Show(fast ? 1 : 0, &id);
    return TookRequest("DoShow", hres, id, requestid);
}

int MSAGENT::DoHide(int fast, unsigned int* requestid)
{
    if (!ASSERT(pAgentEx) || !HasCharacter()) return 0;
    long id = 0;
    HRESULT hres = pCharacterEx->Hide(fast ? 1 : 0, &id);
    return TookRequest("DoHide", hres, id, requestid);
}

int MSAGENT::DoPlay(const char* name, unsigned int* requestid)
{
    if (!ASSERT(pAgentEx) || !HasCharacter() || !name) return 0;
    BSTR animation = to_bstr(name);
    long id = 0;
    HRESULT hres = animation ? pCharacterEx->Play(animation, &id) : E_OUTOFMEMORY;
    SysFreeString(animation);
    return TookRequest("DoPlay", hres, id, requestid);
}

int MSAGENT::DoSpeak(const char* text, int withvoice, unsigned int* requestid)
{
    if (!ASSERT(pAgentEx) || !HasCharacter()) return 0;
    BSTR wide = to_bstr(text ? text : "");
    long id = 0;
    HRESULT hres = E_OUTOFMEMORY;
    if (wide) hres = withvoice ? pCharacterEx->Speak(wide, nullptr, &id) : pCharacterEx->Think(wide, &id);
    SysFreeString(wide);
    return TookRequest("DoSpeak", hres, id, requestid);
}

int MSAGENT::DoStop(unsigned int requestid)
{
    if (!ASSERT(pAgentEx) || !HasCharacter()) return 0;
    HRESULT hres = pCharacterEx->Stop(static_cast<long>(requestid));
    Logit("MSAGENT::DoStop hRes=%08lx\n", hres);
    return SUCCEEDED(hres) ? 1 : 0;
}

int MSAGENT::GetPosition(long* x, long* y)
{
    if (!ASSERT(pAgentEx) || !HasCharacter()) return 0;
    HRESULT hres = pCharacterEx->GetPosition(x, y);
    Logit("MSAGENT::GetPosition hRes=%08lx\n", hres);
    return SUCCEEDED(hres) ? 1 : 0;
}

// ---------------------------------------------------------------- sequences

void MSAGENT::StartSequence()
{
    Completion.Reset();
    AwaitedRequestId = MSAGENT_NOID;
    SequenceRequests = 0;
}

void MSAGENT::EndSequence(int waitforlast)
{
    // The completion of a request that is over already, or of none placed by this
    // sequence, would never come: such a sequence is over now.
    if (!waitforlast || SequenceRequests == 0 || LastRequestDone) {
        AwaitedRequestId = MSAGENT_NOID;
        Completion.Set();
        return;
    }
    AwaitedRequestId = LastRequestId;
}

bool MSAGENT::WaitForCompletion(int milliseconds) { return Completion.Wait(milliseconds); }

bool MSAGENT::PostEvent(const char* name)
{
    if (!hWndEvent || !EventMessage || !name) return false;
    char* copy = _strdup(name);
    if (!copy) return false;
    if (PostMessageA(hWndEvent, EventMessage, 0, reinterpret_cast<LPARAM>(copy))) return true;
    free(copy);
    return false;
}
