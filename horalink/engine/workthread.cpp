// The update thread: twice a second it ticks the window, checks whether the PC is
// online, runs an update when the schedule says so and sets the clock when a
// decision asked for it. Also its start and stop, and the online test.
#include "appengine.h"

#include "kelvo.h"
#include "osys.h"
#include "settingkeys.h"
#include "winras.h"

#include <cstring>
#include <new>

bool APPENGINE::StartWorkThread()
{
    if (!ASSERTINFO(hThread == nullptr, "APP::StartWorkThread")) return false;
    StopFlag = 0;
    ThreadRunning = true;
    hThread = OSYS::CreateThread(WorkThreadEntry, this);
    if (!hThread) ThreadRunning = false;
    return hThread != nullptr;
}

bool APPENGINE::StopWorkThread(int timeout)
{
    Logit("APP::StopWorkThread %d\n", timeout);
    StopFlag = 1;
    if (!hThread) return true;
    return OSYS::WaitThread(hThread, timeout);
}

unsigned __stdcall APPENGINE::WorkThreadEntry(void* engine)
{
    static_cast<APPENGINE*>(engine)->WorkThread();
    return 0;
}

void APPENGINE::WorkThread()
{
    Logit("APP::WorkThread\n");
    int lastonline = -1;
    while (!StopFlag) {
        OSYS::Sleep(WORKTHREAD_ROUND_MS);
        Events.Tick();
        if (Suspended) continue;

        int online = IsOnline();
        if (online != lastonline) {
            Logit("APP::WorkThread loop online changed (last was %d)\n", lastonline);
            lastonline = online;
            OnlineSince = online ? NowSeconds() : 0;
        }
        if (online) {
            // A fresh dial-up connection is given ten seconds before it is used.
            bool settling = GetSettingInt(KEY::ConnectionType) != 0 &&
                            NowSeconds() - OnlineSince < Timings.DialupGraceS;
            if (!settling && (NeedsRefresh() || AdjustAfterUpdate != 0)) UpdateItem();
        }
        // A server's broadcast time taken by the protocol since the last round.
        if (TakeLanResult()) AfterCheck(0);
        if (NeedsBrodcast()) {
            LanServerBroadcast();
            PutSetting(KEY::LanLastBrodcast, STRING(NowSeconds()));
        }
        // Taken before the adjustment: a request made while it runs is another one.
        if (AdjustPending.exchange(0)) AdjustNow();
    }
    Logit("APP::~WorkThread loop done\n");
    OSYS::Sleep(100);
    Events.ThreadEnded();
    // The owner keeps the handle and closes it when it has seen the thread end.
    ThreadRunning = false;
    Logit("APP::~WorkThread\n");
}

int APPENGINE::IsOnline()
{
    int type = GetSettingInt(KEY::ConnectionType);
    if (type == 0) return 1;
    if (IsLanClient()) return 1;
    if (type != 1) return 0;

    STRING entry = GetSettingInt(KEY::ConnectionDunAny) ? STRING("") : GetSetting(KEY::ConnectionEntryToMonitor);
    if (entry.Length() >= WINRAS_ENTRYNAME_SIZE) {
        // Refused, not cut: a cut name could match another entry. Reported once per name.
        if (entry != ReportedEntry) {
            ReportedEntry = entry;
            ASSERTINFO(entry.Length() < WINRAS_ENTRYNAME_SIZE, "ConnectionEntryToMonitor too long");
        }
        return 0;
    }
    char name[WINRAS_ENTRYNAME_SIZE] = "";
    memcpy(name, entry.Text(), static_cast<size_t>(entry.Length()) + 1);
    if (!Ras) Ras.reset(new (std::nothrow) WINRAS());
    if (!ASSERT(Ras)) return 0;
    return Ras->IsConnected(name, sizeof name, nullptr) ? 1 : 0;
}
