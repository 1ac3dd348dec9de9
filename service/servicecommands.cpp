// The command executor: each command opens and closes its own handles.
#include "servicecommands.h"

#include "kelvo.h"
#include "osys.h"
#include "servicelauncher.h"

// The service of config opened with access, for one command.
static SC_HANDLE open_service(SC_HANDLE manager, const SERVICECONFIG& config, DWORD access)
{
    return manager ? OpenServiceA(manager, config.AppName, access) : nullptr;
}

static int start(const SERVICECONFIG& config)
{
    SCMHANDLE manager(OpenServiceManager());
    SCMHANDLE service(open_service(manager, config, SERVICE_START));
    bool started = service && StartServiceA(service, 0, nullptr);
    Logit("service START %s: %d (%lu)\n", config.AppName.Text(), started ? 1 : 0, started ? 0UL : GetLastError());
    return started ? SERVICERC_OK : SERVICERC_START;
}

static int stop(const SERVICECONFIG& config)
{
    SCMHANDLE manager(OpenServiceManager());
    SCMHANDLE service(open_service(manager, config, SERVICE_STOP));
    SERVICE_STATUS status;
    bool sent = service && ControlService(service, SERVICE_CONTROL_STOP, &status);
    Logit("service STOP %s: %d (%lu)\n", config.AppName.Text(), sent ? 1 : 0, sent ? 0UL : GetLastError());
    return sent ? SERVICERC_OK : SERVICERC_STOP;
}

static int query_status(const SERVICECONFIG& config)
{
    SCMHANDLE manager(OpenServiceManager());
    SCMHANDLE service(open_service(manager, config, SERVICE_QUERY_STATUS));
    SERVICE_STATUS status;
    if (!service || !QueryServiceStatus(service, &status)) return 0;
    return static_cast<int>(status.dwCurrentState);
}

static int launch(const SERVICECONFIG& config)
{
    SERVICELAUNCHER launcher(0, config.AppName, config.AppWinClass, config.AppExe);
    if (!launcher.IsInstalled()) return SERVICERC_NOTINSTALLED;
    return launcher.RunDispatcher() ? SERVICERC_OK : SERVICERC_NODISPATCHER;
}

int ExecuteServiceCommand(SERVICECOMMAND command, const SERVICECONFIG& config)
{
    Logit("ExecuteServiceCommand %d %s\n", command, config.AppName.Text());
    switch (command) {
    case SERVICECMD_START: return start(config);
    case SERVICECMD_STOP: return stop(config);
    case SERVICECMD_QUERYSTATUS: return query_status(config);
    case SERVICECMD_INSTALL: {
        SERVICELAUNCHER launcher(0, config.AppName, config.AppWinClass, config.AppExe);
        return launcher.Install(SERVICE_AUTO_START) ? SERVICERC_OK : SERVICERC_INSTALL;
    }
    case SERVICECMD_UNINSTALL: {
        SERVICELAUNCHER launcher(0, config.AppName, config.AppWinClass, config.AppExe);
        return launcher.Uninstall() ? SERVICERC_OK : SERVICERC_UNINSTALL;
    }
    case SERVICECMD_LAUNCH: return launch(config);
    }
    return SERVICERC_OK;
}

int StopServiceAndWait(const SERVICECONFIG& config, int tries, DWORD intervalms)
{
    if (stop(config) != SERVICERC_OK) return SERVICERC_STOP;
    for (int i = 0; i < tries; i++) {
        OSYS::Sleep(static_cast<int>(intervalms));
        int state = query_status(config);
        if (state != SERVICE_STOP_PENDING && state != SERVICE_RUNNING) break;
    }
    return SERVICERC_OK;
}

// ---------------------------------------------------------------- a service without configuration

static SERVICE_STATUS_HANDLE unconfigured_handle = nullptr;

static void WINAPI unconfigured_control(DWORD) {}

static void WINAPI unconfigured_main(DWORD argc, LPSTR* argv)
{
    // The service manager names the service in argv[0].
    unconfigured_handle = RegisterServiceCtrlHandlerA(argc > 0 && argv[0] ? argv[0] : "", unconfigured_control);
    if (!unconfigured_handle) return;
    SERVICE_STATUS status = {};
    status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    status.dwCurrentState = SERVICE_STOPPED;
    status.dwWin32ExitCode = ERROR_SERVICE_SPECIFIC_ERROR;
    status.dwServiceSpecificExitCode = SERVICERC_CONFIG;
    SetServiceStatus(unconfigured_handle, &status);
}

bool ReportUnconfiguredService()
{
    char none[] = "";
    SERVICE_TABLE_ENTRYA table[] = {{none, unconfigured_main}, {nullptr, nullptr}};
    bool started = StartServiceCtrlDispatcherA(table);
    Logit("ReportUnconfiguredService: %s\n", started ? "the service ended with code 100" : "not started as a service");
    return started;
}
