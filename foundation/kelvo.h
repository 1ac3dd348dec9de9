// The trace log ("LOGIT") every program can write, and the assertion report in
// which every consistency check of the system ends.
#pragma once

#include <windows.h>

// Writes one line when the log is open or debugger output is on; returns whether it wrote.
bool Logit(const char* format, ...) __attribute__((format(printf, 1, 2)));
// As Logit, but only when level passes the LogitLevel filter.
bool LogitLevel(int level, const char* format, ...) __attribute__((format(printf, 2, 3)));
// Whether a line would go anywhere at all (the log is open or debugger output is on).
bool LogitActive();
// The current LogitLevel word: verbosity in the low 4 bits, category flags above.
unsigned GetLogitLevel();
// Name of the open log file; empty when the log goes to a console, standard error or nowhere.
const char* LogitFileName();

// Acts on one logging option (/LOGIT, /LOGIT:name, /LOGITKEEP, /LOGITHARD, /LOGDEBUG,
// /LOGDBG, /LOG:n, /D:n, /LOGITCLOSE, /NOASSERT); other texts are ignored.
void LogitOption(const char* text);

// What the start-up frame tells the log about the program: its full path (the default
// log file's name and the start lines), its language code (7: assertion reports in
// German) and the title of assertion reports. A null or empty path or title leaves that
// value as it was. Until told, the log uses the module's own path, English and
// "Kelvo Application".
void LogSetProgram(const char* path, int languagecode, const char* title);

// Ctrl+Shift+F5..F8 in any window or list view switch logging on and off.
void LogitHotKey(UINT message, WPARAM wParam, LPARAM lParam);

// The assertion report; returns true to continue. Only the user's No ends the program.
// Quiet reports (and every report after AssertBoxes(false)) go to the log and
// "assert.log" only.
bool Assert(bool ok, const char* condition, const char* file, int line, const char* info,
            bool quiet);

// Whether reports show their box (a program nobody can see, such as a service, says no).
void AssertBoxes(bool shown);

// Reports kept for tests and diagnostics: how many were raised, and the last one.
int AssertCount();
const char* AssertLastCondition();
const char* AssertLastInfo();

// Checks: each evaluates to whether the condition held, and reports when it did not.
inline bool AssertCheck(bool ok, const char* condition, const char* file, int line,
                        const char* info, bool quiet)
{
    if (!ok) Assert(false, condition, file, line, info, quiet);
    return ok;
}

#define ASSERT(cond) AssertCheck(!!(cond), #cond, __FILE__, __LINE__, nullptr, false)
#define ASSERTINFO(cond, info) AssertCheck(!!(cond), #cond, __FILE__, __LINE__, (info), false)
#define ASSERTQUIET(cond, info) AssertCheck(!!(cond), #cond, __FILE__, __LINE__, (info), true)
// A check whose condition text is given literally (for example "FALSE").
#define ASSERTTEXT(ok, condtext, info) AssertCheck(!!(ok), (condtext), __FILE__, __LINE__, (info), false)
#define ASSERTTEXTQUIET(ok, condtext, info) AssertCheck(!!(ok), (condtext), __FILE__, __LINE__, (info), true)
