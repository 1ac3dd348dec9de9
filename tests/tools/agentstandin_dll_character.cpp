// The stand-in server's characters: each queues its requests and runs them one after the
// other on its own window's timer, so sinks hear of them on the server's thread and never
// inside the caller's call; the window shows a face, the animation and the balloon text
// and takes the test's drag and double-click messages.
#include "agentstandin_dll.h"

#include <algorithm>

static const char WINDOW_CLASS[] = "HoralinkAgentStandIn";
static const UINT_PTR QUEUE_TIMER = 1;
static const UINT QUEUE_TICK_MS = 15;
static const int WINDOW_SIZE = 160;
static const UINT WM_TESTDRAG = WM_APP + 1;
static const UINT WM_TESTDBLCLICK = WM_APP + 2;

// Request ids are unique in the process, as the product only ever holds one server.
static LONG last_request = 0;

static LRESULT CALLBACK standin_window_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam)
{
    if (msg == WM_NCCREATE) {
        auto create = reinterpret_cast<CREATESTRUCTA*>(lparam);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto character = reinterpret_cast<STANDINCHARACTER*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (!character) return DefWindowProcA(hwnd, msg, wparam, lparam);
    switch (msg) {
    case WM_TIMER:
        if (wparam == QUEUE_TIMER) character->OnTimer();
        return 0;
    case WM_TESTDRAG:
        character->OnDrag(static_cast<int>(static_cast<INT_PTR>(wparam)), static_cast<int>(lparam));
        return 0;
    case WM_TESTDBLCLICK:
        character->OnDoubleClick();
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        character->Paint(dc);
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_NCDESTROY:
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        break;
    }
    return DefWindowProcA(hwnd, msg, wparam, lparam);
}

static bool is_looping(const std::string& animation)
{
    return lstrcmpiA(animation.c_str(), "Search") == 0 || lstrcmpiA(animation.c_str(), "Process") == 0;
}

// Whether a StopAll with these type bits ends a request of this kind.
static bool stopped_by(LONG types, const std::string& kind)
{
    if (kind == "Play") return types & STOP_TYPE_PLAY;
    if (kind == "MoveTo") return types & STOP_TYPE_MOVE;
    if (kind == "Speak" || kind == "Think") return types & STOP_TYPE_SPEAK;
    return types & STOP_TYPE_VISIBLE;
}

STANDINCHARACTER::STANDINCHARACTER(STANDINSERVER* server, LONG id, DWORD delayms, bool nevercomplete)
    : Server(server), CharId(id), DelayMs(delayms), NeverComplete(nevercomplete)
{
    InterlockedIncrement(&StandInObjects);
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = standin_window_proc;
    wc.hInstance = StandInModule;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = WINDOW_CLASS;
    RegisterClassExA(&wc);  // fails harmlessly when the class is there from an earlier Load
    hWindow = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, WINDOW_CLASS, "Character",
                              WS_POPUP | WS_BORDER, PosX, PosY, WINDOW_SIZE, WINDOW_SIZE, nullptr, nullptr,
                              StandInModule, this);
}

STANDINCHARACTER::~STANDINCHARACTER()
{
    Detach();
    InterlockedDecrement(&StandInObjects);
}

void STANDINCHARACTER::Detach()
{
    Server = nullptr;
    Requests.clear();
    if (hWindow) {
        HWND hwnd = hWindow;
        hWindow = nullptr;
        DestroyWindow(hwnd);
    }
}

HRESULT STANDINCHARACTER::Queue(const char* method, STANDINREQUEST request, const std::string& line, LONG* reqid)
{
    HRESULT hr = !Server ? AGENTERR_CHARACTERINVALID : should_fail(method) ? E_FAIL : S_OK;
    if (FAILED(hr)) {
        record_line(line, hr);
        return hr;
    }
    request.Id = InterlockedIncrement(&last_request);
    request.Kind = method;
    record_line(line + " #" + std::to_string(request.Id));
    Requests.push_back(request);
    SetTimer(hWindow, QUEUE_TIMER, QUEUE_TICK_MS, nullptr);
    if (reqid) *reqid = request.Id;
    return S_OK;
}

