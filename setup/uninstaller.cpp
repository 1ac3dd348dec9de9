// The uninstall run: the product from its uninstall key, the run marker, the first
// stage's copy to the temporary folder, the wizard, and the clean-up of that copy.
#include "uninstaller.h"

#include "filename.h"
#include "kelvo.h"
#include "kelvoapp.h"
#include "osys.h"
#include "osysfile.h"
#include "registry.h"
#include "removal.h"
#include "setupdialog.h"
#include "setuphook.h"
#include "setupstate.h"
#include "uninstallpages.h"
#include "winmisc.h"

UNINSTALLSTATE& Uninstall()
{
    static UNINSTALLSTATE state;
    return state;
}

void BuildUninstallSteps(SETUPSTEP (&steps)[UNINSTALL_STEPCOUNT])
{
    const SETUPSTEP table[UNINSTALL_STEPCOUNT] = {
        {STEP_FEEDBACK, IDS_SETUP_FEEDBACKTITLE, IDS_SETUP_FEEDBACKSUB, IDD_SETUP_FEEDBACK, 0, FeedbackPage, 0},
        {STEP_OPTIONS, IDS_SETUP_OPTIONSTITLE, IDS_SETUP_OPTIONSSUB, IDD_SETUP_OPTIONS, 0, OptionsPage, 0},
        {STEPFINISH, IDS_SETUP_REMOVALTITLE, IDS_SETUP_REMOVALSUB, IDD_SETUP_REMOVAL, 0, RemovalPage, 0},
        {0, 0, 0, 0, 0, nullptr, 0},
        {0, 0, 0, 0, 0, nullptr, 0},
        {0, 0, 0, 0, 0, nullptr, 0},
        {STEP_TABLEEND, 0, 0, 0, 0, nullptr, 0},
    };
    for (int i = 0; i < UNINSTALL_STEPCOUNT; i++) steps[i] = table[i];
}

// The folder without trailing backslashes, for comparing.
static STRING bare(STRING folder)
{
    while (folder.RemoveTrailing('\\')) {
    }
    return folder;
}

static STRING temp_folder()
{
    char temp[MAX_PATH] = "";
    DWORD n = GetEnvironmentVariableA("TEMP", temp, sizeof temp);
    return n > 0 && n < sizeof temp ? STRING(temp) : STRING("");
}

// First stage: the program and every "setup*.dll" of the install folder (a plug-in
// SETUPHOOK.dll among them) copied into TEMP, and the copy started there with "-final".
// False when that cannot be done: the uninstall then goes on here.
static bool hand_over_to_temp(const UNINSTALLSTATE& u, const char* programpath)
{
    STRING temp = temp_folder();
    STRINGARRAY libraries;
    ListTree(u.InstallFolder, "setup*.dll", &libraries, false);
    Logit("SETUP::Uninstall TEMP= %s, %d libraries\n", temp.Text(), libraries.GetCount());
    if (temp.Length() == 0 || !OSYS::FileIsDirectory(temp) || libraries.GetCount() < 2) return false;
    STRINGARRAY files;
    files.Add(programpath);
    for (int i = 0; i < libraries.GetCount(); i++) files.Add(libraries[i]);
    for (int i = 0; i < files.GetCount(); i++) {
        STRING target = PathJoin(temp, FILENAME(files[i]).FilePart());
        if (!CopyFileA(files[i], target, FALSE)) {
            Logit("SETUP::Uninstall cannot copy %s to %s: %s\n", files[i].Text(), target.Text(), ErrorText().Text());
            return false;
        }
    }
    STRING arguments;
    arguments.Format("-remove \"%s\" -final", u.IniKey.Text());
    return StartProgram(PathJoin(temp, "setup.exe"), arguments, temp, nullptr, false);
}

