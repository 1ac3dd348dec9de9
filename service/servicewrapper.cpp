// The service manager's side of a service process: status reports, controls,
// installation and removal.
#include "servicewrapper.h"

#include "kelvo.h"
#include "kelvoapp.h"

static SERVICEWRAPPER* the_wrapper = nullptr;

SC_HANDLE OpenServiceManager() { return OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS); }

SERVICEWRAPPER::SERVICEWRAPPER(int owner, const char* name, DWORD controls)
    : ServiceName(name), hStatus(nullptr), OwnerValue(owner), StoppedReported(false), Reports(0)
{
    Logit("SERVICEWRAPPER::SERVICEWRAPPER %s\n", ServiceName.Text());
    ZeroMemory(&ServiceStatus, sizeof ServiceStatus);
    ServiceStatus.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    ServiceStatus.dwCurrentState = SERVICE_STOPPED;
    ServiceStatus.dwControlsAccepted = controls;
    ASSERT(!the_wrapper);
    the_wrapper = this;
}

SERVICEWRAPPER::~SERVICEWRAPPER()
{
    Logit("SERVICEWRAPPER::~SERVICEWRAPPER\n");
    if (the_wrapper == this) the_wrapper = nullptr;
}

const char* SERVICEWRAPPER::Dependencies() { return nullptr; }
bool SERVICEWRAPPER::OnInit() { return true; }
void SERVICEWRAPPER::OnStop() {}
void SERVICEWRAPPER::OnInterrogate() {}
void SERVICEWRAPPER::OnPause() {}
void SERVICEWRAPPER::OnContinue() {}
void SERVICEWRAPPER::OnShutdown() {}
int SERVICEWRAPPER::OnUserControl(DWORD) { return 0; }

bool SERVICEWRAPPER::IsInstalled(const char* name)
{
    SCMHANDLE manager(OpenServiceManager());
    if (!manager) return false;
    SCMHANDLE service(OpenServiceA(manager, name ? name : ServiceName.Text(), SERVICE_QUERY_CONFIG));
    Logit("SERVICEWRAPPER::IsInstalled %s: %d\n", name ? name : ServiceName.Text(), service ? 1 : 0);
    return service;
}

bool SERVICEWRAPPER::Install(DWORD starttype)
{
    char path[MAX_PATH + 1];
    DWORD n = GetModuleFileNameA(nullptr, path, sizeof path - 1);
    if (n == 0 || n >= sizeof path - 1) return false;
    // Quoted: an unquoted path with blanks lets the service manager try its pieces
    // ("C:\Program.exe") first, as LocalSystem.
    STRING command;
    command.Format("\"%s\"", path);
    SCMHANDLE manager(OpenServiceManager());
    if (!manager) {
        Logit("SERVICEWRAPPER::Install no service manager: %lu\n", GetLastError());
        return false;
    }
    SCMHANDLE service(CreateServiceA(manager, ServiceName, ServiceName, SERVICE_ALL_ACCESS,
                                     SERVICE_WIN32_OWN_PROCESS | SERVICE_INTERACTIVE_PROCESS,
                                     starttype, SERVICE_ERROR_NORMAL, command, nullptr, nullptr,
                                     Dependencies(), nullptr, nullptr));
    Logit("SERVICEWRAPPER::Install %s as %s: %d (%lu)\n", ServiceName.Text(), command.Text(),
          service ? 1 : 0, service ? 0UL : GetLastError());
    return service;
}

bool SERVICEWRAPPER::Uninstall()
{
    SCMHANDLE manager(OpenServiceManager());
    if (!manager) return false;
    SCMHANDLE service(OpenServiceA(manager, ServiceName, DELETE));
    bool done = service && DeleteService(service);
    Logit("SERVICEWRAPPER::Uninstall %s: %d\n", ServiceName.Text(), done ? 1 : 0);
    return done;
}

