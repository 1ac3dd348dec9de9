// SERVICEWRAPPER, the base of a process that is one Windows service: it reports the
// service's states, dispatches the service manager's controls to its operations, and
// installs and removes the service.
#pragma once

#include "semaphores.h"
#include "strings.h"

#include <windows.h>

// A handle of the service manager or of a service, closed at the end of the scope.
class SCMHANDLE {
public:
    explicit SCMHANDLE(SC_HANDLE handle) : Handle(handle) {}
    ~SCMHANDLE()
    {
        if (Handle) CloseServiceHandle(Handle);
    }
    SCMHANDLE(const SCMHANDLE&) = delete;
    SCMHANDLE& operator=(const SCMHANDLE&) = delete;
    operator SC_HANDLE() const { return Handle; }

private:
    SC_HANDLE Handle;
};

// The service manager of this computer with full access; null when refused.
SC_HANDLE OpenServiceManager();

class SERVICEWRAPPER {
public:
    // The process has one wrapper: the service manager's callbacks reach it through a
    // program-wide pointer that the constructor sets. controls: the accepted controls.
    SERVICEWRAPPER(int owner, const char* name, DWORD controls);
    virtual ~SERVICEWRAPPER();
    SERVICEWRAPPER(const SERVICEWRAPPER&) = delete;
    SERVICEWRAPPER& operator=(const SERVICEWRAPPER&) = delete;

    // Dependencies given at installation (a double-NUL list), none by default.
    virtual const char* Dependencies();
    // The service's work; the service ends when it returns.
    virtual void Run() = 0;
    virtual bool OnInit();
    virtual void OnStop();
    virtual void OnInterrogate();
    virtual void OnPause();
    virtual void OnContinue();
    virtual void OnShutdown();
    virtual int OnUserControl(DWORD code);

    // Whether the service manager has a service of that name (null: this one).
    bool IsInstalled(const char* name = nullptr);
    // Creates this service: own process, interactive, the quoted path of this program,
    // LocalSystem, the given start type.
    bool Install(DWORD starttype);
    bool Uninstall();
    // Reports state to the service manager; after "stopped" nothing more is reported.
    void SetStatus(DWORD state);
    // Hands this thread to the service manager until the service has stopped; false
    // when the program was not started by the service manager.
    bool RunDispatcher();

    // The service main function's and the control handler's work, callable directly.
    void ServiceMain();
    void Control(DWORD code);

    const STRING& Name() const { return ServiceName; }
    int Owner() const { return OwnerValue; }
    SERVICE_STATUS Status();
    // How many status records went to the service manager (or were meant to).
    int ReportCount();

protected:
    // The wait hint of the next reports, in milliseconds.
    void SetWaitHint(DWORD milliseconds);

private:
    static void WINAPI StaticServiceMain(DWORD argc, LPSTR* argv);
    static void WINAPI StaticControl(DWORD code);

    STRING ServiceName;
    SERVICE_STATUS_HANDLE hStatus;
    SERVICE_STATUS ServiceStatus;
    CRITSECT Lock;
    int OwnerValue;
    bool StoppedReported;
    int Reports;
};
