// The program settings: the key table with its defaults, the file horalink.cfg in
// the data folder, its move out of the working folder, the flags derived from it, and
// what accepting new settings sets going.
#pragma once

#include "hash.h"
#include "semaphores.h"
#include "strings.h"

const char SETTINGS_FILENAME[] = "horalink.cfg";
// The server asked when the set-up wizard finishes without a choice.
const char DEFAULT_TIME_SERVER[] = "pool.ntp.org";
// The time server name that stands for the LAN server: asking it makes this PC a LAN
// client. The reserved top-level domain ".invalid" never resolves.
const char LAN_SERVER_HOST[] = "lanserver.horalink.invalid";
// Version text below which an upgrade shows its information box.
const char SETTINGS_INFO_BELOW_VERSION[] = "0.80";

// Holds the lock of a settings table shared between threads for one block; without a
// lock (a table only one thread uses) it holds nothing.
class SETTINGSGUARD {
public:
    explicit SETTINGSGUARD(CRITSECT* lock) : Lock(lock)
    {
        if (Lock) Lock->Enter();
    }
    ~SETTINGSGUARD()
    {
        if (Lock) Lock->Leave();
    }
    SETTINGSGUARD(const SETTINGSGUARD&) = delete;
    SETTINGSGUARD& operator=(const SETTINGSGUARD&) = delete;

private:
    CRITSECT* Lock;
};

// What the program does with new settings beyond the table and the file, called by
// SETTINGS::Accept in its order.
class SETTINGSEVENTS {
public:
    virtual ~SETTINGSEVENTS() {}
    // The LAN roles derived from the new settings.
    virtual void SetLanFlags(bool lanclient, bool lanserver) = 0;
    // The drift correction of TimeDriftDoAdjust and TimeDriftAdjustment.
    virtual void ApplyDrift() = 0;
    // The dock clock, the main window (toolbar, menu, status list, title, tray icon)
    // and the assistant follow the new settings.
    virtual void ApplyWindows() = 0;
    // The accepted settings were written to the file (saved), or not.
    virtual void SettingsSaved(bool saved) { (void)saved; }
};

// What the start-up reading found of the settings file. Only a missing file (or folder)
// is a first start; a file that is there but could not be read, or is larger than any
// settings file could be, must never be saved over.
enum SETTINGSFILESTATE {
    SETTINGSFILE_READ,
    SETTINGSFILE_MISSING,
    SETTINGSFILE_UNREADABLE,
    SETTINGSFILE_TOOLARGE,
};
// A settings file holds a few kilobytes; a megabyte is no settings file.
const long long SETTINGS_MAX_FILE_BYTES = 1024 * 1024;

namespace SETTINGS {
// The settings file of a data folder.
STRING FilePath(const char* datafolder);

// Copies horalink.cfg from oldfolder (null: the current folder) into datafolder when
// the data folder has none, never overwriting, and deletes the old file only after
// the copy succeeded. True when a file was moved.
bool Migrate(const char* datafolder, const char* oldfolder = nullptr);

// Fills every key that is still null with its default, in the table's order; times
// count from now (seconds since 1970). Keys with an empty value keep it.
void ApplyDefaults(HASH& settings, unsigned long now);

// The start-up reading: the file (a missing, unreadable or too large one gives an empty
// table), the defaults, the lock against new keys, LastTimeServer = TimeServer and the
// default font for an empty ClockFont. True when the file was read; state (when given)
// tells a missing file, a first start, from one that is there but was not read.
bool Read(HASH& settings, const char* datafolder, unsigned long now, SETTINGSFILESTATE* state = nullptr);

// Whether TimeServer names the LAN server (this PC is a LAN client).
bool IsLanClient(HASH& settings);
// Whether this PC serves the time to the LAN: Mode 2 and LanDoServer on.
bool IsLanServer(HASH& settings);

// The shortest time between two scheduled queries, whatever TimeCyclic holds.
const unsigned long MIN_POLL_SECONDS = 60;

// When the update after one at time from (seconds since 1970) is due with TimeCyclic
// hours between updates (at least MIN_POLL_SECONDS): from itself without a positive
// interval, and the last time the count holds rather than a wrapped one for a huge
// interval.
unsigned long NextRefresh(unsigned long from, double cyclichours);

// Applies the settings that need no window: a Mode below 1 is stored as "1".
void Apply(HASH& settings);

// Writes the whole table to the data folder's settings file, atomically; true when
// the file was written.
bool Save(const HASH& settings, const char* datafolder);

// Writes (autorun) or removes the program's entry in the current user's autostart key,
// named by text IDS_HELPNAME; a failure is logged under caller's name. True when done.
bool SetAutoRun(bool autorun, const char* caller);

// Makes accepted settings take effect: user-typed servers into TimeServer/TimeServer2,
// the LAN flags and LastTimeServer, the autostart entry, the drift correction, the
// status list colour, the windows, the next check counted from the last one, and the
// file saved (not without a data folder: the file must be kept as it is). The table is
// used under lock (when given), the events are called outside it.
void Accept(HASH& settings, CRITSECT* lock, const char* datafolder, SETTINGSEVENTS& events);
}  // namespace SETTINGS
