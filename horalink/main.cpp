// horalink's entry: the language library, the switches, the help file, one running
// copy only, and the main window's life from construction to the end of its loop.
#include "app.h"

#include "filename.h"
#include "horalinkres.h"
#include "kelvo.h"
#include "kelvoapp.h"
#include "osys.h"
#include "version.h"
#include "winhelp.h"
#include "winmisc.h"

// The help file's default topic, and the dialogs whose Help buttons show another topic:
// the wizard's connection and server pages, and 2032.
const int HELP_DEFAULT_TOPIC = 2000;
struct HELPMAPPING {
    int Dialog;
    int Topic;
};
static const HELPMAPPING HELP_MAPPINGS[] = {{2041, 2015}, {2042, 2016}, {2032, 2030}};

// The "WORKDIR" option names the data folder when it is an existing folder with a full
// path: "\" first (a network path) or third (after a drive letter and ":").
static void check_data_folder_option()
{
    if (!TestArgValue("WORKDIR", 0)) return;
    STRING folder = GetArgValue("WORKDIR", 0);
    bool absolute = folder.Length() > 0 && (folder[0] == '\\' || (folder.Length() > 2 && folder[2] == '\\'));
    if (absolute && OSYS::FileIsDirectory(folder))
        Logit("main: data folder %s\n", folder.Text());
    else
        Logit("main: WORKDIR %s is no existing folder with a full path\n", folder.Text());
}

// The help file beside the program, when it is there: a missing one is no reason for a
// report at every start; the help commands say it is missing when asked.
static void open_help(HELPFILE& help)
{
    STRING file = APP::HelpFilePath();
    help.SetSecondName(OSYS::GetStringFromResource(IDS_HELPNAME));
    help.SetDefaultTopic(HELP_DEFAULT_TOPIC);
    for (const HELPMAPPING& mapping : HELP_MAPPINGS) help.AddMapping(mapping.Dialog, mapping.Topic);
    if (OSYS::FileExists(file))
        help.SetFilename(file, true);
    else
        Logit("main: no help file %s\n", file.Text());
}

// Another copy running already: in normal mode it comes to the front, in service mode
// the log and assert.log say so (a box there would hold the service for ever). True when
// this copy is to end.
static bool another_copy_runs(bool service)
{
    HWND other = FindWindowA(APP::WindowClassName(false), nullptr);
    if (!other) other = FindWindowA(APP::WindowClassName(true), nullptr);
    if (!other) return false;
    Logit("main: another copy runs, window %p\n", static_cast<void*>(other));
    if (service) {
        APP::ReportQuietly(OSYS::GetStringFromResource(IDS_ALREADYRUNNING));
    } else {
        ShowWindow(other, IsIconic(other) ? SW_RESTORE : SW_SHOW);
        SetForegroundWindow(other);
    }
    return true;
}

int AppMain(int, char**, void*)
{
    LoadLanguageLibrary(KELVOAPP::ProgramPath(), HORALINK_NAME, HORALINK_VERSION);
    LogStartBanner(OSYS::GetStringFromResource(IDS_TITLE), HORALINK_VERSION);
    bool startminimized = TestArg("MIN");
    bool service = APP::ServiceMode();
    // As a service nobody sees a box: reports go to the log and assert.log.
    if (service) AssertBoxes(false);
    check_data_folder_option();

    HELPFILE help;
    open_help(help);
    WINDOWS::SetHelpHook(HELPFILE::ContextHelpHook, &help);

    // In the development tree several copies may run side by side.
    if (!OSYS::FileExists("main.cpp") && another_copy_runs(service)) {
        WINDOWS::SetHelpHook(nullptr, nullptr);
        return service ? 1 : 0;
    }

    APP* app = new APP(startminimized, help);
    help.SetOwner(app->GetHwnd());
    if (app->Exists()) KELVOAPP::MainDispatchLoop(app->GetHwnd(), IDA_MAIN);
    delete app;
    WINDOWS::SetHelpHook(nullptr, nullptr);
    Logit("main::~main\n");
    return 0;
}
