// service's entry: service.cfg, then the option that decides what to do: the syntax
// notice, the controller dialog, one command, or (without an option, as the service
// manager starts it) the service process itself.
#include "infowindow.h"
#include "kelvo.h"
#include "kelvoapp.h"
#include "osys.h"
#include "servicecfg.h"
#include "servicecommands.h"
#include "servicedlg.h"
#include "servicehelp.h"
#include "serviceres.h"
#include "servicetexts.h"
#include "version.h"
#include "winhelp.h"
#include "winmisc.h"

// The controller dialog, after the information window unless advanced or suppressed.
static int run_dialog(const SERVICECONFIG& config, bool advanced)
{
    HELPFILE help;
    PrepareServiceHelp(help, config.AppHelp);
    INFOWINDOW info(config.AppName, config.AppRegKey);
    if (!advanced && !INFOWINDOW::Suppressed(config.AppRegKey)) info.Open();
    SERVICEDLG dialog(config, help, advanced, info.GetHwnd());
    dialog.Run();
    return SERVICERC_OK;
}

// Whether an option names something to do; without one the service manager started us.
static bool command_given()
{
    static const char* const options[] = {"?", "HELP", "GUI", "CONFIG", "ADVGUI", "START", "STOP", "INSTALL", "UNINSTALL"};
    for (const char* option : options)
        if (TestArg(option)) return true;
    return false;
}

int AppMain(int, char**, void*)
{
    LogStartBanner("Kelvo Service", SERVICE_VERSION);
    bool launch = !command_given();
    // The service process has nobody to answer a box: reports go to the log.
    if (launch) AssertBoxes(false);
    SERVICECONFIG config;
    if (!LoadServiceConfig(ServiceConfigFile(), config)) {
        if (launch && ReportUnconfiguredService()) return SERVICERC_CONFIG;
        WINKELVO::ErrorMsgBox(nullptr, ServiceText(IDS_CONTROLLERTITLE), ServiceText(IDS_CFGWRONG));
        return SERVICERC_CONFIG;
    }
    if (OSYS::GetOSType() == 0) {
        WINKELVO::InfoMsgBox(nullptr, ServiceText(IDS_SERVICETITLE, config.AppName),
                             ServiceText(IDS_NOTON9X, config.AppName));
        return SERVICERC_WIN9X;
    }
    if (TestArg("?") || TestArg("HELP")) {
        WINKELVO::InfoMsgBox(nullptr, ServiceText(IDS_CONTROLLERTITLE), ServiceText(IDS_SYNTAX));
        return SERVICERC_OK;
    }
    if (TestArg("GUI") || TestArg("CONFIG")) return run_dialog(config, false);
    if (TestArg("ADVGUI")) return run_dialog(config, true);
    if (TestArg("START")) return ExecuteServiceCommand(SERVICECMD_START, config);
    if (TestArg("STOP")) return StopServiceAndWait(config);
    if (TestArg("INSTALL")) return ExecuteServiceCommand(SERVICECMD_INSTALL, config);
    if (TestArg("UNINSTALL")) return ExecuteServiceCommand(SERVICECMD_UNINSTALL, config);
    return ExecuteServiceCommand(SERVICECMD_LAUNCH, config);
}