// Removed requests complete first (without a start), then the front one starts, or
// completes when its time is up or it was stopped. A sink may call back into the
// character or unload it, so nothing of the queue is held across a notification.
void STANDINCHARACTER::OnTimer()
{
    if (InTimer) return;
    InTimer = true;
    AddRef();
    while (Server && hWindow) {
        auto removed = std::find_if(Requests.begin(), Requests.end(),
                                    [](const STANDINREQUEST& r) { return r.Stopped && !r.Started; });
        if (!NeverComplete && removed != Requests.end()) {
            LONG id = removed->Id;
            Requests.erase(removed);
            Finish(id, AGENTREQERR_REMOVED);
            continue;
        }
        if (Requests.empty()) {
            KillTimer(hWindow, QUEUE_TIMER);
            break;
        }
        STANDINREQUEST& front = Requests.front();
        if (!front.Started) {
            front.Started = true;
            front.Due = GetTickCount() + DelayMs;
            Start(front);
            break;
        }
        bool running = front.Looping || static_cast<LONG>(GetTickCount() - front.Due) < 0;
        if (NeverComplete || (running && !front.Stopped)) break;
        LONG id = front.Id;
        HRESULT status = front.Stopped ? AGENTREQERR_INTERRUPTEDCODE : S_OK;
        Requests.pop_front();
        Finish(id, status);
    }
    InTimer = false;
    Release();
}

