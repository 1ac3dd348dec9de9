// The settings dialog: eight pages behind tabs, each bound to keys of the settings.
// Closing it with OK sets SETTINGS::Accept going, whose events settings.h declares.
#pragma once

#include "clock.h"
#include "datadialogs.h"
#include "driftdialog.h"
#include "hash.h"
#include "semaphores.h"
#include "settings.h"
#include "strings.h"

#include <windows.h>

// The book of pages. It edits Values, a copy of the settings, so that the update
// thread can go on using the table while the dialog is open, and Cancel changes nothing.
class SETTINGSDIALOG : public DATADIALOGBOOK {
public:
    SETTINGSDIALOG(HWND owner, const HASH& settings, SYSTEMCLOCK& clock);
    ~SETTINGSDIALOG() override;

    INT_PTR DlgProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    // The values go out of the pages, the drift calculator's with them.
    void SaveItems() override;

    // Writes the keys the pages edit from Values into settings.
    void CopyValues(HASH& settings);

    HASH Values;
    DRIFTVALUES Drift;

private:
    // The value of key in Values, remembered as one the dialog edits.
    STRING* Bind(const char* key);
    void AddPages();
    static bool PageCommand(DATADIALOG* page, UINT message, WPARAM wParam, LPARAM lParam,
                            void* context);
    static STRING PickFont(HWND page, int id, const STRING& value, void* context);
    static STRING PickColour(HWND page, int id, const STRING& value, void* context);
    void ShowFont(HWND page, const STRING& value);
    void ShowColour(HWND page, int button, const STRING& value);
    void ChooseSoundFile(HWND page);
    void PlaySoundFile(HWND page);
    void FreeSwatches();
    // Whether the drift page's correction lies within the engine's band; if not, says
    // so in a box and shows the field.
    bool DriftAcceptable();

    SYSTEMCLOCK& Clock;
    STRINGARRAY Keys;
    HWND hClockPage;
    HBITMAP Swatches[4];
};

// Opens the settings dialog on page startpage. With OK the edited keys are written
// into settings (under lock, when given) and SETTINGS::Accept runs; true for OK.
bool RunSettingsDialog(HWND owner, HASH& settings, CRITSECT* lock, const char* datafolder,
                       SYSTEMCLOCK& clock, SETTINGSEVENTS& events, int startpage = 0);
