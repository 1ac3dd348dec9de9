// Starting the product as the service's work and ending it on a stop.
#include "servicelauncher.h"

#include "filename.h"  // PathJoin
#include "kelvo.h"
#include "osys.h"

#include <cstring>

static void copy_bounded(char* target, const char* text, const char* what)
{
    const char* source = text ? text : "";
    size_t n = strlen(source);
    if (!ASSERTQUIET(n <= SERVICELAUNCHER_MAXTEXT, what)) n = SERVICELAUNCHER_MAXTEXT;
    memcpy(target, source, n);
    target[n] = 0;
}

SERVICELAUNCHER::SERVICELAUNCHER(int owner, const char* name, const char* windowclass,
                                 const char* programfile)
    : SERVICEWRAPPER(owner, name, SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN),
      StopRequested(CreateEventA(nullptr, TRUE, FALSE, nullptr)), QuitWait(SERVICELAUNCHER_QUITWAIT), Asked(false)
{
    copy_bounded(WindowClass, windowclass, "window class too long");
    copy_bounded(ProgramFile, programfile, "program file too long");
}

SERVICELAUNCHER::~SERVICELAUNCHER()
{
    if (StopRequested) CloseHandle(StopRequested);
}

STRING SERVICELAUNCHER::WorkingFolder(const char* folder)
{
    STRING dir(folder);
    bool devtree = OSYS::FileExists(dir + "\\..\\main.cpp");
    int n = dir.Length();
    if (devtree && n >= 6 && dir.Right(6) == "\\Debug") return dir.Left(n - 6);
    if (devtree && n >= 8 && dir.Right(8) == "\\Release") return dir.Left(n - 8);
    return dir;
}

void SERVICELAUNCHER::Run()
{
    char own[MAX_PATH + 1];
    DWORD n = GetModuleFileNameA(nullptr, own, sizeof own - 1);
    if (n == 0 || n >= sizeof own - 1) {
        Logit("SERVICELAUNCHER::Run own path unknown\n");
        return;
    }
    char* slash = strrchr(own, '\\');
    if (slash) *slash = 0;
    STRING folder(own);
    STRING program = PathJoin(folder, ProgramFile);
    STRING workdir = WorkingFolder(folder);
    STRING command;
    command.Format("\"%s\"", program.Text());
    Logit("SERVICELAUNCHER::Run %s /service in %s\n", command.Text(), workdir.Text());
    PROCESS_INFORMATION pi;
    if (!StartProgram(command, "/service", workdir, nullptr, false, &pi)) {
        Logit("SERVICELAUNCHER::Run could not start %s\n", program.Text());
        return;
    }
    CloseHandle(pi.hThread);
    HANDLE waits[2] = {pi.hProcess, StopRequested};
    if (WaitForMultipleObjects(2, waits, FALSE, INFINITE) == WAIT_OBJECT_0 + 1) AwaitEnd(pi.hProcess);
    DWORD code = 0;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hProcess);
    Logit("SERVICELAUNCHER::Run the product ended with %lu\n", code);
}

bool SERVICELAUNCHER::AskToQuit()
{
    HWND window = FindWindowA(WindowClass, nullptr);
    Logit("SERVICELAUNCHER::AskToQuit window %p\n", static_cast<void*>(window));
    // The product's message loop ends on WM_QUIT, and the product with it.
    return window && PostMessageA(window, WM_QUIT, 0, 0);
}

void SERVICELAUNCHER::AwaitEnd(HANDLE process)
{
    // A product stopped right after its start may not have its window yet: it is asked
    // again once the window is there.
    bool asked = Asked;
    for (DWORD waited = 0; waited < QuitWait; waited += SERVICELAUNCHER_QUITSTEP) {
        if (WaitForSingleObject(process, SERVICELAUNCHER_QUITSTEP) == WAIT_OBJECT_0) return;
        if (!asked) asked = AskToQuit();
    }
    // The product did not follow the quit request: a stop must not hang the service manager.
    Logit("SERVICELAUNCHER::AwaitEnd the product still runs %lu ms after the stop, it is ended\n", QuitWait);
    TerminateProcess(process, 1);
    WaitForSingleObject(process, 5000);
}

void SERVICELAUNCHER::OnStop()
{
    SetWaitHint(QuitWait + 5000);
    Asked = AskToQuit();
    SetEvent(StopRequested);
}

void SERVICELAUNCHER::OnShutdown() { OnStop(); }

int SERVICELAUNCHER::OnUserControl(DWORD) { return 1; }
