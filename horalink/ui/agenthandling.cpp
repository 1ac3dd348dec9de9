// APP and its assistant: starting and stopping it, handing it the engine's events from
// the update thread, and acting each event out on the window thread as one sequence of
// requests, whose end the next event waits for.
#include "app.h"

#include "appmessages.h"
#include "horaagent.h"
#include "horalinkres.h"
#include "kelvo.h"
#include "osys.h"
#include "settingkeys.h"
#include "winmisc.h"

#include <cstdlib>
#include <cstring>
#include <new>

// The events the engine hands over, and the assistant's own greeting.
const char AGENTEVENT_WELCOME[] = "Welcome";
const char AGENTEVENT_CHECK[] = "OnCheck";
const char AGENTEVENT_GOODMATCH[] = "OnGoodMatch";
const char AGENTEVENT_NEEDADJUST[] = "OnNeedClockAdjust";
const char AGENTEVENT_ADJUSTED[] = "OnClockAdjusted";
const char AGENTEVENT_EXIT[] = "Exit";

static bool is_event(const char* name, const char* event) { return _stricmp(name, event) == 0; }

// ---------------------------------------------------------------- start and stop

void APP::MakeMsAgent(int on)
{
    Logit("APP::MakeMsAgent %d\n", on);
    if (!on) {
        DestroyAgent();
        return;
    }
    if (ServiceRun || Agent || Engine.GetSettingInt(KEY::AgentSupportActive) != 1) return;
    std::unique_ptr<HORAAGENT> agent(new (std::nothrow) HORAAGENT(*this, hWnd));
    if (agent && agent->IsUpAndRunning()) {
        {
            CRITSECTLOCK lock(AgentLock);
            Agent = std::move(agent);
        }
        AgentEvent(AGENTEVENT_WELCOME, 0);
        return;
    }
    agent.reset();
    Logit("APP::MakeMsAgent no character server: the assistant is switched off\n");
    Engine.PutSetting(KEY::AgentSupportActive, "0");
    WINKELVO::ErrorMsgBox(hWnd, OSYS::GetStringFromResource(IDS_MSGTITLE),
                          OSYS::GetStringFromResource(IDS_AGENTNOSERVER));
}

void APP::DestroyAgent()
{
    std::unique_ptr<HORAAGENT> agent;
    {
        CRITSECTLOCK lock(AgentLock);
        agent.swap(Agent);
    }
    if (!agent) return;
    if (hWnd) KillTimer(hWnd, TIMER_AGENT);
    AgentCutRequest = MSAGENT_NOID;
    agent.reset();
}

bool APP::AgentRunning()
{
    CRITSECTLOCK lock(AgentLock);
    return Agent && Agent->IsUpAndRunning();
}

// ---------------------------------------------------------------- events

void APP::AgentEvent(const char* name, int wait)
{
    if (!name) return;
    Logit("APP::AgentEvent %s %d\n", name, wait);
    // The event is the object's, which the window thread may destroy meanwhile: the
    // wait holds a handle of its own.
    HANDLE done = nullptr;
    {
        CRITSECTLOCK lock(AgentLock);
        if (Agent && Agent->IsUpAndRunning() &&
            !DuplicateHandle(GetCurrentProcess(), Agent->CompletionHandle(), GetCurrentProcess(), &done, 0,
                             FALSE, DUPLICATE_SAME_ACCESS))
            done = nullptr;
    }
    if (!done) {
        Logit("APP::AgentEvent done\n");
        return;
    }
    if (wait && OnWindowThread()) {
        // The last sequence ends by messages of this very thread: it cannot be waited for.
        Logit("APP::AgentEvent on the window thread: no wait\n");
    } else if (wait) {
        // A looping animation that nobody cuts short runs until the next event.
        Post(WM__MSAGENTREQUEST, AGENTREQUEST_CUT, 0);
        // A server that never completes a request must not hold the update thread.
        if (WaitForSingleObject(done, AGENT_EVENT_WAIT_MS) != WAIT_OBJECT_0)
            Logit("APP::AgentEvent gives up waiting for the last sequence after %lu ms\n", AGENT_EVENT_WAIT_MS);
    }
    Logit("APP::HandleAgentEvent after Wait\n");
    // Until the window thread has acted this event out, the next one waits for it too.
    ResetEvent(done);
    CloseHandle(done);
    bool posted = false;
    {
        CRITSECTLOCK lock(AgentLock);
        if (Agent) posted = Agent->PostEvent(name);
    }
    if (!posted) Logit("APP::AgentEvent %s not posted\n", name);
    Logit("APP::AgentEvent done\n");
}

