// Stand-in installer plug-in (setuphook.dll, found by setup.exe as "SETUPHOOK" beside
// it). Every call goes as one line to "setuphook.log" beside the library. When
// "setuphook.start" beside it names a step number, the wizard's step table is cut so
// that the wizard starts on that step (the pages behind copying can be shown without
// a copy).
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

// One record of the installer's step table: seven words.
struct STEP {
    INT_PTR IdStep, Title, Subtitle, Template, Parameter, Page, Spare;
};
const int STEPS = 15;

static HMODULE self = nullptr;

static std::string beside_me(const char* name)
{
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(self, path, sizeof path);
    std::string own(path, n);
    return own.substr(0, own.rfind('\\') + 1) + name;
}

static void record(const char* line)
{
    FILE* f = fopen(beside_me("setuphook.log").c_str(), "ab");
    if (!f) return;
    fprintf(f, "%s\n", line);
    fclose(f);
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) self = instance;
    return TRUE;
}

extern "C" __declspec(dllexport) int WINAPI SetupHook(int code, const char* text)
{
    char line[512];
    snprintf(line, sizeof line, "SetupHook %d %s", code, text ? text : "(null)");
    record(line);
    return 1;
}

extern "C" __declspec(dllexport) int WINAPI NewSetupHook(int code, int value, HWND, HWND, INT_PTR extra, void* pointer)
{
    char line[512];
    snprintf(line, sizeof line, "NewSetupHook %d %d %lld", code, value,
             code == 6 ? static_cast<long long>(reinterpret_cast<INT_PTR>(pointer)) : 0LL);
    record(line);
    (void)extra;
    FILE* f = code == 0 && pointer ? fopen(beside_me("setuphook.start").c_str(), "rb") : nullptr;
    if (f) {
        char text[16] = "";
        size_t n = fread(text, 1, sizeof text - 1, f);
        fclose(f);
        text[n] = 0;
        STEP* steps = static_cast<STEP*>(pointer);
        int first = 0;
        while (first < STEPS && steps[first].IdStep != atoi(text)) first++;
        if (first < STEPS)
            for (int i = 0; i < STEPS; i++) steps[i] = i + first < STEPS ? steps[i + first] : STEP{};
    }
    return 1;
}
