// Test helper started by StartProgram tests: writes how it was started (command
// line, start-up flags and show state, console title, working folder) to the file
// named by ARGRECORDER_OUT, after waiting ARGRECORDER_DELAY milliseconds, and ends
// with exit code 42.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

const int ARGRECORDER_EXITCODE = 42;

int main()
{
    char out[MAX_PATH];
    if (!GetEnvironmentVariableA("ARGRECORDER_OUT", out, sizeof out)) return 2;
    char delay[32];
    if (GetEnvironmentVariableA("ARGRECORDER_DELAY", delay, sizeof delay)) Sleep(atoi(delay));

    STARTUPINFOA si;
    si.cb = sizeof si;
    GetStartupInfoA(&si);
    char cwd[MAX_PATH] = "";
    GetCurrentDirectoryA(sizeof cwd, cwd);

    // The tests read the record only after this program has ended.
    FILE* f = fopen(out, "wb");
    if (!f) return 3;
    fprintf(f, "cmdline=%s\nflags=%lu\nshow=%u\ntitle=%s\ncwd=%s\n", GetCommandLineA(),
            static_cast<unsigned long>(si.dwFlags), static_cast<unsigned>(si.wShowWindow),
            si.lpTitle ? si.lpTitle : "", cwd);
    return fclose(f) == 0 ? ARGRECORDER_EXITCODE : 4;
}
