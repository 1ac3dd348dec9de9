// The install run: configuration, checks, hooks, the wizard, and the end.
#include "installer.h"

#include "filename.h"
#include "installfolder.h"
#include "installpages.h"
#include "kelvo.h"
#include "kelvoapp.h"
#include "osys.h"
#include "registry.h"
#include "setupcfg.h"
#include "setupdialog.h"
#include "setuphook.h"
#include "setupstate.h"
#include "shortcuts.h"
#include "winmisc.h"

void BuildInstallSteps(SETUPSTEP (&steps)[SETUP_STEPCOUNT])
{
    const SETUPSTEP table[] = {
        {STEP_WELCOME, IDS_SETUP_WELCOMETITLE, IDS_SETUP_WELCOMESUB, IDD_SETUP_WELCOME, 0, WelcomePage, 0},
        {STEP_LICENCE, IDS_SETUP_LICENCETITLE, IDS_SETUP_LICENCESUB, IDD_SETUP_LICENCE, 0, LicencePage, 0},
        {STEP_FOLDER, IDS_SETUP_FOLDERTITLE, IDS_SETUP_FOLDERSUB, IDD_SETUP_FOLDER, 0, FolderPage, 0},
        {STEP_COPY, IDS_SETUP_COPYTITLE, IDS_SETUP_COPYSUB, IDD_SETUP_COPY, 0, CopyPage, 0},
        {STEP_SHORTCUTS, IDS_SETUP_SHORTCUTSTITLE, IDS_SETUP_SHORTCUTSSUB, IDD_SETUP_SHORTCUTS, 0, ShortcutsPage, 0},
        {STEPADV, IDS_SETUP_ADVTITLE, IDS_SETUP_ADVSUB, IDD_SETUP_ADVERTISE, 0, AdvertisePage, 0},
        {STEPFINISH, IDS_SETUP_FINISHTITLE, IDS_SETUP_FINISHSUB, IDD_SETUP_FINISH, 0, FinishPage, 0},
    };
    const int n = sizeof table / sizeof table[0];
    static_assert(n < SETUP_STEPCOUNT, "room for the table's end");
    for (int i = 0; i < SETUP_STEPCOUNT; i++) steps[i] = i < n ? table[i] : SETUPSTEP{0, 0, 0, 0, 0, nullptr, 0};
    steps[SETUP_STEPCOUNT - 1].IdStep = STEP_TABLEEND;
}

// ---------------------------------------------------------------- checks

static const char SHARED_TOOLS[] = "Software\\Microsoft\\Shared Tools";

static STRING machine_value(const char* key, const char* value)
{
    REGISTRY reg(HKEY_LOCAL_MACHINE, key, "", REGISTRY_READ);
    return reg.IsOpen() ? reg.Read(value) : STRING();
}

static bool library_loads(const char* path)
{
    if (!path || !*path) return false;
    HMODULE library = LoadLibraryExA(path, nullptr, DONT_RESOLVE_DLL_REFERENCES);
    Logit("DAO check %s: %s\n", path, library ? "found" : "missing");
    if (library) FreeLibrary(library);
    return library != nullptr;
}

STRING DaoRegisteredPath(const char* dao360, const char* dao350, const char* dao350old)
{
    if (dao360 && *dao360) return STRING(dao360);
    STRING path(dao350 && *dao350 ? dao350 : dao350old ? dao350old : "");
    path.Replace("350.dll", "360.dll", false);
    return path;
}

bool DaoPresent()
{
    STRING shared = machine_value(SHARED_TOOLS, "SharedFilesDir");
    if (shared.Length() > 0 && library_loads(PathJoin(shared, "DAO\\dao360.dll"))) return true;
    STRING tools(SHARED_TOOLS);
    STRING path = DaoRegisteredPath(machine_value(tools + "\\dao360.dll", "Path"), machine_value(tools + "\\dao350.dll", "Path"),
                                    machine_value(tools + "\\DAO350", "Path"));
    return library_loads(path);
}

static void error_box(int text)
{
    WINKELVO::ErrorMsgBox(nullptr, OSYS::GetStringFromResource(IDS_SETUP_INSTALLER), OSYS::GetLongStringFromResource(text));
}

