// One update sequence: the internet tries against TimeServer and TimeServer2 (or
// the LAN client's request), each try judged and recorded, then the common end and
// the next date in the schedule.
#include "appengine.h"

#include "horalinkres.h"
#include "kelvo.h"
#include "kelvoapp.h"
#include "osys.h"
#include "settingkeys.h"
#include "settings.h"

void APPENGINE::UpdateItem()
{
    Logit("APP::UpdateItem\n");
    Logit("APP::UpdateItem do update\n");
    Busy = 1;
    Logit("APP::OnCheck()\n");
    Events.CheckStarted(GetSetting(KEY::TimeServer));

    bool lanclient = IsLanClient();
    bool good = lanclient ? LanClientRequest() : InternetTries();

    AfterCheck(lanclient ? 0 : 1);
    Refreshed();
    Busy = 0;
    Events.CheckDone(good);
    if (good && (TestArg("ONCE") || (GetSettingInt(KEY::ProAutoTime) && GetSettingInt(KEY::TimeCheckOnce)))) {
        Logit("APP::UpdateItem one good update was asked for: exit\n");
        Events.ExitRequested();
    }
    Logit("APP::~UpdateItem\n");
}

bool APPENGINE::InternetTries()
{
    int tries = GetSettingInt(KEY::TimeDoServer2) ? 2 : 1;
    Logit("APP::UpdateItem before Sleep\n");
    OSYS::Sleep(static_cast<int>(Timings.UpdatePauseMs));
    Logit("APP::UpdateItem after Sleep\n");

    bool good = false;
    for (int i = 0; !good && i < tries; i++) {
        Logit("APP::UpdateItem try %d/%d\n", i + 1, tries);
        STRING server = GetSetting(i == 0 ? KEY::TimeServer : KEY::TimeServer2);
        if (Kiss[i].Server != server) Kiss[i] = KISSSTATE{server, 0, STRING()};
        PutSetting(KEY::LastTimeServer, server);
        Events.StatusChanged();
        if (Kiss[i].Stopped.NotEmpty()) {
            Logit("APP::UpdateItem %s is not asked: it sent %s\n", server.Text(), Kiss[i].Stopped.Text());
            PutSetting(KEY::TimeLastStatus, ResourceText(IDS_STATUSFAILED));
            PutSetting(KEY::TimeLastStatus2, ResourceText(IDS_SNTPSTOPPED, Kiss[i].Stopped));
            continue;
        }

        STRING output;
        NTPTIME offset;
        int ok = GetNtpTime(server, output, offset);
        bool stopped = HandleKiss(i);
        ExtraAdjustment(offset, ExtraAdjustmentSeconds());
        if (StoreResult(ok, output, offset)) {
            HandleNewResult(output, offset);
            good = true;
        } else {
            Logit("APP::UpdateItem error occurred %s\n", output.Text());
            PutSetting(KEY::TimeLastStatus, ResourceText(IDS_STATUSFAILED));
            PutSetting(KEY::TimeLastStatus2, stopped ? ResourceText(IDS_SNTPSTOPPED, Kiss[i].Stopped) : output);
        }
        Logit("APP::UpdateItem end loop\n");
    }
    return good;
}

bool APPENGINE::LanClientRequest()
{
    Logit("APP::UpdateItem asks the LAN\n");
    LanAnswerEvent.Reset();
    SendLanTimeRequest();
    // The protocol checks an answer on arrival; it is judged here, on the update thread.
    if (LanAnswerEvent.Wait(static_cast<int>(Timings.LanAnswerWaitMs)) && TakeLanResult()) return true;

    Logit("APP::UpdateItem no answer from the LAN\n");
    STRING output("+ERR Timeout");
    StoreResult(0, output, NTPTIME());
    PutSetting(KEY::TimeLastStatus, ResourceText(IDS_STATUSFAILED));
    PutSetting(KEY::TimeLastStatus2, ResourceText(IDS_LANTIMEOUT));
    return false;
}

// Kiss-o'-death rules. DENY and RSTR stop the server until its setting changes. RATE
// backs off: the next scheduled check comes after twice the last interval for that
// server, starting from the polite interval (TimeCyclic, at least 60 s), so 120 s after
// the first RATE with TimeCyclic below a minute; the doubling stops at the longer of
// the configured interval and MAX_BACKOFF_SECONDS (2^17 s, about 36 h: NTP's longest
// poll), since a cap at the configured interval alone would never back off at all.
// A try without a kiss forgets the back-off.
static const unsigned long MAX_BACKOFF_SECONDS = 131072;

bool APPENGINE::HandleKiss(int slot)
{
    KISSSTATE& kiss = Kiss[slot];
    if (LastKissCode == "DENY" || LastKissCode == "RSTR") {
        Logit("APP::UpdateItem %s sent %s: it is not asked again\n", kiss.Server.Text(), LastKissCode.Text());
        kiss.Stopped = LastKissCode;
        return true;
    }
    if (LastKissCode != "RATE") {
        kiss.Backoff = 0;
        return false;
    }
    unsigned long now = NowSeconds();
    unsigned long polite = SETTINGS::NextRefresh(now, GetSetting(KEY::TimeCyclic).ToDouble()) - now;
    if (polite < SETTINGS::MIN_POLL_SECONDS) polite = SETTINGS::MIN_POLL_SECONDS;
    unsigned long last = kiss.Backoff > polite ? kiss.Backoff : polite;
    unsigned long cap = polite > MAX_BACKOFF_SECONDS ? polite : MAX_BACKOFF_SECONDS;
    kiss.Backoff = last > cap / 2 ? cap : last * 2;
    Logit("APP::UpdateItem %s sent RATE: next check in %lu s\n", kiss.Server.Text(), kiss.Backoff);
    return false;
}
