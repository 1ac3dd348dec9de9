// The test stand-in character server's two halves: the server object with its sinks
// (agentstandin_dll.cpp) and the characters with their request queues and windows
// (agentstandin_dll_character.cpp).
#pragma once

#include <windows.h>
#include <ole2.h>
#include <agtsvr.h>
#include <agterr.h>

#include <deque>
#include <functional>
#include <string>

extern HINSTANCE StandInModule;
extern LONG StandInObjects;

// Appends one line to the file named by HORALINK_TEST_AGENTRECORD (nothing when unset),
// with " FAILED" after it when hr is a failure; line breaks in it are written as "\r"
// and "\n", so that one call stays one line of the record.
void record_line(const std::string& line, HRESULT hr = S_OK);
// A wide text in the ANSI code page.
std::string ansi_of(const wchar_t* text, UINT length);
std::string ansi_of(BSTR text);
// True when HORALINK_TEST_AGENTFAIL names method.
bool should_fail(const char* method);
// An environment value, empty when unset.
std::string environment_value(const char* name);

class STANDINSERVER;

// One queued call of the character (MoveTo, Show, Hide, Play, Speak, Think).
struct STANDINREQUEST {
    LONG Id = 0;
    std::string Kind;
    std::string Text;  // animation name or spoken text
    int X = 0, Y = 0;
    bool Looping = false;
    bool Started = false;
    bool Stopped = false;
    DWORD Due = 0;
};

class STANDINCHARACTER final : public IAgentCharacterEx {
public:
    STANDINCHARACTER(STANDINSERVER* server, LONG id, DWORD delayms, bool nevercomplete);
    // Ends the character: its window goes, queued requests are dropped without notice.
    void Detach();
    HWND Window() const { return hWindow; }
    LONG Id() const { return CharId; }
    void OnTimer();
    void OnDrag(int x, int y);
    void OnDoubleClick();
    void Paint(HDC dc);