int APP::HandleAgentMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_TIMER:
        if (wParam != TIMER_AGENT) return 0;
        KillTimer(hWnd, TIMER_AGENT);
        AgentCutAnimation();
        return 1;
    case WM__MSAGENTREQUEST:
        if (wParam == AGENTREQUEST_EVENT) {
            char* name = reinterpret_cast<char*>(lParam);
            if (name) HandleAgentEvent(name);
            free(name);
        } else if (wParam == AGENTREQUEST_CUT && Engine.GetSettingInt(KEY::AgentShortAnim) == 0) {
            AgentCutAnimation();
        }
        return 1;
    case WM__MSAGENTNOTIFY: {
        unsigned int id = static_cast<unsigned int>(lParam);
        if (!Agent || id != AgentCutRequest) return 1;
        if (wParam == 0 && Engine.GetSettingInt(KEY::AgentShortAnim) != 0) {
            SetTimer(hWnd, TIMER_AGENT, AGENT_SHORTANIM_MS, nullptr);
        } else if (wParam == 1) {
            // Over before its time (cut by the next event, or not a looping one after all).
            AgentCutRequest = MSAGENT_NOID;
            KillTimer(hWnd, TIMER_AGENT);
        }
        return 1;
    }
    }
    return 0;
}

void APP::AgentCutAnimation()
{
    if (!Agent || AgentCutRequest == MSAGENT_NOID) return;
    Logit("APP::AgentCutAnimation request %u\n", AgentCutRequest);
    Agent->DoStop(AgentCutRequest);
    AgentCutRequest = MSAGENT_NOID;
}

void APP::HandleAgentEvent(const char* name)
{
    Logit("APP::HandleAgentEvent %s\n", name);
    HORAAGENT* agent = Agent.get();
    if (!agent || !agent->IsUpAndRunning()) return;
    int mute = Engine.GetSettingInt(KEY::AgentMuteText);
    int shortanim = Engine.GetSettingInt(KEY::AgentShortAnim);
    int active = Engine.GetSettingInt(KEY::AgentSupportActive);
    ASSERTINFO(active, KEY::AgentSupportActive);
    int voice = mute != 1;
    const char* goodnews = shortanim ? "Pleased" : "Announce";
    agent->StartSequence();
    // A request the server refuses is logged by the wrapper; the sequence goes on.
    if (is_event(name, AGENTEVENT_WELCOME)) {
        agent->DoMoveToStoredPosition();
        agent->DoShow(0);
        agent->DoPlay("Pleased");
        agent->DoSpeak(OSYS::GetStringFromResource(IDS_AGENTWELCOME), voice);
        agent->EndSequence(0);
        return;
    }
    if (is_event(name, AGENTEVENT_CHECK)) {
        agent->DoShow(0);
        agent->DoPlay("Search", &AgentCutRequest);
    } else if (is_event(name, AGENTEVENT_GOODMATCH)) {
        agent->DoShow(0);
        agent->DoPlay(goodnews);
        agent->DoSpeak(Engine.GetSetting(KEY::AgentTextCorrect), voice);
        agent->DoHide(0);
    } else if (is_event(name, AGENTEVENT_NEEDADJUST)) {
        agent->DoShow(0);
        agent->DoPlay("Confused");
        agent->DoSpeak(Engine.GetSetting(KEY::AgentTextNotCorrect), voice);
    } else if (is_event(name, AGENTEVENT_ADJUSTED)) {
        agent->DoShow(0);
        agent->DoPlay("Process", &AgentCutRequest);
        agent->DoPlay(goodnews);
        agent->DoSpeak(Engine.GetSetting(KEY::AgentTextAdjusted), voice);
        agent->DoHide(0);
    } else if (!is_event(name, AGENTEVENT_EXIT)) {
        ASSERTTEXT(false, "FALSE", name);
        // Nothing was asked of the character: the next event need not wait.
        agent->EndSequence(0);
        return;
    }
    agent->EndSequence(1);
}
