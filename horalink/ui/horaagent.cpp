// The assistant's character bound to horalink's settings and main window: its place
// kept in AgentPosX and AgentPosY, the double-click that adjusts the clock, and the
// main window as the receiver of its notifications and events.
#include "horaagent.h"

#include "app.h"
#include "appmessages.h"
#include "horalinkres.h"
#include "kelvo.h"
#include "settingkeys.h"

// A place read from the settings file, kept inside the virtual screen so that the
// character never stands where nobody can see or drag it (a display taken away, a
// number edited by hand).
static int on_screen(int value, int first, int size)
{
    if (size <= 0) return value;
    if (value < first) return first;
    if (value > first + size - 1) return first + size - 1;
    return value;
}

HORAAGENT::HORAAGENT(APP& owner, HWND window) : Owner(owner), hWndMain(window), CharacterLoaded(0)
{
    Logit("HORAAGENT::HORAAGENT\n");
    APPENGINE& engine = Owner.GetEngine();
    engine.PutMissingSetting(KEY::AgentPosX, AGENT_DEFAULT_POS);
    engine.PutMissingSetting(KEY::AgentPosY, AGENT_DEFAULT_POS);
    if (MSAGENT::IsUpAndRunning() && DoLoadDefaultCharacter()) {
        CharacterLoaded = 1;
        SetNotifyTarget(hWndMain, WM__MSAGENTNOTIFY);
        SetEventTarget(hWndMain, WM__MSAGENTREQUEST);
    }
    Logit("HORAAGENT::HORAAGENT done, loaded %d\n", CharacterLoaded);
}

HORAAGENT::~HORAAGENT()
{
    Logit("HORAAGENT::~HORAAGENT\n");
    SetNotifyTarget(nullptr, 0);
    SetEventTarget(nullptr, 0);
}

int HORAAGENT::IsUpAndRunning()
{
    int up = MSAGENT::IsUpAndRunning() && CharacterLoaded ? 1 : 0;
    Logit("HORAAGENT::IsUpAndRunning returns %d\n", up);
    return up;
}

int HORAAGENT::DoLoadDefaultCharacter()
{
    if (!MSAGENT::DoLoadDefaultCharacter()) return 0;
    DoMoveToStoredPosition();
    return 1;
}

int HORAAGENT::DoMoveToStoredPosition(unsigned int* requestid)
{
    APPENGINE& engine = Owner.GetEngine();
    int x = on_screen(engine.GetSettingInt(KEY::AgentPosX), GetSystemMetrics(SM_XVIRTUALSCREEN),
                      GetSystemMetrics(SM_CXVIRTUALSCREEN));
    int y = on_screen(engine.GetSettingInt(KEY::AgentPosY), GetSystemMetrics(SM_YVIRTUALSCREEN),
                      GetSystemMetrics(SM_CYVIRTUALSCREEN));
    return DoMove(x, y, requestid);
}

HRESULT WINAPI HORAAGENT::DblClick(long, short, long, long)
{
    Logit("HORAAGENT::DblClick\n");
    Owner.DoCommand(IDM_ADJUSTNOW);
    return S_OK;
}

HRESULT WINAPI HORAAGENT::DragComplete(long, short, long, long)
{
    Logit("HORAAGENT::DragComplete\n");
    long x = 0;
    long y = 0;
    if (GetPosition(&x, &y)) {
        APPENGINE& engine = Owner.GetEngine();
        engine.PutSetting(KEY::AgentPosX, STRING(static_cast<int>(x)));
        engine.PutSetting(KEY::AgentPosY, STRING(static_cast<int>(y)));
    }
    Logit("HORAAGENT::DragComplete done\n");
    return S_OK;
}
