// The operating-system layer: threads, time and date texts, system type, user
// folders, resource strings, system error texts, file tests and starting programs.
#pragma once

#include "strings.h"

#include <windows.h>

// Module value that stands for the frame's resource module (the language library).
inline const HINSTANCE RESOURCE_MODULE = reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(-1));

// Error code that stands for the calling thread's last error.
const long ERRORTEXT_LASTERROR = -4711;

// The two kinds of thread function a thread can be started with.
typedef unsigned(__stdcall* THREADFUNCTION)(void*);
typedef void(__cdecl* THREADFUNCTION2)(void*);

// Stack size of every thread started by OSYS::CreateThread.
const unsigned THREAD_STACKSIZE = 32768;

// Longest command line and working folder, and longest console title, of StartProgram.
const int STARTPROGRAM_MAXCOMMAND = 1023;
const int STARTPROGRAM_MAXTITLE = 255;

namespace OSYS {
// Runs function(parameter) on a new thread; the thread's handle, or null after a report.
HANDLE CreateThread(THREADFUNCTION function, void* parameter);
HANDLE CreateThread(THREADFUNCTION2 function, void* parameter);
// Waits up to timeout milliseconds (-1 without limit) for the thread to end. When it
// has ended the handle is closed, hThread set null and true returned; otherwise the
// handle stays as it is.
bool WaitThread(HANDLE& hThread, int timeout);

// Waits the given number of milliseconds.
void Sleep(int milliseconds);
// Seconds since 1970-01-01 UTC.
unsigned long Time();
// Local date "%04d-%02d-%02d" and time "%02d:%02d:%02d".
STRING DateIso();
STRING TimeIso();
// Local date in the user's short and long date formats, time in the user's time format.
STRING DateShort();
STRING DateLong();
STRING TimeUser();
// Local time as "HH:mm:ss".
STRING Time24();

// 0 Windows 95/98, 1 NT up to 4, 2 Windows 2000, 3 XP, 4 2003 family, 5 Vista and later.
int GetOSType();
// String id of the module (RESOURCE_MODULE: the frame's resource module), at most
// 255 characters; "<STR-ERR>" when it is missing.
STRING GetStringFromResource(int id, HINSTANCE module = RESOURCE_MODULE);
// The same for a text of any length (a notice, an agreement).
STRING GetLongStringFromResource(int id, HINSTANCE module = RESOURCE_MODULE);
// The computer's name, or "<N/A>".
STRING GetComputerName();
// The logged-on user's name, or a null STRING.
STRING GetUserName();
bool FileExists(const char* name);
bool FileIsDirectory(const char* name);
// Size of the file in bytes; -1 when it does not exist.
long long FileSize(const char* name);
}  // namespace OSYS

// Milliseconds since the base; the first call and every call with reset set the base.
// The count never steps back, whatever happens to the clock.
long MsTimer(bool reset = false);

// Numbers of GetWin32SystemPath.
const int SYSTEMPATH_PROGRAMS = 0;
const int SYSTEMPATH_PROGRAMFILES = 2;
const int SYSTEMPATH_APPDATA = 5;
const int SYSTEMPATH_DESKTOP = 8;
const int SYSTEMPATH_COMMONPROGRAMS = 10;
const int SYSTEMPATH_COMMONAPPDATA = 13;

// A user or system folder with a trailing "\" (see the numbers in osysinfo.cpp);
// an unknown number or an unreadable value is reported and gives an empty text.
STRING GetWin32SystemPath(int which);

// The system's message text for code (ERRORTEXT_LASTERROR: the thread's last error),
// without trailing line breaks; "<no error>" when the system has none.
STRING ErrorText(long code = ERRORTEXT_LASTERROR);

// Starts program with parameters ("*" before the program: hidden), in directory and
// with title as console title when given; with wait, returns only after it ended.
// processinfo receives the process and thread handles (the caller closes them).
bool StartProgram(const char* program, const char* parameters = nullptr,
                  const char* directory = nullptr, const char* title = nullptr,
                  bool wait = false, PROCESS_INFORMATION* processinfo = nullptr);
