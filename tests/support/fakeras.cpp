// FAKERAS: the stand-in named to WINRAS, held loaded by one WINRAS object of its own,
// and scripted through its one extra export.
#include "fakeras.h"

#include "testfiles.h"
#include "winras.h"

#include <windows.h>

typedef void(WINAPI* FAKERASSCRIPT)(const char*, const char*);

FAKERAS::FAKERAS()
{
    WINRAS::SetLibraryName((TestProgramDir() + "\\fakerasapi.dll").c_str());
    Holder = new WINRAS;
}

FAKERAS::~FAKERAS()
{
    delete Holder;
    WINRAS::SetLibraryName(nullptr);
}

bool FAKERAS::Script(const char* entries, const char* connections)
{
    HMODULE module = GetModuleHandleA("fakerasapi.dll");
    FAKERASSCRIPT script = module ? reinterpret_cast<FAKERASSCRIPT>(reinterpret_cast<void*>(
                                        GetProcAddress(module, "FakeRasScript")))
                                  : nullptr;
    if (script) script(entries, connections);
    return script != nullptr;
}
