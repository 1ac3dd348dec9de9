// The process entry of every program: prepares heap, clock and arguments,
// settles the language, runs the program's AppMain and tidies up behind it.
#include "kelvo.h"
#include "kelvoapp.h"
#include "osys.h"

#include <cstdlib>
#include <ctime>
#include <cstring>
#include <vector>

typedef BOOL(WINAPI* HEAPSETINFORMATION)(HANDLE, int, PVOID, SIZE_T);
typedef int(__cdecl* SETSBHTHRESHOLD)(size_t);

static void use_low_fragmentation_heap()
{
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    HEAPSETINFORMATION heapset =
        kernel ? reinterpret_cast<HEAPSETINFORMATION>(
                     reinterpret_cast<void*>(GetProcAddress(kernel, "HeapSetInformation")))
               : nullptr;
    ULONG lowfragmentation = 2;
    if (heapset && heapset(GetProcessHeap(), 0, &lowfragmentation, sizeof lowfragmentation))
        return;
    HMODULE crt = GetModuleHandleA("msvcrt.dll");
    SETSBHTHRESHOLD sbh = crt ? reinterpret_cast<SETSBHTHRESHOLD>(reinterpret_cast<void*>(
                                    GetProcAddress(crt, "_set_sbh_threshold")))
                              : nullptr;
    if (sbh) sbh(1016);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandline, int)
{
    char* line = _strdup(GetCommandLineA());
    use_low_fragmentation_heap();
    _putenv("TZ=");
    SetEnvironmentVariableA("TZ", nullptr);
    _tzset();
    MsTimer(true);
    gMainThreadId = GetCurrentThreadId();

    KELVOAPP::PrepareArguments(instance, line);
    Logit("APP::WinMain instance=%p parm=%s, gMainThreadId= %08lx\n", static_cast<void*>(instance),
          commandline ? commandline : "", gMainThreadId);

    KELVOAPP::ChooseLanguageCode();
    if (TestArgValue("STARTUPDELAY", 0)) OSYS::Sleep(GetArgValue("STARTUPDELAY", 0).ToInt() * 1000);

    const STRINGARRAY* tokens = KELVOAPP::CommandTokens();
    std::vector<char*> argv;
    for (int i = 0; tokens && i < tokens->GetCount(); i++)
        argv.push_back(const_cast<char*>(tokens->GetItem(i)->Text()));
    argv.push_back(nullptr);
    int rc = AppMain(static_cast<int>(argv.size()) - 1, argv.data(), nullptr);
    Logit("AppMain returned %d\n", rc);

    LogitOption("/LOGITCLOSE");
    free(line);
    StringPoolDrain();
    KELVOAPP::FreeLanguageLibrary();
    return rc;
}
