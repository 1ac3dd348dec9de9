// setup's entry: one run is one job, chosen by the command line: installing (the
// default), removing an installed product ("REMOVE"), or an administrative operation
// handed to the plug-in ("ADMIN").
#include "installer.h"
#include "kelvo.h"
#include "kelvoapp.h"
#include "osys.h"
#include "setuphook.h"
#include "setupres.h"
#include "uninstaller.h"
#include "version.h"
#include "winmisc.h"

// ADMIN: the plug-in's operation; the two printer operations are confirmed.
static void run_admin(SETUPHOOKS& hooks, const STRING& operation)
{
    if (!hooks.HasSetupHook()) return;
    if (!hooks.Setup(SETUPHOOK_ADMIN, operation)) return;
    int text = operation == "ADDPRINTER" ? IDS_SETUP_ADDPRINTER : operation == "REMOVEPRINTER" ? IDS_SETUP_REMOVEPRINTER : 0;
    if (text)
        WINKELVO::InfoMsgBox(nullptr, OSYS::GetStringFromResource(IDS_SETUP_INSTALLER), OSYS::GetStringFromResource(text));
}

int AppMain(int, char**, void*)
{
    LoadLanguageLibrary(KELVOAPP::ProgramPath(), SETUP_NAME, SETUP_VERSION);
    LogStartBanner(OSYS::GetStringFromResource(IDS_SETUP_TITLE).Text(), SETUP_VERSION);
    if (TestArg("AUTODIR")) SetCurrentDirectoryA(KELVOAPP::ProgramDir());
    SETUPHOOKS hooks;
    if (TestArgValue("ADMIN", 0)) {
        run_admin(hooks, GetArgValue("ADMIN", 0));
    } else if (TestArgValue("REMOVE", 0)) {
        RunUninstaller(hooks, KELVOAPP::ProgramPath());
    } else {
        RunInstaller(hooks);
    }
    return 0;
}
