// The program settings: every key with its default in the order the defaults are
// applied, reading and saving horalink.cfg, moving an old file out of the working
// folder into the data folder, and the steps that make accepted settings take effect.
#include "settings.h"

#include "atomicfile.h"
#include "clockfont.h"
#include "filename.h"
#include "horalinkres.h"
#include "kelvo.h"
#include "osys.h"
#include "registry.h"
#include "settingkeys.h"

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

#define HORALINK_KEY_DEFAULT(name, kind, text, resource) {KEY::name, DEFAULT_##kind, text, resource},
static const SETTINGDEFAULT DEFAULTS[] = {HORALINK_SETTING_KEYS(HORALINK_KEY_DEFAULT)};
#undef HORALINK_KEY_DEFAULT

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

// Whether the file is there to be read: only "not found" means that it is not.
static SETTINGSFILESTATE file_state(const STRING& file)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(file.Text(), GetFileExInfoStandard, &data)) {
        DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return SETTINGSFILE_MISSING;
        Logit("SETTINGS::Read cannot look at %s: %s\n", file.Text(), ErrorText(static_cast<long>(error)).Text());
        return SETTINGSFILE_UNREADABLE;
    }
    long long size = (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    if (size > SETTINGS_MAX_FILE_BYTES) {
        Logit("SETTINGS::Read refuses %s: %lld bytes\n", file.Text(), size);
        return SETTINGSFILE_TOOLARGE;
    }
    return SETTINGSFILE_READ;
}

bool SETTINGS::Read(HASH& settings, const char* datafolder, unsigned long now, SETTINGSFILESTATE* state)
{
    STRING file = FilePath(datafolder);
    Logit("SETTINGS::Read %s\n", file.Text());
    // What an interrupted save left beside the file is no settings and never will be.
    ATOMICFILE::RemoveLeftovers(datafolder);
    SETTINGSFILESTATE found = file_state(file);
    bool loaded = found == SETTINGSFILE_READ && settings.Load(file);
    if (found == SETTINGSFILE_READ && !loaded) {
        found = SETTINGSFILE_UNREADABLE;
        Logit("SETTINGS::Read cannot read %s: %s\n", file.Text(), ErrorText().Text());
    }
    if (state) *state = found;
    // Whatever was in the table before belongs to no file.
    if (!loaded) settings = HASH();
    ApplyDefaults(settings, now);
    // From here on a lookup of a misspelt key is reported.
    settings.AllowNewKeys(false);
    settings[KEY::LastTimeServer] = settings[KEY::TimeServer];
    STRING& font = settings[KEY::ClockFont];
    if (font.Length() == 0) font = DefaultClockFont();
    Logit("SETTINGS::Read returns %d\n", loaded);
    return loaded;
}

bool SETTINGS::IsLanClient(HASH& settings) { return settings[KEY::TimeServer] == LAN_SERVER_HOST; }

bool SETTINGS::IsLanServer(HASH& settings)
{
    return settings[KEY::Mode].ToInt() == 2 && settings[KEY::LanDoServer].ToInt() != 0;
}

unsigned long SETTINGS::NextRefresh(unsigned long from, double cyclichours)
{
    // Not "<= 0": a text that reads as not-a-number must not schedule anything either.
    if (!(cyclichours > 0)) return from;
    double seconds = cyclichours * 3600;
    // Polite polling: a scheduled query never comes sooner than a minute after the last.
    if (seconds < SETTINGS::MIN_POLL_SECONDS) seconds = SETTINGS::MIN_POLL_SECONDS;
    double room = static_cast<double>(LATEST_TIME - from);
    return seconds >= room ? LATEST_TIME : from + static_cast<unsigned long>(seconds);
}

void SETTINGS::Apply(HASH& settings)
{
    STRING& mode = settings[KEY::Mode];
    if (mode.ToInt() < 1) mode = "1";
}

bool SETTINGS::Save(const HASH& settings, const char* datafolder)
{
    STRING file = FilePath(datafolder);
    bool ok = settings.Save(file);
    if (!ok) {
        // Kept for the caller, who tells the user why; the log line must not change it.
        DWORD error = GetLastError();
        Logit("SETTINGS::Save cannot write %s: %s\n", file.Text(), ErrorText(static_cast<long>(error)).Text());
        SetLastError(error);
    }
    return ok;
}

bool SETTINGS::SetAutoRun(bool autorun, const char* caller)
{
    STRING name = OSYS::GetStringFromResource(IDS_HELPNAME);
    bool ok = SetAutoStart(name, autorun);
    if (!ok) Logit("%s cannot set the autostart entry %s\n", caller, name.Text());
    return ok;
}

void SETTINGS::Accept(HASH& settings, CRITSECT* lock, const char* datafolder, SETTINGSEVENTS& events)
{
    Logit("AcceptSettings\n");
    bool lanclient, lanserver, autorun;
    {
        SETTINGSGUARD guard(lock);
        if (settings[KEY::TimeDoCustomServer].ToInt() != 0)
            settings[KEY::TimeServer] = settings[KEY::TimeCustomServer];
        if (settings[KEY::TimeDoCustomAltServer].ToInt() != 0)
            settings[KEY::TimeServer2] = settings[KEY::TimeCustomAltServer];
        lanclient = IsLanClient(settings);
        lanserver = IsLanServer(settings);
        settings[KEY::LastTimeServer] = settings[KEY::TimeServer];
        autorun = settings[KEY::DlgAutoRun].ToInt() != 0;
    }

    events.SetLanFlags(lanclient, lanserver);
    SetAutoRun(autorun, "AcceptSettings");
    events.ApplyDrift();

    {
        SETTINGSGUARD guard(lock);
        settings[KEY::ListviewColorBG] = settings[KEY::ClockColorBG];
    }
    events.ApplyWindows();

    bool saved = false;
    {
        SETTINGSGUARD guard(lock);
        // Counted from the last check, so that a changed interval takes effect at once.
        // Stored before the file is written, so that the file holds the new schedule too.
        unsigned long last = static_cast<unsigned long>(settings[KEY::TimeLastRefresh].ToInt64());
        settings[KEY::TimeNextRefresh] =
            STRING(NextRefresh(last, settings[KEY::TimeCyclic].ToDouble()));
        if (datafolder)
            saved = Save(settings, datafolder);
        else
            Logit("AcceptSettings keeps the settings file as it is\n");
    }
    events.SettingsSaved(saved);
    Logit("AcceptSettings done\n");
}
