// Starting programs from tests and waiting for them.
#include "testprocess.h"

#include <vector>

bool StartProgramAsync(const std::string& commandline, const std::string& directory,
                       PROCESS_INFORMATION* pi)
{
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    std::vector<char> line(commandline.begin(), commandline.end());
    line.push_back(0);
    return CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          directory.empty() ? nullptr : directory.c_str(), &si, pi) != FALSE;
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
