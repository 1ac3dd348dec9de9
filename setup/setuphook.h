// The installer's plug-in: the library "SETUPHOOK" beside the program may take part in
// an installation through two exported functions; without the library built-in
// defaults answer, and an export the library lacks stays unset.
#pragma once

#include "dllinterface.h"

#include <windows.h>

typedef int(WINAPI* SETUPHOOKFUNCTION)(int code, const char* text);
typedef int(WINAPI* NEWSETUPHOOKFUNCTION)(int code, int value, HWND window1, HWND window2, INT_PTR extra,
                                         void* pointer);

// SetupHook codes.
const int SETUPHOOK_CONFIGREAD = 1;
const int SETUPHOOK_INSTALLED = 2;
const int SETUPHOOK_BEFOREREMOVE = 3;
const int SETUPHOOK_REMOVED = 4;
const int SETUPHOOK_COPIED = 8;
const int SETUPHOOK_ADMIN = 256;

// NewSetupHook codes.
const int NEWHOOK_STEPTABLE = 0;
const int NEWHOOK_CONFIG = 1;
const int NEWHOOK_WIZARDENDED = 2;
const int NEWHOOK_REMOVEWIZARD = 3;
const int NEWHOOK_REMOVEWIZARDENDED = 4;
const int NEWHOOK_BEFOREPAGE = 5;
const int NEWHOOK_AFTERPAGE = 6;
const int NEWHOOK_COPYBEGINS = 7;
const int NEWHOOK_COPYENDED = 8;
const int NEWHOOK_GROUPCHOSEN = 9;
const int NEWHOOK_SHORTCUTSDONE = 10;
const int NEWHOOK_REMOVALBEGINS = 11;
const int NEWHOOK_REMOVALENDED = 12;

class SETUPHOOKS {
public:
    // Loads library (normally "SETUPHOOK") and takes its two exports.
    explicit SETUPHOOKS(const char* library = "SETUPHOOK");
    SETUPHOOKS(const SETUPHOOKS&) = delete;
    SETUPHOOKS& operator=(const SETUPHOOKS&) = delete;

    bool LibraryLoaded() const { return Library.IsLoaded(); }
    // Whether SetupHook can be called: the library's export or the built-in default.
    bool HasSetupHook() const { return SetupHook != nullptr; }
    // Calls SetupHook (the library's or the default, which returns 1); 0 when unset.
    int Setup(int code, const char* text);
    // Calls NewSetupHook (the library's or the default, which logs and returns 1); 0 when
    // the library has no such export.
    int NewSetup(int code, int value, HWND window1, HWND window2, INT_PTR extra, void* pointer);
    // NewSetupHook for callers that keep the function (the wizard frame); null when unset.
    NEWSETUPHOOKFUNCTION NewSetupFunction() const { return NewSetupHook; }

private:
    DLLINTERFACE Library;
    SETUPHOOKFUNCTION SetupHook;
    NEWSETUPHOOKFUNCTION NewSetupHook;
};

// The built-in hooks.
int WINAPI SetupHookDefault(int code, const char* text);
int WINAPI NewSetupHookDummy(int code, int value, HWND window1, HWND window2, INT_PTR extra, void* pointer);
