// The program settings: every key with its default in the order the defaults are
// applied, reading and saving horalink.cfg, and moving an old file out of the
// working folder into the data folder.
#include "settings.h"

#include "clockfont.h"
#include "filename.h"
#include "horalinkres.h"
#include "kelvo.h"
#include "osys.h"

#include <windows.h>

// A new settings file counts the last update as half a day ago.
static const unsigned long HALF_DAY_SECONDS = 43200;
static const unsigned long LATEST_TIME = 0xFFFFFFFFul;

enum DEFAULTKIND {
    DEFAULT_TEXT,         // the text as it stands
    DEFAULT_NOW,          // the current time
    DEFAULT_HALFDAYAGO,   // the current time less half a day
    DEFAULT_CLOCKFONT,    // the dock clock's default font
    DEFAULT_RESOURCE,     // a text of the language library
};

struct SETTINGDEFAULT {
    const char* Key;
    DEFAULTKIND Kind;
    const char* Text;
    int Resource;
};

static const SETTINGDEFAULT DEFAULTS[] = {
    {"Version", DEFAULT_TEXT, "0.00", 0},
    {"Mode", DEFAULT_TEXT, "1", 0},
    {"ConnectionType", DEFAULT_TEXT, "-1", 0},
    {"ConnectionDunAny", DEFAULT_TEXT, "0", 0},
    {"ConnectionEntryToMonitor", DEFAULT_TEXT, "", 0},
    {"LastSortColumn", DEFAULT_TEXT, "0", 0},
    {"LastSortOrder", DEFAULT_TEXT, "0", 0},
    {"DlgHideToolbar", DEFAULT_TEXT, "0", 0},
    {"DlgHideMenu", DEFAULT_TEXT, "0", 0},
    {"DlgCloseMinimize", DEFAULT_TEXT, "0", 0},
    {"DlgStartMinimized", DEFAULT_TEXT, "0", 0},
    {"DlgAutoRun", DEFAULT_TEXT, "0", 0},
    {"DlgDblClickMode", DEFAULT_TEXT, "0", 0},
    {"DlgShiftClickMode", DEFAULT_TEXT, "1", 0},
    {"NotifyDoMsgbox", DEFAULT_TEXT, "1", 0},
    {"NotifyDoSound", DEFAULT_TEXT, "1", 0},
    {"NotifyDoSoundLoop", DEFAULT_TEXT, "0", 0},
    {"NotifySoundLoopRep", DEFAULT_TEXT, "60", 0},
    {"NotifySoundFile", DEFAULT_TEXT, "jingling.wav", 0},
    {"ClockFont", DEFAULT_CLOCKFONT, nullptr, 0},
    {"ClockDocked", DEFAULT_TEXT, "1", 0},
    {"ClockTopmost", DEFAULT_TEXT, "0", 0},
    {"ClockTenths", DEFAULT_TEXT, "1", 0},
    {"ClockDateLong", DEFAULT_TEXT, "0", 0},
    {"ClockAnimation", DEFAULT_TEXT, "1", 0},
    {"ClockColor0", DEFAULT_TEXT, "14474460", 0},
    {"ClockColor1", DEFAULT_TEXT, "9737364", 0},
    {"ClockColor2", DEFAULT_TEXT, "8421631", 0},
    {"ClockColorBG", DEFAULT_TEXT, "1052688", 0},
    {"ClockTransparency", DEFAULT_TEXT, "255", 0},
    {"ClockDoTransparency", DEFAULT_TEXT, "0", 0},
    {"ListviewColorBG", DEFAULT_TEXT, "1052688", 0},
    {"TimeServer", DEFAULT_TEXT, "", 0},
    {"TimeDoServer2", DEFAULT_TEXT, "", 0},
    {"TimeServer2", DEFAULT_TEXT, "", 0},
    {"TimeCustomServer", DEFAULT_TEXT, "", 0},
    {"TimeCustomAltServer", DEFAULT_TEXT, "", 0},
    {"TimeDoCustomServer", DEFAULT_TEXT, "0", 0},
    {"TimeDoCustomAltServer", DEFAULT_TEXT, "0", 0},
    {"TimeCheckOnce", DEFAULT_TEXT, "0", 0},
    {"TimeCyclic", DEFAULT_TEXT, "1", 0},
    {"TimeLastRefresh", DEFAULT_HALFDAYAGO, nullptr, 0},
    {"TimeLastRefreshString", DEFAULT_TEXT, "never", 0},
    {"TimeNextRefresh", DEFAULT_NOW, nullptr, 0},
    {"TimeLastValue", DEFAULT_TEXT, "0.000", 0},
    {"TimeLastValueMs", DEFAULT_TEXT, "0", 0},
    {"TimeLastOK", DEFAULT_TEXT, "0", 0},
    {"TimeErrCount", DEFAULT_TEXT, "0", 0},
    {"TimeExtraAdjustment", DEFAULT_TEXT, "0", 0},
    {"TimeLastDiffNice", DEFAULT_TEXT, "-", 0},
    {"TimeLastDateTime", DEFAULT_TEXT, "", 0},
    {"TimeLastStatus", DEFAULT_TEXT, "", 0},
    {"TimeLastStatus2", DEFAULT_TEXT, "", 0},
    {"TimeLastQuality", DEFAULT_TEXT, "0", 0},
    {"TimeLastTimeDelta", DEFAULT_TEXT, "00000000 00000000", 0},
    {"TimeDriftDoAdjust", DEFAULT_TEXT, "0", 0},
    {"TimeDriftAdjustment", DEFAULT_TEXT, "0", 0},
    {"TimeDriftCalc1", DEFAULT_TEXT, "0", 0},
    {"TimeDriftCalc2", DEFAULT_TEXT, "1", 0},
    {"TimeDriftCalc3", DEFAULT_TEXT, "0", 0},
    {"LastTimeServer", DEFAULT_TEXT, "", 0},
    {"DlgTaskbar", DEFAULT_TEXT, "0", 0},
    {"ProAutoTime", DEFAULT_TEXT, "0", 0},
    {"TimeMaxAdjust", DEFAULT_TEXT, "2", 0},
    {"TimeDoMaxAdjust", DEFAULT_TEXT, "0", 0},
    {"TimeNetVariance", DEFAULT_TEXT, "50", 0},
    {"TimeMaxDiff", DEFAULT_TEXT, "1000", 0},
    {"LanDoServer", DEFAULT_TEXT, "0", 0},
    {"LanBrodcastNew", DEFAULT_TEXT, "0", 0},
    {"LanBrodcastCyclic", DEFAULT_TEXT, "0", 0},
    {"LanBrodcastCyclicHours", DEFAULT_TEXT, "4", 0},
    {"LanLastBrodcast", DEFAULT_NOW, nullptr, 0},
    {"AgentSupportActive", DEFAULT_TEXT, "0", 0},
    {"AgentMuteText", DEFAULT_TEXT, "0", 0},
    {"AgentTextCorrect", DEFAULT_RESOURCE, nullptr, IDS_AGENTCORRECT},
    {"AgentTextNotCorrect", DEFAULT_RESOURCE, nullptr, IDS_AGENTNOTCORRECT},
    {"AgentTextAdjusted", DEFAULT_RESOURCE, nullptr, IDS_AGENTADJUSTED},
    {"AgentShortAnim", DEFAULT_TEXT, "0", 0},
};

