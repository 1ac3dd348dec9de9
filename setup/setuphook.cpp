// Loading the plug-in and calling its hooks.
#include "setuphook.h"

#include "kelvo.h"

int WINAPI SetupHookDefault(int, const char*) { return 1; }

int WINAPI NewSetupHookDummy(int code, int value, HWND, HWND, INT_PTR, void* pointer)
{
    Logit("SETUP::NewSetupHookDummy %d %d %08x\n", code, value,
          static_cast<unsigned>(reinterpret_cast<UINT_PTR>(pointer)));
    return 1;
}

SETUPHOOKS::SETUPHOOKS(const char* library)
    : Library(library), SetupHook(SetupHookDefault), NewSetupHook(NewSetupHookDummy)
{
    if (!Library.IsLoaded()) return;
    SetupHook = Library.GetFunctionAs<SETUPHOOKFUNCTION>("SetupHook");
    // A library without SetupHook leaves that hook unset: a plug-in that means to
    // take part and cannot is worth a report.
    ASSERTTEXT(SetupHook, "fpSetupHook", library);
    NewSetupHook = Library.GetFunctionAs<NEWSETUPHOOKFUNCTION>("NewSetupHook");
}

int SETUPHOOKS::Setup(int code, const char* text)
{
    Logit("SETUP::SetupHook %d %s\n", code, text ? text : "(null)");
    return SetupHook ? SetupHook(code, text) : 0;
}

int SETUPHOOKS::NewSetup(int code, int value, HWND window1, HWND window2, INT_PTR extra, void* pointer)
{
    return NewSetupHook ? NewSetupHook(code, value, window1, window2, extra, pointer) : 0;
}
