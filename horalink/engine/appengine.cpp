// Construction and destruction of APPENGINE, the settings access shared with the
// window thread, and the language texts.
#include "appengine.h"

#include "kelvo.h"
#include "lanlink.h"
#include "mailio.h"
#include "osys.h"
#include "settingkeys.h"
#include "settings.h"
#include "winras.h"

// How long the destructor still waits for an update thread its owner did not stop:
// one pause and one SNTP wait.
const int WORKTHREAD_LAST_WAIT_MS = 15000;

APPENGINE::APPENGINE(HASH& settings, SYSTEMCLOCK& clock, ENGINEEVENTS& events)
    : Settings(settings), Clock(clock), Events(events), DriftSupport(0),
      hThread(nullptr), ThreadRunning(false), StopFlag(0), Suspended(0), Busy(0),
      AdjustPending(0), AdjustAfterUpdate(0), LanClient(0), LanServer(0),
      OnlineSince(0), LanAnswerEvent(false), SntpServer(clock, *this)
{
    Logit("APPENGINE::APPENGINE\n");
    // Ids of two runs rarely collide: the counter starts where the start time puts it.
    MessageCounter = 0x1000 + NowSeconds() % 0x1000;
    DWORD increment = 0;
    DriftSupport = Clock.GetTickIncrement(increment) ? 1 : 0;
    Logit("APPENGINE::APPENGINE drift support %d\n", DriftSupport);
}

APPENGINE::~APPENGINE()
{
    Logit("APPENGINE::~APPENGINE\n");
    StopLan();
    // Its thread asks this object for every reply.
    StopSntpServer();
    if (hThread) {
        bool ended = StopWorkThread(WORKTHREAD_LAST_WAIT_MS);
        ASSERTINFO(ended, "the update thread did not end");
    }
}

STRING APPENGINE::GetSetting(const char* key)
{
    SETTINGSGUARD guard(&SettingsCritSect);
    // A missing key is not created: readers must not grow (or trip) a locked table.
    if (!Settings.Exists(key)) return STRING();
    return Settings[key];
}

int APPENGINE::GetSettingInt(const char* key) { return GetSetting(key).ToInt(); }

unsigned long APPENGINE::GetSettingTime(const char* key)
{
    return static_cast<unsigned long>(GetSetting(key).ToInt64());
}

void APPENGINE::PutSetting(const char* key, const STRING& value)
{
    SETTINGSGUARD guard(&SettingsCritSect);
    Settings[key] = value;
}

bool APPENGINE::PutMissingSetting(const char* key, const STRING& value)
{
    SETTINGSGUARD guard(&SettingsCritSect);
    if (Settings.Exists(key)) return false;
    bool locked = Settings.AllowNewKeys(true);
    Settings[key] = value;
    Settings.AllowNewKeys(!locked);
    return true;
}

STRING APPENGINE::ResourceText(int id, const char* value)
{
    STRING text = OSYS::GetStringFromResource(id);
    int pos = value ? text.Pos("%s") : -1;
    if (pos < 0) return text;
    // Filled by hand, not by printf: a translator's stray "%d" must not read garbage.
    STRING filled = text.Left(pos) + value;
    filled += text.Mid(pos + 2);
    return filled;
}

void APPENGINE::SetMode(int mode)
{
    SETTINGSGUARD guard(&SettingsCritSect);
    Settings[KEY::Mode] = STRING(mode);
    SETTINGS::Apply(Settings);
}

void APPENGINE::SetLanFlags(bool client, bool server)
{
    LanClient = client ? 1 : 0;
    // A LAN client never serves.
    LanServer = server && !client ? 1 : 0;
    UpdateSntpServer();
}