static STRING default_value(const SETTINGDEFAULT& d, unsigned long now)
{
    switch (d.Kind) {
    case DEFAULT_NOW: return STRING(now);
    case DEFAULT_HALFDAYAGO: return STRING(now - HALF_DAY_SECONDS);
    case DEFAULT_CLOCKFONT: return DefaultClockFont();
    case DEFAULT_RESOURCE: return OSYS::GetStringFromResource(d.Resource);
    case DEFAULT_TEXT: break;
    }
    return STRING(d.Text);
}

STRING SETTINGS::FilePath(const char* datafolder)
{
    return PathJoin(StringNullGuard(datafolder, "SETTINGS::FilePath"), SETTINGS_FILENAME);
}

bool SETTINGS::Migrate(const char* datafolder, const char* oldfolder)
{
    Logit("APP::Migrate entered\n");
    STRING target = FilePath(datafolder);
    STRING source;
    if (oldfolder) {
        source = PathJoin(oldfolder, SETTINGS_FILENAME);
    } else {
        char current[MAX_PATH];
        DWORD n = GetCurrentDirectoryA(sizeof current, current);
        source = PathJoin(n > 0 && n < sizeof current ? current : ".", SETTINGS_FILENAME);
    }
    bool moved = false;
    if (!OSYS::FileExists(target) && OSYS::FileExists(source)) {
        Logit("APP::Migrate - there is work to do\n");
        // Never over a file that appeared meanwhile; the old one goes only once the
        // new one is complete.
        if (CopyFileA(source, target, TRUE)) {
            moved = true;
            if (!DeleteFileA(source))
                Logit("APP::Migrate cannot delete %s: %s\n", source.Text(), ErrorText().Text());
        } else {
            Logit("APP::Migrate cannot copy %s to %s: %s\n", source.Text(), target.Text(),
                  ErrorText().Text());
        }
    }
    Logit("APP::Migrate finished\n");
    return moved;
}

void SETTINGS::ApplyDefaults(HASH& settings, unsigned long now)
{
    for (const SETTINGDEFAULT& d : DEFAULTS) {
        STRING& value = settings[d.Key];
        if (value.IsNull()) value = default_value(d, now);
    }
}

bool SETTINGS::Read(HASH& settings, const char* datafolder, unsigned long now)
{
    STRING file = FilePath(datafolder);
    Logit("SETTINGS::Read %s\n", file.Text());
    bool loaded = settings.Load(file);
    // Whatever was in the table before belongs to no file.
    if (!loaded) settings = HASH();
    ApplyDefaults(settings, now);
    // From here on a lookup of a misspelt key is reported.
    settings.AllowNewKeys(false);
    settings["LastTimeServer"] = settings["TimeServer"];
    STRING& font = settings["ClockFont"];
    if (font.Length() == 0) font = DefaultClockFont();
    Logit("SETTINGS::Read returns %d\n", loaded);
    return loaded;
}

bool SETTINGS::IsLanClient(HASH& settings) { return settings["TimeServer"] == LAN_SERVER_HOST; }

bool SETTINGS::IsLanServer(HASH& settings)
{
    return settings["Mode"].ToInt() == 2 && settings["LanDoServer"].ToInt() != 0;
}

unsigned long SETTINGS::NextRefresh(unsigned long from, double cyclichours)
{
    // Not "<= 0": a text that reads as not-a-number must not schedule anything either.
    if (!(cyclichours > 0)) return from;
    double seconds = cyclichours * 3600;
    double room = static_cast<double>(LATEST_TIME - from);
    return seconds >= room ? LATEST_TIME : from + static_cast<unsigned long>(seconds);
}

void SETTINGS::Apply(HASH& settings)
{
    STRING& mode = settings["Mode"];
    if (mode.ToInt() < 1) mode = "1";
}

bool SETTINGS::Save(const HASH& settings, const char* datafolder)
{
    STRING file = FilePath(datafolder);
    bool ok = settings.Save(file);
    if (!ok) Logit("SETTINGS::Save cannot write %s: %s\n", file.Text(), ErrorText().Text());
    return ok;
}
