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

    // Written to a side file and renamed, so a reader never sees half a record.
    char part[MAX_PATH + 8];
    snprintf(part, sizeof part, "%s.part", out);
    FILE* f = fopen(part, "wb");
    if (!f) return 3;
    fprintf(f, "cmdline=%s\n", GetCommandLineA());
    fprintf(f, "flags=%lu\n", static_cast<unsigned long>(si.dwFlags));
    fprintf(f, "show=%u\n", static_cast<unsigned>(si.wShowWindow));
    fprintf(f, "title=%s\n", si.lpTitle ? si.lpTitle : "");
    fprintf(f, "cwd=%s\n", cwd);
    fclose(f);
    if (!MoveFileExA(part, out, MOVEFILE_REPLACE_EXISTING)) return 4;
    return ARGRECORDER_EXITCODE;
}