// Loads and checks setup.cfg; false (after the error box) when the installation cannot go on.
static bool read_configuration(SETUPSTATE& s)
{
    int line = 0;
    SETUPCFGSTATE state = LoadSetupConfig("setup.cfg", s.Config, &line);
    if (state == SETUPCFG_UNREADABLE) {
        error_box(IDS_SETUP_NOCONFIG);
        return false;
    }
    if (state == SETUPCFG_MALFORMED) {
        STRING text = OSYS::GetStringFromResource(IDS_SETUP_BADCONFIG);
        text.Replace("%d", STRING(line));
        WINKELVO::ErrorMsgBox(nullptr, OSYS::GetStringFromResource(IDS_SETUP_INSTALLER), text);
        return false;
    }
    STRINGARRAY checks = SetupList(s.Value("CheckDll"));
    for (int i = 0; i < checks.GetCount(); i++)
        if (*checks.GetItem(i) == "dao360" && !DaoPresent()) {
            error_box(IDS_SETUP_NODAO);
            return false;
        }
    if (s.Number("ActiveSyncInstall")) {
        s.AppManager = RegisteredAppManager();
        if (s.AppManager.Length() == 0 || !OSYS::FileExists(s.AppManager)) {
            error_box(IDS_SETUP_NOAPPMANAGER);
            return false;
        }
    }
    return true;
}

// The earlier installation's folder (at most 511 characters), from its uninstall entry.
static STRING earlier_folder(const char* inikey)
{
    REGISTRY key(HKEY_LOCAL_MACHINE, SETUP_UNINSTALLKEY, inikey, REGISTRY_READ);
    char path[512] = "";
    DWORD size = sizeof path - 1;
    if (!key.IsOpen() || !key.Read("UninstallPath", path, &size)) return STRING();
    path[size < sizeof path ? size : sizeof path - 1] = 0;
    return STRING(path);
}

// ---------------------------------------------------------------- the run

void RunInstaller(SETUPHOOKS& hooks)
{
    Logit("RunInstaller\n");
    SETUPSTATE& s = Setup();
    s.Hooks = &hooks;
    SETUPSTEP steps[SETUP_STEPCOUNT];
    BuildInstallSteps(steps);
    if (!read_configuration(s)) return;

    hooks.Setup(SETUPHOOK_CONFIGREAD, nullptr);
    hooks.NewSetup(NEWHOOK_STEPTABLE, 0, nullptr, nullptr, 0, steps);
    hooks.NewSetup(NEWHOOK_CONFIG, KELVOAPP::LanguageCode(), nullptr, nullptr, 0, &s.Config);
    FoldLanguageKeys(s.Config, OSYS::GetStringFromResource(IDS_SETUP_LANGSUFFIX));
    STRING appname = s.Value("AppName");
    s.ProductTitle = appname + " " + s.Value("AppVersion");
    s.InstallFolder = ProposedInstallFolder(earlier_folder(s.Value("IniKey")), s.Value("InstallPath"),
                                            GetWin32SystemPath(SYSTEMPATH_PROGRAMFILES));

    SETUPDIALOGBOX* frame = new SETUPDIALOGBOX(OSYS::GetStringFromResource(IDS_SETUP_INSTALLER),
                                               OSYS::GetLongStringFromResource(IDS_SETUP_CANCELQUESTION), -1,
                                               hooks.NewSetupFunction());
    STRING title = frame->GetText();
    title.Replace("Kelvo", appname);
    frame->SetText(title);
    int result = frame->RunSteps(steps, SETUP_STEPCOUNT, STEPFINISH);
    Logit("RunInstaller: the wizard ended with %d\n", result);
    if (result == 1) hooks.Setup(SETUPHOOK_INSTALLED, s.InstallFolder);
    hooks.NewSetup(NEWHOOK_WIZARDENDED, result, nullptr, nullptr, 0, nullptr);
    STRINGARRAY leftovers = SetupList(s.Value("DeleteAfterExtract"));
    for (int i = 0; i < leftovers.GetCount(); i++) DeleteFileA(PathJoin(s.InstallFolder, *leftovers.GetItem(i)));
    frame->Show(SW_HIDE);
    if (result == 1) {
        if (!s.Number("NoFinalPopup")) {
            STRING text = OSYS::GetLongStringFromResource(IDS_SETUP_CLOSING);
            text.Replace("$PROGRAM", appname);
            WINKELVO::InfoMsgBox(nullptr, OSYS::GetStringFromResource(IDS_SETUP_INSTALLER) + " " + appname, text);
        }
        if (OSYS::FileIsDirectory(s.ProgramGroup))
            ShellExecuteA(nullptr, "open", s.ProgramGroup, nullptr, s.ProgramGroup, SW_SHOWNORMAL);
    }
    delete frame;
    s.Hooks = nullptr;
}