void STANDINCHARACTER::Start(STANDINREQUEST& request)
{
    if (request.Kind == "Show" || request.Kind == "Hide") {
        Visible = request.Kind == "Show";
        ShowWindow(hWindow, Visible ? SW_SHOWNOACTIVATE : SW_HIDE);
    } else if (request.Kind == "MoveTo") {
        PosX = request.X;
        PosY = request.Y;
        SetWindowPos(hWindow, nullptr, PosX, PosY, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    } else if (request.Kind == "Play") {
        Animation = request.Text;
    } else {
        Balloon = request.Text;
    }
    InvalidateRect(hWindow, nullptr, TRUE);
    LONG id = request.Id;
    record_line("RequestStart " + std::to_string(id));
    Server->Notify([id](IAgentNotifySink* sink) { sink->RequestStart(id); });
}

void STANDINCHARACTER::Finish(LONG id, HRESULT status)
{
    record_line("RequestComplete " + std::to_string(id));
    Server->Notify([id, status](IAgentNotifySink* sink) { sink->RequestComplete(id, status); });
}

void STANDINCHARACTER::OnDrag(int x, int y)
{
    if (!Server) return;
    AddRef();
    int oldx = PosX, oldy = PosY;
    PosX = x;
    PosY = y;
    SetWindowPos(hWindow, nullptr, PosX, PosY, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    LONG id = CharId;
    Server->Notify([id, oldx, oldy](IAgentNotifySink* sink) { sink->DragStart(id, 0, oldx, oldy); });
    if (Server) {
        record_line("DragComplete " + std::to_string(x) + "|" + std::to_string(y));
        Server->Notify([id, x, y](IAgentNotifySink* sink) { sink->DragComplete(id, 0, x, y); });
    }
    Release();
}

void STANDINCHARACTER::OnDoubleClick()
{
    if (!Server) return;
    record_line("DblClick");
    LONG id = CharId, x = PosX + WINDOW_SIZE / 2, y = PosY + WINDOW_SIZE / 2;
    Server->Notify([id, x, y](IAgentNotifySink* sink) { sink->DblClick(id, 0, x, y); });
}

void STANDINCHARACTER::Paint(HDC dc)
{
    SetBkMode(dc, TRANSPARENT);
    HGDIOBJ oldbrush = SelectObject(dc, CreateSolidBrush(RGB(255, 220, 80)));
    Ellipse(dc, 35, 50, 125, 135);
    DeleteObject(SelectObject(dc, GetStockObject(BLACK_BRUSH)));
    Ellipse(dc, 60, 75, 70, 87);
    Ellipse(dc, 90, 75, 100, 87);
    Arc(dc, 55, 80, 105, 120, 55, 105, 105, 105);
    SelectObject(dc, oldbrush);
    RECT name = {0, 136, WINDOW_SIZE, WINDOW_SIZE};
    DrawTextA(dc, Animation.c_str(), -1, &name, DT_CENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
    if (Balloon.empty()) return;
    RECT balloon = {4, 2, WINDOW_SIZE - 6, 46};
    RoundRect(dc, balloon.left, balloon.top, balloon.right, balloon.bottom, 12, 12);
    InflateRect(&balloon, -5, -3);
    DrawTextA(dc, Balloon.c_str(), -1, &balloon, DT_WORDBREAK | DT_END_ELLIPSIS | DT_NOPREFIX);
}

STDMETHODIMP STANDINCHARACTER::QueryInterface(REFIID riid, void** object)
{
    if (!object) return E_POINTER;
    *object = nullptr;
    if (riid == IID_IUnknown || riid == IID_IDispatch || riid == IID_IAgentCharacter ||
        riid == IID_IAgentCharacterEx) {
        *object = static_cast<IAgentCharacterEx*>(this);
        AddRef();
        return S_OK;
    }
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) STANDINCHARACTER::AddRef() { return InterlockedIncrement(&Refs); }

STDMETHODIMP_(ULONG) STANDINCHARACTER::Release()
{
    LONG left = InterlockedDecrement(&Refs);
    if (left == 0) delete this;
    return left;
}

STDMETHODIMP STANDINCHARACTER::GetTypeInfoCount(UINT* count)
{
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
}

STDMETHODIMP STANDINCHARACTER::Play(BSTR animation, LONG* reqid)
{
    STANDINREQUEST r;
    r.Text = ansi_of(animation);
    r.Looping = is_looping(r.Text);
    if (r.Text.empty() && Server) {
        record_line("Play ", AGENTERR_ANIMATIONNOTFOUND);
        return AGENTERR_ANIMATIONNOTFOUND;
    }
    return Queue("Play", r, "Play " + r.Text, reqid);
}

STDMETHODIMP STANDINCHARACTER::Speak(BSTR text, BSTR, LONG* reqid)
{
    STANDINREQUEST r;
    r.Text = ansi_of(text);
    return Queue("Speak", r, "Speak " + r.Text, reqid);
}

STDMETHODIMP STANDINCHARACTER::Think(BSTR text, LONG* reqid)
{
    STANDINREQUEST r;
    r.Text = ansi_of(text);
    return Queue("Think", r, "Think " + r.Text, reqid);
}

STDMETHODIMP STANDINCHARACTER::Show(LONG fast, LONG* reqid)
{
    return Queue("Show", STANDINREQUEST(), "Show " + std::to_string(fast), reqid);
}

STDMETHODIMP STANDINCHARACTER::Hide(LONG fast, LONG* reqid)
{
    return Queue("Hide", STANDINREQUEST(), "Hide " + std::to_string(fast), reqid);
}

STDMETHODIMP STANDINCHARACTER::MoveTo(short x, short y, LONG speed, LONG* reqid)
{
    STANDINREQUEST r;
    r.X = x;
    r.Y = y;
    return Queue("MoveTo", r,
                 "MoveTo " + std::to_string(x) + "|" + std::to_string(y) + "|" + std::to_string(speed), reqid);
}

STDMETHODIMP STANDINCHARACTER::Stop(LONG reqid)
{
    HRESULT hr = !Server ? AGENTERR_CHARACTERINVALID : should_fail("Stop") ? E_FAIL : AGENTREQERR_OBJECTNOTFOUND;
    if (hr == AGENTREQERR_OBJECTNOTFOUND)
        for (STANDINREQUEST& r : Requests)
            if (r.Id == reqid) {
                r.Stopped = true;
                hr = S_OK;
                SetTimer(hWindow, QUEUE_TIMER, QUEUE_TICK_MS, nullptr);
            }
    record_line("Stop #" + std::to_string(reqid), hr);
    return hr;
}

STDMETHODIMP STANDINCHARACTER::StopAll(LONG types)
{
    HRESULT hr = !Server ? AGENTERR_CHARACTERINVALID : should_fail("StopAll") ? E_FAIL : S_OK;
    record_line("StopAll " + std::to_string(types), hr);
    if (FAILED(hr)) return hr;
    for (STANDINREQUEST& r : Requests)
        if (stopped_by(types, r.Kind)) r.Stopped = true;
    SetTimer(hWindow, QUEUE_TIMER, QUEUE_TICK_MS, nullptr);
    return S_OK;
}

STDMETHODIMP STANDINCHARACTER::GetPosition(LONG* left, LONG* top)
{
    HRESULT hr = !left || !top ? E_POINTER : !Server ? AGENTERR_CHARACTERINVALID
                                            : should_fail("GetPosition") ? E_FAIL : S_OK;
    if (FAILED(hr)) {
        record_line("GetPosition", hr);
        return hr;
    }
    *left = PosX;
    *top = PosY;
    record_line("GetPosition " + std::to_string(PosX) + "|" + std::to_string(PosY));
    return S_OK;
}

STDMETHODIMP STANDINCHARACTER::SetPosition(LONG left, LONG top)
{
    HRESULT hr = !Server ? AGENTERR_CHARACTERINVALID : should_fail("SetPosition") ? E_FAIL : S_OK;
    record_line("SetPosition " + std::to_string(left) + "|" + std::to_string(top), hr);
    if (FAILED(hr)) return hr;
    PosX = left;
    PosY = top;
    SetWindowPos(hWindow, nullptr, PosX, PosY, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    return S_OK;
}

STDMETHODIMP STANDINCHARACTER::GetVisible(LONG* visible)
{
    HRESULT hr = !visible ? E_POINTER : !Server ? AGENTERR_CHARACTERINVALID
                                       : should_fail("GetVisible") ? E_FAIL : S_OK;
    if (SUCCEEDED(hr)) *visible = Visible;
    record_line(SUCCEEDED(hr) ? "GetVisible " + std::to_string(Visible) : "GetVisible", hr);
    return hr;
}

STDMETHODIMP STANDINCHARACTER::SetLanguageID(LONG langid)
{
    HRESULT hr = !Server ? AGENTERR_CHARACTERINVALID : should_fail("SetLanguageID") ? E_FAIL : S_OK;
    record_line("SetLanguageID " + std::to_string(langid), hr);
    if (SUCCEEDED(hr)) LanguageId = langid;
    return hr;
}

STDMETHODIMP STANDINCHARACTER::GetLanguageID(LONG* langid)
{
    HRESULT hr = !langid ? E_POINTER : !Server ? AGENTERR_CHARACTERINVALID
                                      : should_fail("GetLanguageID") ? E_FAIL : S_OK;
    if (SUCCEEDED(hr)) *langid = LanguageId;
    record_line(SUCCEEDED(hr) ? "GetLanguageID " + std::to_string(LanguageId) : "GetLanguageID", hr);
    return hr;
}

STDMETHODIMP STANDINCHARACTER::GetTypeInfo(UINT, LCID, ITypeInfo**) { return not_implemented("GetTypeInfo"); }
STDMETHODIMP STANDINCHARACTER::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) { return not_implemented("GetIDsOfNames"); }
STDMETHODIMP STANDINCHARACTER::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) { return not_implemented("Invoke"); }
STDMETHODIMP STANDINCHARACTER::SetSize(LONG, LONG) { return not_implemented("SetSize"); }
STDMETHODIMP STANDINCHARACTER::GetSize(LONG*, LONG*) { return not_implemented("GetSize"); }
STDMETHODIMP STANDINCHARACTER::GetName(BSTR*) { return not_implemented("GetName"); }
STDMETHODIMP STANDINCHARACTER::GetDescription(BSTR*) { return not_implemented("GetDescription"); }
STDMETHODIMP STANDINCHARACTER::GetTTSSpeed(LONG*) { return not_implemented("GetTTSSpeed"); }
STDMETHODIMP STANDINCHARACTER::GetTTSPitch(short*) { return not_implemented("GetTTSPitch"); }
STDMETHODIMP STANDINCHARACTER::Activate(short) { return not_implemented("Activate"); }
STDMETHODIMP STANDINCHARACTER::SetIdleOn(LONG) { return not_implemented("SetIdleOn"); }
STDMETHODIMP STANDINCHARACTER::GetIdleOn(LONG*) { return not_implemented("GetIdleOn"); }
STDMETHODIMP STANDINCHARACTER::Prepare(LONG, BSTR, LONG, LONG*) { return not_implemented("Prepare"); }
STDMETHODIMP STANDINCHARACTER::Wait(LONG, LONG*) { return not_implemented("Wait"); }
STDMETHODIMP STANDINCHARACTER::Interrupt(LONG, LONG*) { return not_implemented("Interrupt"); }
STDMETHODIMP STANDINCHARACTER::GestureAt(short, short, LONG*) { return not_implemented("GestureAt"); }
STDMETHODIMP STANDINCHARACTER::GetMoveCause(LONG*) { return not_implemented("GetMoveCause"); }
STDMETHODIMP STANDINCHARACTER::GetVisibilityCause(LONG*) { return not_implemented("GetVisibilityCause"); }
STDMETHODIMP STANDINCHARACTER::HasOtherClients(LONG*) { return not_implemented("HasOtherClients"); }
STDMETHODIMP STANDINCHARACTER::SetSoundEffectsOn(LONG) { return not_implemented("SetSoundEffectsOn"); }
STDMETHODIMP STANDINCHARACTER::GetSoundEffectsOn(LONG*) { return not_implemented("GetSoundEffectsOn"); }
STDMETHODIMP STANDINCHARACTER::SetName(BSTR) { return not_implemented("SetName"); }
STDMETHODIMP STANDINCHARACTER::SetDescription(BSTR) { return not_implemented("SetDescription"); }
STDMETHODIMP STANDINCHARACTER::GetExtraData(BSTR*) { return not_implemented("GetExtraData"); }
STDMETHODIMP STANDINCHARACTER::ShowPopupMenu(short, short) { return not_implemented("ShowPopupMenu"); }
STDMETHODIMP STANDINCHARACTER::SetAutoPopupMenu(LONG) { return not_implemented("SetAutoPopupMenu"); }
STDMETHODIMP STANDINCHARACTER::GetAutoPopupMenu(LONG*) { return not_implemented("GetAutoPopupMenu"); }
STDMETHODIMP STANDINCHARACTER::GetHelpFileName(BSTR*) { return not_implemented("GetHelpFileName"); }
STDMETHODIMP STANDINCHARACTER::SetHelpFileName(BSTR) { return not_implemented("SetHelpFileName"); }
STDMETHODIMP STANDINCHARACTER::SetHelpModeOn(LONG) { return not_implemented("SetHelpModeOn"); }
STDMETHODIMP STANDINCHARACTER::GetHelpModeOn(LONG*) { return not_implemented("GetHelpModeOn"); }
STDMETHODIMP STANDINCHARACTER::SetHelpContextID(LONG) { return not_implemented("SetHelpContextID"); }
STDMETHODIMP STANDINCHARACTER::GetHelpContextID(LONG*) { return not_implemented("GetHelpContextID"); }
STDMETHODIMP STANDINCHARACTER::GetActive(short*) { return not_implemented("GetActive"); }
STDMETHODIMP STANDINCHARACTER::Listen(LONG) { return not_implemented("Listen"); }
STDMETHODIMP STANDINCHARACTER::GetTTSModeID(BSTR*) { return not_implemented("GetTTSModeID"); }
STDMETHODIMP STANDINCHARACTER::SetTTSModeID(BSTR) { return not_implemented("SetTTSModeID"); }
STDMETHODIMP STANDINCHARACTER::GetSRModeID(BSTR*) { return not_implemented("GetSRModeID"); }
STDMETHODIMP STANDINCHARACTER::SetSRModeID(BSTR) { return not_implemented("SetSRModeID"); }
STDMETHODIMP STANDINCHARACTER::GetGUID(BSTR*) { return not_implemented("GetGUID"); }
STDMETHODIMP STANDINCHARACTER::GetOriginalSize(LONG*, LONG*) { return not_implemented("GetOriginalSize"); }
STDMETHODIMP STANDINCHARACTER::GetVersion(short*, short*) { return not_implemented("GetVersion"); }
STDMETHODIMP STANDINCHARACTER::GetAnimationNames(IUnknown**) { return not_implemented("GetAnimationNames"); }
STDMETHODIMP STANDINCHARACTER::GetSRStatus(LONG*) { return not_implemented("GetSRStatus"); }