void SERVICEWRAPPER::SetStatus(DWORD state)
{
    CRITSECTLOCK hold(Lock);
    // Once "stopped" went out nothing follows it: a late control must not put a
    // service whose process is ending back into "stop pending".
    if (StoppedReported) return;
    ServiceStatus.dwCurrentState = state;
    if (state == SERVICE_STOPPED) {
        StoppedReported = true;
        if (ServiceStatus.dwServiceSpecificExitCode == 0) ServiceStatus.dwServiceSpecificExitCode = 1;
    }
    Reports++;
    BOOL sent = hStatus && SetServiceStatus(hStatus, &ServiceStatus);
    Logit("SERVICEWRAPPER::SetStatus %lu: %d\n", state, sent ? 1 : 0);
}

SERVICE_STATUS SERVICEWRAPPER::Status()
{
    CRITSECTLOCK hold(Lock);
    return ServiceStatus;
}

int SERVICEWRAPPER::ReportCount()
{
    CRITSECTLOCK hold(Lock);
    return Reports;
}

void SERVICEWRAPPER::SetWaitHint(DWORD milliseconds)
{
    CRITSECTLOCK hold(Lock);
    ServiceStatus.dwWaitHint = milliseconds;
}

bool SERVICEWRAPPER::RunDispatcher()
{
    SERVICE_TABLE_ENTRYA table[] = {{ServiceName.Data(), StaticServiceMain}, {nullptr, nullptr}};
    BOOL ok = StartServiceCtrlDispatcherA(table);
    Logit("SERVICEWRAPPER::RunDispatcher: %d (%lu)\n", ok, ok ? 0UL : GetLastError());
    return ok;
}

void WINAPI SERVICEWRAPPER::StaticServiceMain(DWORD, LPSTR*)
{
    if (ASSERTQUIET(the_wrapper, "no service wrapper")) the_wrapper->ServiceMain();
}

void WINAPI SERVICEWRAPPER::StaticControl(DWORD code)
{
    if (ASSERTQUIET(the_wrapper, "no service wrapper")) the_wrapper->Control(code);
}

void SERVICEWRAPPER::ServiceMain()
{
    Logit("SERVICEWRAPPER::ServiceMain %s\n", ServiceName.Text());
    {
        CRITSECTLOCK hold(Lock);
        ServiceStatus.dwCurrentState = SERVICE_START_PENDING;
    }
    hStatus = RegisterServiceCtrlHandlerA(ServiceName, StaticControl);
    if (!hStatus) {
        Logit("SERVICEWRAPPER::ServiceMain no control handler: %lu\n", GetLastError());
        return;
    }
    SetStatus(SERVICE_START_PENDING);
    bool initialised = OnInit();
    DWORD error = GetLastError();
    {
        CRITSECTLOCK hold(Lock);
        ServiceStatus.dwCheckPoint = 0;
        ServiceStatus.dwWaitHint = 0;
        ServiceStatus.dwWin32ExitCode = error;
    }
    if (initialised) {
        SetStatus(SERVICE_RUNNING);
        {
            CRITSECTLOCK hold(Lock);
            ServiceStatus.dwWin32ExitCode = 0;
            ServiceStatus.dwCheckPoint = 0;
            ServiceStatus.dwWaitHint = 0;
        }
        Run();
    }
    SetStatus(SERVICE_STOPPED);
    Logit("SERVICEWRAPPER::ServiceMain ends\n");
}

void SERVICEWRAPPER::Control(DWORD code)
{
    Logit("SERVICEWRAPPER::Control %lu\n", code);
    switch (code) {
    case SERVICE_CONTROL_STOP:
        SetStatus(SERVICE_STOP_PENDING);
        OnStop();
        break;
    case SERVICE_CONTROL_PAUSE: OnPause(); break;
    case SERVICE_CONTROL_CONTINUE: OnContinue(); break;
    case SERVICE_CONTROL_INTERROGATE: OnInterrogate(); break;
    case SERVICE_CONTROL_SHUTDOWN: OnShutdown(); break;
    default: OnUserControl(code); break;
    }
    SetStatus(Status().dwCurrentState);
}