// Second stage in TEMP: the copies there go at the next restart (only the program and
// the two language libraries: a plug-in copied along stays).
static void delete_temp_copies_at_restart(const char* programpath)
{
    STRING temp = temp_folder();
    if (temp.Length() == 0 || !OSYS::FileIsDirectory(temp)) return;
    if (!(bare(FILENAME(programpath).Directory()) == bare(temp))) return;
    const STRING files[] = {STRING(programpath), PathJoin(temp, "setupenglish.dll"), PathJoin(temp, "setupgerman.dll")};
    for (const STRING& file : files)
        if (!MoveFileExA(file, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT))
            Logit("SETUP::Uninstall cannot mark %s for deletion: %s\n", file.Text(), ErrorText().Text());
}

void RunUninstaller(SETUPHOOKS& hooks, const char* programpath)
{
    UNINSTALLSTATE& u = Uninstall();
    u.Hooks = &hooks;
    u.IniKey = GetArgValue("REMOVE", 0);
    u.Choice = "0";
    Logit("RunUninstaller %s, final= %d\n", u.IniKey.Text(), TestArg("FINAL"));
    // A key name that is no plain name could lead the removal to other products' keys.
    if (!IniKeyUsable(u.IniKey)) {
        Logit("RunUninstaller \"%s\" is no product key\n", u.IniKey.Text());
        u.IniKey = "";
    }
    if (u.IniKey.Length() > 0) {
        // Only read: an uninstall of something not installed leaves no key behind.
        REGISTRY key(HKEY_LOCAL_MACHINE, SETUP_UNINSTALLKEY, u.IniKey, REGISTRY_READ);
        u.InstallFolder = key.Read("UninstallPath");
        u.ProductName = key.Read("AppName");
    }
    if (u.ProductName.Length() == 0) u.ProductName = u.IniKey;
    u.Title = OSYS::GetStringFromResource(IDS_SETUP_UNINSTALL);
    u.Title.Replace("Kelvo", u.ProductName);
    STRING marker = STRING("Kelvo_Uninstall_") + u.ProductName.Text();
    if (GlobalFindAtomA(marker)) {
        Logit("RunUninstaller %s is running already\n", marker.Text());
        return;
    }
    if (u.InstallFolder.Length() == 0 || u.IniKey.Length() == 0) {
        WINKELVO::ErrorMsgBox(nullptr, "Kelvo Uninstall", "Files missing or this software has already been uninstalled!");
        return;
    }
    if (!TestArg("FINAL")) {
        STRING question = OSYS::GetLongStringFromResource(IDS_SETUP_UNINSTALLQUESTION);
        question.Replace("$PROGRAM", u.ProductName);
        if (!WINKELVO::YesNoMsgBox(nullptr, u.Title, question)) return;
        if (hand_over_to_temp(u, programpath)) return;
        WINKELVO::InfoMsgBox(nullptr, "Uninst", "Cannot copy to temp directory. Local uninstall.");
    }

    ATOM running = GlobalAddAtomA(marker);
    SETUPSTEP steps[UNINSTALL_STEPCOUNT];
    BuildUninstallSteps(steps);
    SETUPDIALOGBOX* frame = new SETUPDIALOGBOX(u.Title, OSYS::GetLongStringFromResource(IDS_SETUP_UNINSTALLCANCEL), -1,
                                               hooks.NewSetupFunction());
    hooks.NewSetup(NEWHOOK_REMOVEWIZARD, 0, frame->GetHwnd(), nullptr, 0, u.IniKey.Data());
    int result = frame->RunSteps(steps, UNINSTALL_STEPCOUNT, STEPFINISH);
    Logit("RunUninstaller: the wizard ended with %d\n", result);
    hooks.NewSetup(NEWHOOK_REMOVEWIZARDENDED, 0, nullptr, nullptr, 0, nullptr);
    frame->Show(SW_HIDE);
    delete_temp_copies_at_restart(programpath);
    if (running) GlobalDeleteAtom(running);
    delete frame;
    u.Hooks = nullptr;
}
