// Shows the set-up wizard, the settings dialog or the drift calculator on their own,
// over prepared settings and a scripted phone book, with the texts of the built
// program (English unless /LANG asks for another language), for scripts/screenshots.
//
//   settingsdemo /show:wizard:<page 1..3> | /show:settings:<page 1..8> | /show:drift
//                [/LANG:<language>]
#include "clock.h"
#include "kelvoapp.h"
#include "horalinkres.h"
#include "osys.h"
#include "settings.h"
#include "settingsdialog.h"
#include "setupwizard.h"
#include "winras.h"

#include <windows.h>

#include <cstdlib>

typedef void(WINAPI* FAKERASSCRIPT)(const char*, const char*);

// What the dialogs are opened with, and how far the timer moves them on.
static int steps;
static int stepid;

// New settings take effect nowhere: the demo has no windows to apply them to.
class NOEVENTS : public SETTINGSEVENTS {
public:
    void SetLanFlags(bool, bool) override {}
    void ApplyDrift() override {}
    void ApplyWindows() override {}
};

// Clicks button stepid of the dialog in front as often as steps says, once it is there.
static void CALLBACK step_on(HWND, UINT, UINT_PTR timer, DWORD)
{
    HWND dialog = GetForegroundWindow();
    if (!dialog || GetWindowThreadProcessId(dialog, nullptr) != GetCurrentThreadId()) return;
    KillTimer(nullptr, timer);
    for (int i = 0; i < steps; i++) {
        // The button of the shown page, or of the frame itself.
        HWND button = GetDlgItem(dialog, stepid);
        for (HWND page = GetWindow(dialog, GW_CHILD); !button && page;
             page = GetWindow(page, GW_HWNDNEXT))
            if (IsWindowVisible(page)) button = GetDlgItem(page, stepid);
        if (button)
            PostMessageA(GetParent(button), WM_COMMAND, MAKEWPARAM(stepid, BN_CLICKED),
                         reinterpret_cast<LPARAM>(button));
    }
}

// The settings shown: the defaults, and a configured PC with two servers and drift.
static const char DEMO_SETTINGS[] =
    "Version=1.00\nConnectionType=0\nConnectionEntryToMonitor=Office\nTimeServer=de.pool.ntp.org\n"
    "TimeServer2=ptbtime1.ptb.de\nTimeDoServer2=1\nTimeCyclic=4\nDlgTaskbar=1\nDlgAutoRun=1\n"
    "TimeDriftCalc1=3\nTimeDriftCalc2=24\nTimeDriftAdjustment=-5\nLanBrodcastCyclic=1\n";

int main()
{
    KELVOAPP::PrepareArguments(GetModuleHandleA(nullptr), GetCommandLineA());
    // The language library lies beside the built program, in bin beside tests.
    STRING bin = STRING(KELVOAPP::ProgramDir()) + "\\..\\bin";
    KELVOAPP::SetLanguageCode(TestArgValue("LANG", 0) ? KELVOAPP::ChooseLanguageCode() : 9);
    LoadLanguageLibrary((bin + "\\horalink.exe").Text(), "horalink", "1.00");

    // A phone book of three entries from the stand-in beside this program.
    WINRAS::SetLibraryName((STRING(KELVOAPP::ProgramDir()) + "\\fakerasapi.dll").Text());
    WINRAS ras;
    HMODULE standin = GetModuleHandleA("fakerasapi.dll");
    FAKERASSCRIPT script = standin ? reinterpret_cast<FAKERASSCRIPT>(reinterpret_cast<void*>(
                                         GetProcAddress(standin, "FakeRasScript")))
                                   : nullptr;
    if (script) script("Office|Home|Mobile", "");

    HASH settings{STRING(DEMO_SETTINGS)};
    unsigned long now = OSYS::Time();
    SETTINGS::ApplyDefaults(settings, now);
    settings.AllowNewKeys(false);
    char temp[MAX_PATH] = ".";
    GetTempPathA(sizeof temp, temp);

    STRING show = GetArgValue("show", 0);
    STRING what = show.Field(0, ":");
    int page = show.Field(1, ":").ToInt();
    PLATFORMCLOCK clock;
    NOEVENTS events;
    if (what == "wizard") {
        settings["ConnectionType"] = "-1";
        steps = page > 1 ? page - 1 : 0;
        stepid = IDC_WIZARD_NEXT;
        SetTimer(nullptr, 0, 200, step_on);
        RunSetupWizard(nullptr, settings, ras.GetEntryList(), now);
    } else if (what == "drift") {
        steps = 1;
        stepid = IDC_DRIFT_CALCULATE;
        SetTimer(nullptr, 0, 200, step_on);
        RunSettingsDialog(nullptr, settings, nullptr, temp, clock, events, 4);
    } else {
        RunSettingsDialog(nullptr, settings, nullptr, temp, clock, events, page > 0 ? page - 1 : 0);
    }
    return 0;
}
