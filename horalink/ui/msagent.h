// MSAGENT, a thin wrapper around the animated character server's COM interfaces that
// is at the same time the notification sink the server reports to: it creates the
// server, loads the user's default character, hands each request to it and tells the
// main window when a request starts and completes. A sequence of requests ends with the
// completion of its last one, which another thread may wait for.
#pragma once

#include "semaphores.h"

#include <windows.h>
#include <ole2.h>
#include <agtsvr.h>

// What the request and event ids hold before the first one (all bits set).
const unsigned int MSAGENT_NOID = 0xFFFFFFFFu;
// The character's speed of movement (the server's unit: milliseconds for the way).
const long MSAGENT_MOVESPEED = 500;
// The server's language ids: German texts get the German character language.
const long MSAGENT_LANGGERMAN = 1031;
const long MSAGENT_LANGENGLISH = 1033;

class MSAGENT : public IAgentNotifySinkEx {
public:
    // Initialises COM on the calling thread, creates the server and registers this
    // object as its sink; IsUpAndRunning tells whether all of it worked.
    MSAGENT();
    MSAGENT(const MSAGENT&) = delete;
    MSAGENT& operator=(const MSAGENT&) = delete;

    // ---- IUnknown: the sink interfaces; the count is only counted and logged, the
    // object is its owner's, never deleted by a Release.
    HRESULT WINAPI QueryInterface(REFIID riid, void** object) override;
    ULONG WINAPI AddRef() override;
    ULONG WINAPI Release() override;

    // ---- IDispatch: one type information, the server's registered type library 1.0
    // (locale 0 or English only, index 0 only); names and calls go through it.
    HRESULT WINAPI GetTypeInfoCount(UINT* count) override;
    HRESULT WINAPI GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
    HRESULT WINAPI GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID locale,
                                 DISPID* ids) override;
    HRESULT WINAPI Invoke(DISPID id, REFIID riid, LCID locale, WORD flags, DISPPARAMS* params,
                          VARIANT* result, EXCEPINFO* exception, UINT* argerror) override;

    // ---- IAgentNotifySink(Ex): success and nothing else, except RequestStart and
    // RequestComplete (reported to the notify window) and what HORAAGENT adds.
    HRESULT WINAPI Command(long commandid, IUnknown* userinput) override;
    HRESULT WINAPI ActivateInputState(long charid, long activated) override;
    HRESULT WINAPI Restart() override;
    HRESULT WINAPI Shutdown() override;
    HRESULT WINAPI VisibleState(long charid, long visible, long cause) override;
    HRESULT WINAPI Click(long charid, short keys, long x, long y) override;
    HRESULT WINAPI DblClick(long charid, short keys, long x, long y) override;
    HRESULT WINAPI DragStart(long charid, short keys, long x, long y) override;
    HRESULT WINAPI DragComplete(long charid, short keys, long x, long y) override;
    HRESULT WINAPI RequestStart(long requestid) override;
    HRESULT WINAPI RequestComplete(long requestid, long status) override;
    HRESULT WINAPI BookMark(long bookmarkid) override;
    HRESULT WINAPI Idle(long charid, long start) override;
    HRESULT WINAPI Move(long charid, long x, long y, long cause) override;
    HRESULT WINAPI Size(long charid, long width, long height) override;
    HRESULT WINAPI BalloonVisibleState(long charid, long visible) override;
    HRESULT WINAPI HelpComplete(long charid, long commandid, long cause) override;
    HRESULT WINAPI ListeningState(long charid, long listening, long cause) override;
    HRESULT WINAPI DefaultCharacterChange(BSTR guid) override;
    HRESULT WINAPI AgentPropertyChange() override;
    HRESULT WINAPI ActiveClientChange(long charid, long status) override;

    // ---- The wrapper's own.
    // Unloads the character, unregisters the sink, releases the server and ends COM.
    virtual ~MSAGENT();
    // 1 when the server exists and the sink is registered.
    virtual int IsUpAndRunning();
    // Loads the user's default character in the language of the program's texts; 1 on
    // success.
    virtual int DoLoadDefaultCharacter();
    // Lets go of the character (nothing when none is loaded).
    virtual void DoUnloadCharacter();

    // Where request starts (wParam 0) and completions (wParam 1) are posted, lParam the
    // request id; and where events go.
    void SetNotifyTarget(HWND window, UINT message);
    void SetEventTarget(HWND window, UINT message);

    // The requests: 1 when the server took it (its id becomes the last request id and,
    // when requestid is given, is stored there), 0 without a character or on failure.
    int DoMove(int x, int y, unsigned int* requestid = nullptr);
    int DoShow(int fast, unsigned int* requestid = nullptr);
    int DoHide(int fast, unsigned int* requestid = nullptr);
    int DoPlay(const char* name, unsigned int* requestid = nullptr);
    // Spoken with voice, or else shown in a thought balloon.
    int DoSpeak(const char* text, int withvoice, unsigned int* requestid = nullptr);
    int DoStop(unsigned int requestid);
    // The character's place on the screen; 1 when the server told it.
    int GetPosition(long* x, long* y);

    // A sequence of requests: begun (the completion event reset), ended either at once
    // or when its last request completes (waitforlast), and waited for (true when it
    // ended within milliseconds).
    void StartSequence();
    void EndSequence(int waitforlast);
    bool WaitForCompletion(int milliseconds);
    // The completion event, for a caller that must wait for it outside this object's
    // lifetime (it duplicates the handle).
    HANDLE CompletionHandle() const { return Completion.Handle(); }
    // Posts the event message to the event window: wParam 0, lParam a copy of name made
    // with malloc, which the receiver frees. True when it was posted.
    bool PostEvent(const char* name);

protected:
    bool HasCharacter() const { return pCharacterEx != nullptr; }
    // The server's answer for a request: logs it under what, keeps the id.
    int TookRequest(const char* what, HRESULT hres, long id, unsigned int* requestid);

    int UpAndRunning;
    HWND hWndNotify;
    UINT NotifyMessage;
    HWND hWndEvent;
    UINT EventMessage;
    unsigned int LastRequestId;
    unsigned int CharacterId;
    unsigned int SinkId;
    unsigned int AwaitedRequestId;
    EVENTSEM Completion;
    int countNotifySinkRefs;
    IAgentEx* pAgentEx;
    IAgentCharacterEx* pCharacterEx;

private:
    // Whether the last request has completed already, and how many requests the
    // current sequence placed: a sequence whose last request is over (or that placed
    // none) must not wait for a completion that came before it ended.
    bool LastRequestDone;
    int SequenceRequests;
    bool ComInitialised;
};