    STDMETHODIMP QueryInterface(REFIID riid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override;
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override;
    STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override;

    STDMETHODIMP GetVisible(LONG* visible) override;
    STDMETHODIMP SetPosition(LONG left, LONG top) override;
    STDMETHODIMP GetPosition(LONG* left, LONG* top) override;
    STDMETHODIMP SetSize(LONG, LONG) override;
    STDMETHODIMP GetSize(LONG*, LONG*) override;
    STDMETHODIMP GetName(BSTR*) override;
    STDMETHODIMP GetDescription(BSTR*) override;
    STDMETHODIMP GetTTSSpeed(LONG*) override;
    STDMETHODIMP GetTTSPitch(short*) override;
    STDMETHODIMP Activate(short) override;
    STDMETHODIMP SetIdleOn(LONG) override;
    STDMETHODIMP GetIdleOn(LONG*) override;
    STDMETHODIMP Prepare(LONG, BSTR, LONG, LONG*) override;
    STDMETHODIMP Play(BSTR animation, LONG* reqid) override;
    STDMETHODIMP Stop(LONG reqid) override;
    STDMETHODIMP StopAll(LONG types) override;
    STDMETHODIMP Wait(LONG, LONG*) override;
    STDMETHODIMP Interrupt(LONG, LONG*) override;
    STDMETHODIMP Show(LONG fast, LONG* reqid) override;
    STDMETHODIMP Hide(LONG fast, LONG* reqid) override;
    STDMETHODIMP Speak(BSTR text, BSTR url, LONG* reqid) override;
    STDMETHODIMP MoveTo(short x, short y, LONG speed, LONG* reqid) override;
    STDMETHODIMP GestureAt(short, short, LONG*) override;
    STDMETHODIMP GetMoveCause(LONG*) override;
    STDMETHODIMP GetVisibilityCause(LONG*) override;
    STDMETHODIMP HasOtherClients(LONG*) override;
    STDMETHODIMP SetSoundEffectsOn(LONG) override;
    STDMETHODIMP GetSoundEffectsOn(LONG*) override;
    STDMETHODIMP SetName(BSTR) override;
    STDMETHODIMP SetDescription(BSTR) override;
    STDMETHODIMP GetExtraData(BSTR*) override;

    STDMETHODIMP ShowPopupMenu(short, short) override;
    STDMETHODIMP SetAutoPopupMenu(LONG) override;
    STDMETHODIMP GetAutoPopupMenu(LONG*) override;
    STDMETHODIMP GetHelpFileName(BSTR*) override;
    STDMETHODIMP SetHelpFileName(BSTR) override;
    STDMETHODIMP SetHelpModeOn(LONG) override;
    STDMETHODIMP GetHelpModeOn(LONG*) override;
    STDMETHODIMP SetHelpContextID(LONG) override;
    STDMETHODIMP GetHelpContextID(LONG*) override;
    STDMETHODIMP GetActive(short*) override;
    STDMETHODIMP Listen(LONG) override;
    STDMETHODIMP SetLanguageID(LONG langid) override;
    STDMETHODIMP GetLanguageID(LONG* langid) override;
    STDMETHODIMP GetTTSModeID(BSTR*) override;
    STDMETHODIMP SetTTSModeID(BSTR) override;
    STDMETHODIMP GetSRModeID(BSTR*) override;
    STDMETHODIMP SetSRModeID(BSTR) override;
    STDMETHODIMP GetGUID(BSTR*) override;
    STDMETHODIMP GetOriginalSize(LONG*, LONG*) override;
    STDMETHODIMP Think(BSTR text, LONG* reqid) override;
    STDMETHODIMP GetVersion(short*, short*) override;
    STDMETHODIMP GetAnimationNames(IUnknown**) override;
    STDMETHODIMP GetSRStatus(LONG*) override;

private:
    ~STANDINCHARACTER();
    HRESULT Queue(const char* method, STANDINREQUEST request, const std::string& line, LONG* reqid);
    void Start(STANDINREQUEST& request);
    void Finish(LONG id, HRESULT status);

    LONG Refs = 1;
    STANDINSERVER* Server;  // null once the character is unloaded or the server gone
    LONG CharId;
    DWORD DelayMs;
    bool NeverComplete;
    HWND hWindow = nullptr;
    std::deque<STANDINREQUEST> Requests;
    bool InTimer = false;
    bool Visible = false;
    int PosX = 0, PosY = 0;
    LONG LanguageId = 0x409;
    std::string Animation;
    std::string Balloon;
};

class STANDINSERVER final : public IAgentEx {
public:
    STANDINSERVER();
    // Calls notify for each registered sink (on a copy, so a sink may unregister).
    void Notify(const std::function<void(IAgentNotifySink*)>& notify);

    STDMETHODIMP QueryInterface(REFIID riid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override;
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override;
    STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override;

    STDMETHODIMP Load(VARIANT location, LONG* charid, LONG* reqid) override;
    STDMETHODIMP Unload(LONG charid) override;
    STDMETHODIMP Register(IUnknown* sink, LONG* sinkid) override;
    STDMETHODIMP Unregister(LONG sinkid) override;
    STDMETHODIMP GetCharacter(LONG charid, IDispatch** character) override;
    STDMETHODIMP GetSuspended(LONG*) override;
    STDMETHODIMP GetCharacterEx(LONG charid, IAgentCharacterEx** character) override;
    STDMETHODIMP GetVersion(short*, short*) override;
    STDMETHODIMP ShowDefaultCharacterProperties(short, short, LONG) override;

private:
    ~STANDINSERVER();
    STANDINCHARACTER* Find(LONG charid);

    struct SINK {
        LONG Id;
        IAgentNotifySink* Sink;
    };
    LONG Refs = 1;
    LONG NextSinkId = 1;
    LONG NextCharId = 1;
    std::deque<SINK> Sinks;
    std::deque<STANDINCHARACTER*> Characters;
};

// The "not implemented" answer, recorded so a test sees the call.
HRESULT not_implemented(const char* method);
