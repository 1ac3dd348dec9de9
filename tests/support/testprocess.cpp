// Starting programs from tests and waiting for them.
#include "testprocess.h"

#include <vector>

bool StartProgramAsync(const std::string& commandline, const std::string& directory,
                       PROCESS_INFORMATION* pi)
{
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    // Under load Wine has been seen to refuse, now and then, to start a program file
    // copied a moment before; a few short retries ride that out, a real failure stays one.
    for (int attempt = 0;; attempt++) {
        std::vector<char> line(commandline.begin(), commandline.end());
        line.push_back(0);
        if (CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                           directory.empty() ? nullptr : directory.c_str(), &si, pi))
            return true;
        if (attempt == 20) return false;
        Sleep(100);
    }
}

PROGRAMRUN WaitProgram(PROCESS_INFORMATION* pi, DWORD timeoutms)
{
    PROGRAMRUN run;
    run.started = true;
    if (WaitForSingleObject(pi->hProcess, timeoutms) == WAIT_OBJECT_0) {
        run.ended = true;
        GetExitCodeProcess(pi->hProcess, &run.exitcode);
    } else {
        TerminateProcess(pi->hProcess, 1);
        WaitForSingleObject(pi->hProcess, 5000);
    }
    CloseHandle(pi->hThread);
    CloseHandle(pi->hProcess);
    return run;
}

PROGRAMRUN RunProgram(const std::string& commandline, const std::string& directory,
                      DWORD timeoutms)
{
    PROCESS_INFORMATION pi = {};
    if (!StartProgramAsync(commandline, directory, &pi)) return PROGRAMRUN();
    return WaitProgram(&pi, timeoutms);
}

bool WaitUntil(const std::function<bool()>& done, DWORD timeoutms)
{
    for (DWORD start = GetTickCount(); !done(); Sleep(100))
        if (GetTickCount() - start > timeoutms) return false;
    return true;
}
