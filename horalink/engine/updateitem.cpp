// One update sequence: the internet tries against TimeServer and TimeServer2 (or
// the LAN client's request), each try judged and recorded, then the common end and
// the next date in the schedule.
#include "appengine.h"

#include "horalinkres.h"
#include "kelvo.h"
#include "kelvoapp.h"
#include "osys.h"
#include "settingkeys.h"

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
        PutSetting(KEY::LastTimeServer, server);
        Events.StatusChanged();

        STRING output;
        NTPTIME offset;
        int ok = GetNtpTime(server, output, offset);
        ExtraAdjustment(offset, ExtraAdjustmentSeconds());
        if (StoreResult(ok, output, offset)) {
            HandleNewResult(output, offset);
            good = true;
        } else {
            Logit("APP::UpdateItem error occurred %s\n", output.Text());
            PutSetting(KEY::TimeLastStatus, ResourceText(IDS_STATUSFAILED));
            PutSetting(KEY::TimeLastStatus2, output);
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
    // The LAN protocol records and judges the answer itself before it sets the event.
    if (LanAnswerEvent.Wait(static_cast<int>(Timings.LanAnswerWaitMs))) return true;

    Logit("APP::UpdateItem no answer from the LAN\n");
    STRING output("+ERR Timeout");
    StoreResult(0, output, NTPTIME());
    PutSetting(KEY::TimeLastStatus, ResourceText(IDS_STATUSFAILED));
    PutSetting(KEY::TimeLastStatus2, ResourceText(IDS_LANTIMEOUT));
    return false;
}
