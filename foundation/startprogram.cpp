// Starting another program: command line with the program quoted, hidden start,
// working folder and console title, waiting for its end, handing back its handles.
#include "osys.h"

#include "kelvo.h"

#include <cstring>

// Too long input is refused whole: a cut command line would run something else.
static bool fits(const char* text, int limit, const char* info)
{
    return ASSERTINFO(!text || static_cast<int>(strlen(text)) <= limit, info);
}

bool StartProgram(const char* program, const char* parameters, const char* directory,
                  const char* title, bool wait, PROCESS_INFORMATION* processinfo)
{
    if (!ASSERT(program)) return false;
    bool hidden = program[0] == '*';
    if (hidden) program++;
    Logit("START PROGRAM: %s %s\n", program, parameters ? parameters : "");

    STRING commandline(program);
    if (parameters && *parameters) {
        if (program[0] == '"')
            commandline.Format("%s %s", program, parameters);
        else
            commandline.Format("\"%s\" %s", program, parameters);
    }
    if (!fits(commandline.Text(), STARTPROGRAM_MAXCOMMAND, "StartProgram command line") ||
        !fits(directory, STARTPROGRAM_MAXCOMMAND, "StartProgram directory") ||
        !fits(title, STARTPROGRAM_MAXTITLE, "StartProgram title"))
        return false;

    STARTUPINFOA si;
    memset(&si, 0, sizeof si);
    si.cb = sizeof si;
    // The title is only read, though the record's field is not declared constant.
    if (title && *title) si.lpTitle = const_cast<char*>(title);
    if (hidden) {
        si.dwFlags = STARTF_USESHOWWINDOW;
        si.wShowWindow = SW_HIDE;
    }
    PROCESS_INFORMATION pi;
    memset(&pi, 0, sizeof pi);
    // CreateProcess may write into the command line: the local STRING is its own copy.
    BOOL rc = CreateProcessA(nullptr, commandline.Data(), nullptr, nullptr, FALSE, 0, nullptr,
                             directory && *directory ? directory : nullptr, &si, &pi);
    Logit("START PROGRAM: rc= %d\n", rc);
    if (!rc) {
        // Quiet: a service that starts programs has nobody to answer a dialog.
        ASSERTTEXTQUIET(false, "rc", commandline.Text());
        return false;
    }
    if (wait) WaitForSingleObject(pi.hProcess, INFINITE);
    if (processinfo) {
        *processinfo = pi;
    } else {
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
    Logit("START PROGRAM: return\n");
    return true;
}
