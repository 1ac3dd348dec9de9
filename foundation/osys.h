// The operating-system layer: time and date texts, system type, user folders,
// resource strings, system error texts and file tests.
#pragma once

#include "strings.h"

#include <windows.h>

// Module value that stands for the frame's resource module (the language library).
#define RESOURCE_MODULE (reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(-1)))

// Error code that stands for the calling thread's last error.
const long ERRORTEXT_LASTERROR = -4711;

namespace OSYS {
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
// The computer's name, or "<N/A>".
STRING GetComputerName();
// The logged-on user's name, or a null STRING.
STRING GetUserName();
bool FileExists(const char* name);
bool FileIsDirectory(const char* name);
}  // namespace OSYS

// Milliseconds since the base; the first call and every call with reset set the base.
long MsTimer(bool reset = false);

// A user or system folder with a trailing "\" (see the numbers in osysinfo.cpp);
// an unknown number or an unreadable value is reported and gives an empty text.
STRING GetWin32SystemPath(int which);

// The system's message text for code (ERRORTEXT_LASTERROR: the thread's last error),
// without trailing line breaks; "<no error>" when the system has none.
STRING ErrorText(long code = ERRORTEXT_LASTERROR);
