// Starting programs from tests and waiting for them.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

struct PROGRAMRUN {
    bool started = false;
    bool ended = false;   // false when it was still running at the time-out (it is then killed)
    DWORD exitcode = 0;
};

// Runs commandline (the program path quoted by the caller as needed) in directory
// (empty: the current one) and waits up to timeoutms for it to end.
PROGRAMRUN RunProgram(const std::string& commandline, const std::string& directory,
                      DWORD timeoutms);

// Starts a program without waiting; the caller owns the returned process information.
bool StartProgramAsync(const std::string& commandline, const std::string& directory,
                       PROCESS_INFORMATION* pi);
// Waits for a started program; kills it when it is still running after timeoutms.
PROGRAMRUN WaitProgram(PROCESS_INFORMATION* pi, DWORD timeoutms);

// Looks at done every 100 ms until it holds (true) or timeoutms have passed (false).
bool WaitUntil(const std::function<bool()>& done, DWORD timeoutms);
